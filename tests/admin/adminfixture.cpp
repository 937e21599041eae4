#include "adminfixture.h"

#include "filedialog.h"
#include "messagebox.h"
#include "session.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QSqlQuery>

AdminSeat::AdminSeat(const QString &engine, const QString &user) : store(engine)
{
    store::session().setAppDir(store.appDir());
    store::session().CurrentUserID = user;
    QDir().mkpath(store::session().FilesDir);
    dm.openAtStartup(store.appDir());
    dm.tblUserRight.open();
}

QVariant AdminSeat::scalar(const QString &sql, const QVariantList &values)
{
    return dm.connection().scalar(sql, values);
}

QStringList AdminSeat::logRows()
{
    QStringList rows;
    QSqlQuery q = dm.connection().exec(QStringLiteral("SELECT Operate FROM tblLog ORDER BY LogID"));
    while (q.next())
        rows << q.value(0).toString();
    return rows;
}

QStringList AdminSeat::rightsOf(const QString &userId)
{
    store::Connection &db = dm.connection();
    const QString sql =
        QStringLiteral("SELECT RightID, %1, %2, %3, %4, %5 FROM tblUserRight "
                       "WHERE UserID = ? ORDER BY RightID")
            .arg(db.ident(QStringLiteral("Insert")), db.ident(QStringLiteral("Modify")),
                 db.ident(QStringLiteral("Delete")), db.ident(QStringLiteral("Query")),
                 db.ident(QStringLiteral("Print")));
    QSqlQuery q = db.exec(sql, {userId});
    QStringList out;
    while (q.next()) {
        QString flags;
        for (int i = 1; i <= 5; ++i)
            flags += q.value(i).toBool() ? QLatin1Char('1') : QLatin1Char('0');
        out << q.value(0).toString() + QLatin1Char(':') + flags;
    }
    return out;
}

void resetScripts()
{
    MessageBox::setScripted(true);
    MessageBox::clearHistory();
    FileDialog::clearHistory();
}
