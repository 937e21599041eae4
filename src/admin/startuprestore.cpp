#include "startuprestore.h"

#include "datamodule.h"
#include "messagebox.h"
#include "restorewindow.h"
#include "session.h"
#include "storeerror.h"

namespace StartupRestore
{

bool offer(store::DataModule &dm, const store::StoreError &error)
{
    // A damaged data file names itself; a "Server.txt" that names nothing cannot be restored.
    if (error.kind() != store::StoreError::Kind::Damaged || error.column().isEmpty() ||
        store::Connection::isServerLocation(error.column())) {
        MessageBox::critical(nullptr, error.text());
        return false;
    }
    // No is the default: replacing the data file is for a user to choose.
    if (!MessageBox::question(nullptr,
                              error.text() +
                                  QStringLiteral("\n\n是否现在用备份的数据恢复它？"
                                                 "（损坏的文件会先保存到备份文件夹中。）"),
                              MessageBox::defaultTitle(), QMessageBox::No))
        return false;
    RestoreWindow w(dm);
    w.setPath(store::session().AppDir + QStringLiteral("Backup/KTA30.wdb"));
    w.exec();
    return dm.connection().isOpen();
}

} // namespace StartupRestore
