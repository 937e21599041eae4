#include "serverwindow.h"

#include "connection.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "filedialog.h"
#include "messagebox.h"
#include "serverfile.h"
#include "session.h"
#include "storenotices.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

const QString ProposedName = QStringLiteral("KTA30.wdb");

// Where the file dialog starts: the folder of the store "Server.txt" names, with the usual
// data file name proposed; the program's Data folder when that line is no file path.
QString browseStart(const QString &firstLine)
{
    QString folder;
    if (!firstLine.isEmpty() && !store::Connection::isServerLocation(firstLine))
        folder = QFileInfo(store::Connection::normalise(firstLine)).absolutePath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = store::session().AppDir + QStringLiteral("Data");
    return QDir(folder).filePath(ProposedName);
}

} // namespace

ServerWindow::ServerWindow(store::DataModule &dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TfrmServer"));
    setWindowTitle(QStringLiteral("服务器设置"));

    // A server address is shown without its password.
    m_path = new QLineEdit(store::Connection::shownLocation(store::ServerFile::readFirstLine(store::session().AppDir)),
                           this);
    m_path->setObjectName(QStringLiteral("edPath"));
    m_path->setMinimumWidth(360);
    auto *browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("btnBrowse"));
    auto *save = new QPushButton(QStringLiteral("保存"), this);
    save->setObjectName(QStringLiteral("btnSave"));
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton *b : {browse, save, cancel})
        b->setAutoDefault(false);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请选择数据库文件所在目录："), this));
    layout->addLayout(pathRow);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, &ServerWindow::browse);
    connect(save, &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { this->save(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject); // Escape too
}

void ServerWindow::browse()
{
    const QString start = browseStart(store::ServerFile::readFirstLine(store::session().AppDir));
    QString chosen = FileDialog::getOpenFileName(this, QStringLiteral("服务器数据库文件路径设置"),
                                                 start, QStringLiteral("数据库文件(*.wdb)"));
    if (chosen.isEmpty())
        return;
    // A name typed without its extension means the data file of that name.
    if (!QFileInfo::exists(chosen))
        chosen = FileDialog::withDefaultSuffix(chosen, QStringLiteral("wdb"));
    m_path->setText(QFileInfo(chosen).absoluteFilePath());
}

void ServerWindow::save()
{
    m_dm.writeLog(QStringLiteral("系统设置-服务器设置-保存"));
    QString location = m_path->text().trimmed();
    // The address as shown, unchanged, still means the one "Server.txt" holds with its password.
    const QString stored = store::ServerFile::readFirstLine(store::session().AppDir);
    if (location == store::Connection::shownLocation(stored).trimmed())
        location = stored.trimmed();
    // A server is not a file: whether it can be reached is for the connection to tell.
    if (!store::Connection::isServerLocation(location) &&
        (location.isEmpty() || !QFileInfo(store::Connection::normalise(location)).isFile())) {
        MessageBox::warning(this, QStringLiteral("对不起，您设置的服务器中数据库文件不存在！"));
        m_path->setFocus();
        return;
    }
    store::ServerFile::write(store::session().AppDir, location);
    switchStore(location);
}

// Reconnects to the new store. When it cannot be opened, the seat goes back to the store it
// was working on, so it keeps working; "Server.txt" already names the new one, so the next
// start tries that (and falls back to the default location if it still fails).
void ServerWindow::switchStore(const QString &location)
{
    const QString previous = m_dm.connection().location();
    std::exception_ptr failure;
    try {
        m_dm.reconnect(location);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && !previous.isEmpty())
        ErrorDisplay::run(this, [this, &previous] { m_dm.reconnect(previous); });
    if (m_dm.connection().isOpen())
        reopenAfterSwitch();
    if (failure) {
        ErrorDisplay::run(this, [&failure] { std::rethrow_exception(failure); });
        return;
    }
    StoreNotices::showOnce(this, m_dm.connection());
    MessageBox::information(this, QStringLiteral("服务器设置成功！"));
    accept();
}

// The schedule and the rights of the signed-in user are read from the store now in use.
void ServerWindow::reopenAfterSwitch()
{
    m_dm.qryPlan.open();
    m_dm.tblUserRight.close();
    m_dm.tblUserRight.open();
}
