#include "storenotices.h"

#include "connection.h"
#include "messagebox.h"

#include "storeerror.h"

#include <QDir>
#include <QPointer>
#include <QTimer>

namespace StoreNotices {

void showOnce(QWidget *parent, const store::Connection &db)
{
    static bool told = false;
    if (told || db.networkFileSystem().isEmpty())
        return;
    told = true;
    MessageBox::information(
        parent, QStringLiteral("数据文件“%1”位于网络文件系统（%2）上，本座席以回滚日志方式使用它，以免损坏数据。\n"
                               "多台计算机上的座席同时使用一个数据文件并不安全：请让这些座席共用一台 PostgreSQL "
                               "数据库服务器（在“服务器设置”中填写 postgresql:// 地址）。")
                    .arg(QDir::toNativeSeparators(db.location()), db.networkFileSystem()));
}

namespace {
bool lossTold = false;
} // namespace

bool claimLossNotice()
{
    return !std::exchange(lossTold, true);
}

void watchConnection(QWidget *window, store::Connection &db, std::function<void(const QString &)> status)
{
    const QString lost = store::StoreError::connectionLoss().text();
    QObject::connect(&db, &store::Connection::connectionLost, window, [window, lost, status] {
        lossTold = false;
        if (status)
            status(lost);
        // Not in the middle of whatever found the break (a list being painted, a command).
        QTimer::singleShot(0, window, [window, lost] {
            if (claimLossNotice())
                MessageBox::warning(window, lost);
        });
    });
    QObject::connect(&db, &store::Connection::connectionRestored, window, [status] {
        lossTold = false;
        if (status)
            status(QStringLiteral("与数据库服务器的连接已恢复。"));
    });
}

} // namespace StoreNotices
