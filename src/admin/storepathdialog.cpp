#include "storepathdialog.h"

#include "errordisplay.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

StorePathDialog::StorePathDialog(store::DataModule &dm, const QString &objectName,
                                 const QString &title, const QString &label, const QString &command,
                                 QWidget *parent)
    : QDialog(parent), m_dm(dm)
{
    setObjectName(objectName);
    setWindowTitle(title);
    auto *caption = new QLabel(label, this);
    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("edtBackup"));
    m_choose = new QToolButton(this);
    m_choose->setObjectName(QStringLiteral("SpeedButton1"));
    m_choose->setText(QStringLiteral("..."));
    m_command = new QPushButton(command, this);
    m_command->setObjectName(QStringLiteral("Button1"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("Button2"));
    // Enter in the path field starts nothing; Esc cancels, as in every dialog.
    m_command->setAutoDefault(false);
    m_cancel->setAutoDefault(false);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(m_choose);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);
    setMinimumWidth(460);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void StorePathDialog::connectCommands(std::function<void()> choose, std::function<void()> run)
{
    connect(m_choose, &QToolButton::clicked, this, [choose] { choose(); });
    connect(m_command, &QPushButton::clicked, this, [this, run] { ErrorDisplay::run(this, run); });
}

void StorePathDialog::setPath(const QString &path)
{
    m_path->setText(path);
}

QString StorePathDialog::path() const
{
    return m_path->text();
}

void StorePathDialog::watch(QProgressDialog &progress)
{
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500); // a small store is copied before anything shows
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    m_copier.setProgress([&progress](qint64 done, qint64 total) {
        if (total > 0) {
            progress.setMaximum(1000);
            progress.setValue(int(done * 1000 / total));
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}
