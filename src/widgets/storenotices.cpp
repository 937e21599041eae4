#include "storenotices.h"

#include "connection.h"
#include "messagebox.h"

#include <QDir>

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

} // namespace StoreNotices
