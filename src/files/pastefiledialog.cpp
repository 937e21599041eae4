#include "pastefiledialog.h"

#include "filedialog.h"
#include "folderchooser.h"
#include "folderview.h"
#include "messagebox.h"
#include "session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasteFileDialog::PasteFileDialog(const QString &title, const QString &folder, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmPasteFile"));
    setWindowTitle(title);
    setModal(true);

    m_choose = new QPushButton(QStringLiteral("请选择源文件目录"), this);
    m_choose->setObjectName(QStringLiteral("btnSource"));
    m_choose->setAutoDefault(false);
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("edtSource"));
    m_source->setReadOnly(true);

    m_chooser = new FolderChooser(QStringLiteral("请选择目标文件夹："), folder, this);
    connect(m_chooser, &FolderChooser::folderChosen, this, &PasteFileDialog::folderChosen);

    m_paste = new QPushButton(QStringLiteral("粘贴"), this);
    m_paste->setObjectName(QStringLiteral("btnPaste"));
    m_paste->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    m_cancel->setAutoDefault(false);
    connect(m_choose, &QPushButton::clicked, this, &PasteFileDialog::chooseSource);
    connect(m_paste, &QPushButton::clicked, this, [this] { paste(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_choose);
    sourceRow->addWidget(m_source, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_paste);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(sourceRow);
    layout->addWidget(m_chooser, 1);
    layout->addLayout(buttons);
    resize(560, 420);
}

QString PasteFileDialog::source() const
{
    return m_source->text();
}

void PasteFileDialog::setSource(const QString &path)
{
    m_source->setText(path);
}

QString PasteFileDialog::target() const
{
    return m_chooser->folder();
}

void PasteFileDialog::chooseSource()
{
    const QString start = source().isEmpty() ? target() : QFileInfo(source()).absolutePath();
    const QString chosen = FileDialog::getOpenFileName(this, QStringLiteral("请选择源文件"), start,
                                                       QStringLiteral("所有文件 (*)"));
    if (!chosen.isEmpty())
        setSource(chosen);
}

bool PasteFileDialog::paste()
{
    const QString from = source();
    if (from.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请选择源文件！"));
        return false;
    }
    const QString name = QFileInfo(from).fileName();
    const QString to = target() + QLatin1Char('/') + name;
    // Nothing is replaced and nothing moves; saying so keeps a skipped paste from looking
    // like a done one.
    if (QFileInfo::exists(to)) {
        MessageBox::warning(this, QStringLiteral("目标文件夹中已有同名文件，未复制。"));
        return false;
    }
    QFile file(from);
    // QFile::copy refuses an existing destination, so a file appearing there meanwhile is
    // not overwritten either.
    if (!file.copy(to)) {
        MessageBox::warning(this, QStringLiteral("文件“%1”不能复制：%2")
                                      .arg(QDir::toNativeSeparators(from), file.errorString()));
        m_chooser->listing()->refresh();
        return false;
    }
    const bool cut = store::session().FileClipMode == QLatin1String("Cut");
    if (cut) {
        // The source goes only when its copy holds every byte of it.
        if (QFileInfo(to).size() != QFileInfo(from).size()) {
            MessageBox::warning(this, QStringLiteral("文件“%1”复制不完整，源文件已保留。")
                                          .arg(QDir::toNativeSeparators(from)));
            m_chooser->listing()->refresh();
            return false;
        }
        QFile source(from);
        if (!source.remove()) {
            MessageBox::warning(this,
                                QStringLiteral("文件已复制，但源文件“%1”不能删除：%2")
                                    .arg(QDir::toNativeSeparators(from), source.errorString()));
            m_chooser->listing()->refresh();
            return false;
        }
    }
    m_chooser->listing()->refresh();
    return true;
}
