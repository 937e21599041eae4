#include "restorewindow.h"

#include "connection.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "filedialog.h"
#include "messagebox.h"
#include "serverfile.h"
#include "session.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <QVBoxLayout>

using store::StoreError;

RestoreWindow::RestoreWindow(store::DataModule &dm, QWidget *parent)
    : StorePathDialog(dm, QStringLiteral("TfrmRestore"), QStringLiteral("数据恢复"),
                      QStringLiteral("请选择恢复数据库文件所在的系统目录："),
                      QStringLiteral("恢复"), parent)
{
    connectCommands([this] { choosePath(); }, [this] { restore(); });
}

void RestoreWindow::choosePath()
{
    // Starts in the backup folder with KTA30.wdb proposed.
    const QString name = FileDialog::getOpenFileName(
        this, windowTitle(), store::session().AppDir + QStringLiteral("Backup/KTA30.wdb"),
        QStringLiteral("数据文件(*.wdb)"));
    if (!name.isEmpty())
        m_path->setText(name);
}

bool RestoreWindow::restore()
{
    // Offered at start-up for a damaged store, there is no store to log to yet: the row is
    // written into the restored one.
    const QString logText = QStringLiteral("系统设置-数据恢复-恢复");
    const bool logged = m_dm.connection().isOpen();
    if (logged)
        m_dm.writeLog(logText);
    QString location = store::ServerFile::readFirstLine(store::session().AppDir);
    if (location.trimmed().isEmpty())
        location = store::ServerFile::defaultLine(store::session().AppDir);
    const QString question = QStringLiteral("恢复以前备份数据之前，请确认您已经备份好\n"
                                            "当前的数据，以免对您造成不必要的损失！按\n"
                                            "[确定]系统将恢复以前的备份数据，按[取消]\n"
                                            "返回！");
    if (!MessageBox::confirm(this, question))
        return false;
    const QString chosen = path();
    if (!checkChoice(location, chosen))
        return false;

    QProgressDialog progress(QStringLiteral("正在恢复数据，请稍候……"), QString(), 0, 0, this);
    watch(progress);
    const auto detach = qScopeGuard([this] { m_copier.setProgress({}); });
    QString prepared;
    try {
        prepared = m_copier.prepare(location, chosen);
    } catch (const StoreError &e) {
        progress.close();
        const QString refusal =
            e.kind() == StoreError::Kind::NotAStore
                ? QStringLiteral("对不起，您选择的文件不是本系统的数据库文件，不能用它恢复数据！\n")
                : QStringLiteral("对不起，数据恢复失败，当前的数据没有改动！\n");
        MessageBox::warning(this, refusal + e.text());
        m_path->setFocus();
        return false;
    }
    const std::exception_ptr failure = replaceStore(location, prepared);
    StoreCopy::discard(location, prepared);
    const std::exception_ptr reopenFailure = reopenStore(location);
    progress.close();
    if (failure)
        MessageBox::critical(this, QStringLiteral("数据恢复失败，当前的数据没有改动。\n") +
                                       ErrorDisplay::textOf(failure));
    if (reopenFailure)
        MessageBox::critical(this, ErrorDisplay::textOf(reopenFailure));
    if (failure || reopenFailure)
        return false;
    if (!logged)
        ErrorDisplay::run(this, [&] { m_dm.writeLog(logText); });
    MessageBox::information(this, QStringLiteral("数据恢复成功！"));
    accept();
    return true;
}

// The checks that need nothing copied: the file is there, and it is not the data file itself
// (which the restore would have to remove before copying it).
bool RestoreWindow::checkChoice(const QString &location, const QString &chosen)
{
    if (!QFileInfo(chosen).isFile()) {
        MessageBox::warning(this, QStringLiteral("对不起，您要恢复的数据库文件不存在！"));
        m_path->setFocus();
        return false;
    }
    if (!store::Connection::isServerLocation(location) &&
        StoreCopy::isSameFile(chosen, store::Connection::normalise(location))) {
        MessageBox::warning(
            this, QStringLiteral("对不起，您选择的是当前正在使用的数据库文件，不能用它恢复数据！"));
        m_path->setFocus();
        return false;
    }
    return true;
}

// Closing the connection closes every dataset of the data module with it. The store as it
// was goes to the day folder (beside an earlier copy of the day, which stays as it is); only
// then is the prepared copy put in its place.
std::exception_ptr RestoreWindow::replaceStore(const QString &location, const QString &prepared)
{
    m_dm.disconnect();
    try {
        const QString day = StoreCopy::dayFolder(store::session().AppDir);
        if (!QDir().mkpath(day))
            throw StoreError(QStringLiteral("无法创建文件夹“%1”。").arg(day));
        m_copier.replace(location, prepared,
                         StoreCopy::freeName(day + QStringLiteral("/KTA30.wdb")));
    } catch (...) {
        return std::current_exception();
    }
    return {};
}

// Whatever happened before, the connection opens again before the command ends; the schedule
// and the rights are read afresh, so the restored rights take effect at once.
std::exception_ptr RestoreWindow::reopenStore(const QString &location)
{
    try {
        m_dm.reconnect(location);
        if (!m_dm.qryPlan.isOpen())
            m_dm.qryPlan.open();
        m_dm.tblUserRight.close();
        m_dm.tblUserRight.open();
    } catch (...) {
        return std::current_exception();
    }
    return {};
}
