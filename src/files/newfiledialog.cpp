#include "newfiledialog.h"

#include "folderchooser.h"
#include "folderview.h"
#include "messagebox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

namespace
{
const char *const types[] = {"文本文件（*.Txt）", "Microsoft Word文档（*.doc)",
                             "Microsoft Excel文件（*.xls）"};
const char *const suffixes[] = {".txt", ".doc", ".xls"};

// A name that stays one file name inside the folder once the suffix is added.
bool isUsableName(const QString &name)
{
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.isNull() ||
            c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}
} // namespace

NewFileDialog::NewFileDialog(const QString &folder, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmNewFile"));
    setWindowTitle(QStringLiteral("新建文件"));
    setModal(true);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("edtFileName"));

    m_types = new QListWidget(this);
    m_types->setObjectName(QStringLiteral("lstFileType"));
    for (const char *type : types)
        m_types->addItem(QString::fromUtf8(type));
    m_types->setSelectionMode(QAbstractItemView::SingleSelection);
    m_types->setMaximumHeight(m_types->sizeHintForRow(0) * 4 + 2 * m_types->frameWidth());

    m_chooser = new FolderChooser(QStringLiteral("请选择文件目录："), folder, this);
    connect(m_chooser, &FolderChooser::folderChosen, this, &NewFileDialog::folderChosen);

    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("btnOK"));
    m_ok->setDefault(true);
    m_new = new QPushButton(QStringLiteral("新建..."), this);
    m_new->setObjectName(QStringLiteral("btnNew"));
    m_new->setAutoDefault(false);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, [this] { createFile(); });
    connect(m_new, &QPushButton::clicked, this, &NewFileDialog::startNew);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("文 件 名："), m_name);
    form->addRow(QStringLiteral("文件类型："), m_types);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_new);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_chooser, 1);
    layout->addLayout(buttons);
    resize(560, 440);
}

QString NewFileDialog::folder() const
{
    return m_chooser->folder();
}

QString NewFileDialog::suffixOf(int typeRow)
{
    if (typeRow < 0 || typeRow >= int(std::size(suffixes)))
        return {};
    return QLatin1String(suffixes[typeRow]);
}

void NewFileDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_name->setFocus();
}

QString NewFileDialog::refuse(QWidget *focus, const QString &text)
{
    MessageBox::warning(this, text);
    focus->setFocus();
    return {};
}

QString NewFileDialog::createFile()
{
    const QString name = m_name->text();
    if (name.isEmpty())
        return refuse(m_name, QStringLiteral("请输入需要创建的文件名称！"));
    // The type must be picked: focusing the list makes a row current without choosing it.
    const QList<QListWidgetItem *> chosen = m_types->selectedItems();
    if (chosen.isEmpty())
        return refuse(m_types, QStringLiteral("请选择需要创建的文件的类型！"));
    if (!isUsableName(name))
        return refuse(
            m_name,
            QStringLiteral("文件名“%1”含有不能用作文件名的字符（/ \\ 等），请修改。").arg(name));

    const QString fileName = name + suffixOf(m_types->row(chosen.constFirst()));
    const QString path = folder() + QLatin1Char('/') + fileName;
    const QString taken = QStringLiteral("文件“%1”已经存在，不能覆盖！").arg(fileName);
    if (QFileInfo::exists(path))
        return refuse(m_name, taken);
    // NewOnly: the file is made only when no file of that name appeared in the meantime, so an
    // existing document is never emptied.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo::exists(path))
            return refuse(m_name, taken);
        return refuse(m_name,
                      QStringLiteral("文件“%1”不能创建：%2").arg(fileName, file.errorString()));
    }
    file.close();
    m_chooser->listing()->refresh();
    return path;
}

void NewFileDialog::startNew()
{
    m_name->clear();
    m_name->setFocus();
}
