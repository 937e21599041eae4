#include "backupwindow.h"

#include "datamodule.h"
#include "errordisplay.h"
#include "filedialog.h"
#include "messagebox.h"
#include "session.h"
#include "storeerror.h"

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

BackupWindow::BackupWindow(store::DataModule &dm, QWidget *parent)
    : StorePathDialog(dm, QStringLiteral("TfrmBackup"), QStringLiteral("数据备份"),
                      QStringLiteral("请选择备份数据库的系统目录："), QStringLiteral("备份"),
                      parent)
{
    connectCommands([this] { choosePath(); }, [this] { backup(); });
}

void BackupWindow::choosePath()
{
    const QString name = FileDialog::getSaveFileName(
        this, windowTitle(), store::session().AppDir + QStringLiteral("Backup"),
        QStringLiteral("KTA30.wdb"), QStringLiteral("数据文件(*.wdb)"), QStringLiteral("wdb"));
    if (!name.isEmpty())
        m_path->setText(name);
}

bool BackupWindow::backup()
{
    m_dm.writeLog(QStringLiteral("系统设置-数据备份-备份"));
    const QString question = QStringLiteral("系统准备备份数据，如果该文件目录存在您以前\n"
                                            "备份的数据，系统会将您以前备份的数据覆盖，\n"
                                            "建议将数据保存在新的文件目录！按[确定]继续，\n"
                                            "按[取消]返回！");
    if (!MessageBox::confirm(this, question))
        return false;
    const QString target = path();
    store::Connection &db = m_dm.connection();
    // A copy put over the data file would replace the store under every seat.
    if (db.engine() == store::Engine::SQLite && StoreCopy::isSameFile(target, db.location())) {
        MessageBox::warning(this,
                            QStringLiteral("对不起，不能把数据备份到正在使用的数据库文件上！"));
        m_path->setFocus();
        return false;
    }
    if (!makeCopies(target))
        return false;
    MessageBox::information(this, QStringLiteral("数据备份成功！"));
    accept();
    return true;
}

// The day copy (the first backup of a day is the one its folder keeps), then the chosen
// target, which an earlier backup there gives way to only once the new copy is complete.
bool BackupWindow::makeCopies(const QString &target)
{
    QProgressDialog progress(QStringLiteral("正在备份数据，请稍候……"), QString(), 0, 0, this);
    watch(progress);
    const auto detach = qScopeGuard([this] { m_copier.setProgress({}); });

    const QString day = StoreCopy::dayFolder(store::session().AppDir);
    const QString dayCopy = day + QStringLiteral("/KTA30.wdb");
    try {
        if (!QDir().mkpath(day))
            throw store::StoreError(QStringLiteral("无法创建文件夹“%1”。").arg(day));
        if (!QFileInfo::exists(dayCopy))
            m_copier.backup(m_dm.connection(), dayCopy);
        m_copier.backup(m_dm.connection(), target);
    } catch (const store::StoreError &e) {
        progress.close();
        MessageBox::warning(this, QStringLiteral("对不起，数据备份失败！\n") + e.text());
        m_path->setFocus();
        return false;
    }
    return true;
}
