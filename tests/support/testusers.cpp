#include "testusers.h"

#include "passwords.h"

namespace testsupport {

void addUser(store::Connection &db, const QString &userId, const QString &password, bool administrator,
             const QStringList &rights, const QString &state)
{
    db.exec(QStringLiteral("INSERT INTO tblUser (UserID, UserName, Password, State, Sys) VALUES (?, ?, ?, ?, ?)"),
            {userId, userId, store::Passwords::hash(password), state, administrator});
    const QString sql = QStringLiteral("INSERT INTO tblUserRight (UserID, RightID, %1, %2, %3, %4, %5) "
                                       "VALUES (?, ?, ?, ?, ?, ?, ?)")
                            .arg(db.ident(QStringLiteral("Insert")), db.ident(QStringLiteral("Modify")),
                                 db.ident(QStringLiteral("Delete")), db.ident(QStringLiteral("Query")),
                                 db.ident(QStringLiteral("Print")));
    for (const QString &r : rights)
        db.exec(sql, {userId, r, true, true, true, true, true});
}

QStringList allRights()
{
    QStringList codes;
    for (const auto &[from, to] : {std::pair{101, 107}, {201, 212}, {301, 307}, {401, 414}, {501, 503}})
        for (int i = from; i <= to; ++i)
            codes << QString::number(i);
    return codes;
}

} // namespace testsupport
