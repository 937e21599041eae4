#include "passwords.h"

#include "connection.h"
#include "storeerror.h"

#include <sodium.h>

namespace store::Passwords {

namespace {
void ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw StoreError(QStringLiteral("无法初始化口令加密库。"));
}
} // namespace

QString hash(const QString &password)
{
    ensureSodium();
    const QByteArray pw = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, pw.constData(), static_cast<unsigned long long>(pw.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw StoreError(QStringLiteral("口令加密失败：内存不足。"));
    return QString::fromLatin1(out);
}

bool matches(const QString &storedHash, const QString &password)
{
    ensureSodium();
    const QByteArray h = storedHash.toLatin1();
    if (h.isEmpty() || h.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray pw = password.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), pw.constData(),
                                    static_cast<unsigned long long>(pw.size())) == 0;
}

bool verify(Connection &db, const QString &userId, const QString &password)
{
    // Every row with this ID is tried, whatever its state: a user hidden from the login list
    // still signs in by typing the ID.
    QSqlQuery q = db.exec(QStringLiteral("SELECT Password FROM tblUser WHERE UserID = ?"), {userId});
    while (q.next())
        if (matches(q.value(0).toString(), password))
            return true;
    return false;
}

bool set(Connection &db, const QString &userId, const QString &password)
{
    QSqlQuery q = db.exec(QStringLiteral("UPDATE tblUser SET Password = ?, %1 = %1 + 1 WHERE UserID = ? RETURNING %2, %1")
                              .arg(db.ident(QLatin1String(RowVersion)), db.ident(QLatin1String(RowKey))),
                          {hash(password), userId});
    // This seat's own change: the datasets over tblUser take the new version, so a user row
    // edited afterwards is not mistaken for one another seat changed.
    bool any = false;
    while (q.next()) {
        db.announceStored(QStringLiteral("tblUser"), q.value(0).toLongLong(), q.value(1).toLongLong());
        any = true;
    }
    return any;
}

} // namespace store::Passwords
