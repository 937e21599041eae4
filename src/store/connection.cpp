#include "connection.h"

#include "storeerror.h"

#include <QAtomicInt>
#include <QDate>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>
#include <QtDebug>
#include <sqlite3.h>

namespace store {

namespace {

QAtomicInt connectionCounter;

// year() and month() of the store's query dialect, over our ISO date texts.
void datePart(sqlite3_context *ctx, int, sqlite3_value **argv, int from, int length)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QByteArray s(text ? text : "");
    bool ok = false;
    const int v = s.mid(from, length).toInt(&ok);
    if (ok)
        sqlite3_result_int(ctx, v);
    else
        sqlite3_result_null(ctx);
}
// Letter case is ignored in every script, not only in ASCII as SQLite's own NOCASE does.
int compareNoCase(void *, int n1, const void *p1, int n2, const void *p2)
{
    const auto *a = static_cast<const unsigned char *>(p1);
    const auto *b = static_cast<const unsigned char *>(p2);
    bool ascii = true;
    for (int i = 0; i < n1 && ascii; ++i)
        ascii = a[i] < 0x80;
    for (int i = 0; i < n2 && ascii; ++i)
        ascii = b[i] < 0x80;
    if (ascii) {
        const int r = sqlite3_strnicmp(reinterpret_cast<const char *>(a), reinterpret_cast<const char *>(b), qMin(n1, n2));
        return r != 0 ? r : n1 - n2;
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(a), n1)
        .compare(QString::fromUtf8(reinterpret_cast<const char *>(b), n2), Qt::CaseInsensitive);
}

// LIKE with "%" and "_" and an optional escape character, without regard to letter case.
bool likeMatch(const QString &p, int pi, const QString &t, int ti, QChar escape)
{
    while (pi < p.size()) {
        const QChar c = p[pi];
        if (c == escape && pi + 1 < p.size()) {
            if (ti >= t.size() || t[ti] != p[pi + 1])
                return false;
            pi += 2;
            ++ti;
        } else if (c == QLatin1Char('%')) {
            while (pi < p.size() && p[pi] == QLatin1Char('%'))
                ++pi;
            if (pi == p.size())
                return true;
            for (int k = ti; k <= t.size(); ++k)
                if (likeMatch(p, pi, t, k, escape))
                    return true;
            return false;
        } else {
            if (ti >= t.size() || (c != QLatin1Char('_') && c != t[ti]))
                return false;
            ++pi;
            ++ti;
        }
    }
    return ti == t.size();
}

void likeFn(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto text = [](sqlite3_value *v) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v))
            .toCaseFolded();
    };
    QChar escape;
    if (argc == 3) {
        const QString e = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[2])));
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e[0];
    }
    // like(pattern, text[, escape]) is how SQLite calls the operator "text LIKE pattern".
    sqlite3_result_int(ctx, likeMatch(text(argv[0]), 0, text(argv[1]), 0, escape) ? 1 : 0);
}

void yearFn(sqlite3_context *c, int n, sqlite3_value **v) { datePart(c, n, v, 0, 4); }
void monthFn(sqlite3_context *c, int n, sqlite3_value **v) { datePart(c, n, v, 5, 2); }
void dayFn(sqlite3_context *c, int n, sqlite3_value **v) { datePart(c, n, v, 8, 2); }

} // namespace

Connection::Connection(QObject *parent)
    : QObject(parent),
      m_name(QStringLiteral("tessaly-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

Connection::~Connection()
{
    close();
    QSqlDatabase::removeDatabase(m_name);
}

bool Connection::isServerLocation(const QString &location)
{
    return location.trimmed().startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.trimmed().startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString Connection::normalise(const QString &location)
{
    if (isServerLocation(location))
        return location.trimmed();
    QString p = location;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

void Connection::open(const QString &location)
{
    openUnchecked(location);
    try {
        checkStore();
    } catch (...) {
        close();
        throw;
    }
    Q_EMIT opened();
}

void Connection::openUnchecked(const QString &location)
{
    close();
    const QString loc = normalise(location);
    if (loc.trimmed().isEmpty())
        throw StoreError(QStringLiteral("未指定数据库文件。"), StoreError::Kind::Connection);
    try {
        if (isServerLocation(loc))
            openPostgres(loc);
        else
            openSqlite(loc);
        m_location = loc;
    } catch (...) {
        close();
        throw;
    }
}

void Connection::openSqlite(const QString &path)
{
    m_engine = Engine::SQLite;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw StoreError(QStringLiteral("找不到数据库文件“%1”。").arg(path),
                         StoreError::Kind::Connection);
    forget();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(info.absoluteFilePath());
    // A writer waits for another seat's write instead of failing at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    if (!db.open())
        throw StoreError(db.lastError().text(), StoreError::Kind::Connection);
    // WAL lets readers go on while a seat writes; FULL makes every commit durable.
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=FULL"));
    if (sqlite3 *h = sqliteHandle()) {
        sqlite3_create_function(h, "year", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, yearFn,
                                nullptr, nullptr);
        sqlite3_create_function(h, "month", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                monthFn, nullptr, nullptr);
        sqlite3_create_function(h, "day", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, dayFn,
                                nullptr, nullptr);
        sqlite3_create_collation_v2(h, "NOCASE", SQLITE_UTF8, nullptr, compareNoCase, nullptr);
        for (int args : {2, 3})
            sqlite3_create_function(h, "like", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, likeFn, nullptr,
                                    nullptr);
    }
}

ServerAddress ServerAddress::parse(const QString &uri)
{
    const QUrl url(uri.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        throw StoreError(QStringLiteral("数据库服务器地址无效：%1").arg(uri),
                         StoreError::Kind::Connection);
    ServerAddress a;
    a.host = url.host();
    a.port = url.port(5432);
    a.user = url.userName();
    a.password = url.password();
    a.database = url.path().mid(1);
    if (a.database.isEmpty())
        a.database = QStringLiteral("tessaly");
    return a;
}

QString ServerAddress::uri() const
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setHost(host);
    url.setPort(port);
    url.setUserName(user);
    url.setPassword(password);
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

void Connection::openPostgres(const QString &uri)
{
    m_engine = Engine::PostgreSQL;
    const ServerAddress a = ServerAddress::parse(uri);
    forget();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    db.setHostName(a.host);
    db.setPort(a.port);
    db.setUserName(a.user);
    db.setPassword(a.password);
    db.setDatabaseName(a.database);
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    if (!db.open())
        throw StoreError(db.lastError().text(), StoreError::Kind::Connection);
    exec(QStringLiteral("SET client_min_messages TO warning"));
}

void Connection::checkStore()
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT Value FROM %1 WHERE Name = 'format'")
                            .arg(QLatin1String(Schema::InfoTable));
    if (!q.exec(sql) || !q.next() || q.value(0).toString() != QLatin1String("tessaly")) {
        const QString detail = q.lastError().isValid() ? q.lastError().databaseText() : QString();
        throw StoreError(QStringLiteral("“%1”不是本系统的数据库。%2")
                             .arg(m_location.isEmpty() ? database().databaseName() : m_location,
                                  detail),
                         StoreError::Kind::NotAStore);
    }
}

void Connection::forget()
{
    // A connection opened again registers its name afresh (the driver may change).
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

void Connection::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (db.isOpen()) {
        Q_EMIT aboutToClose();
        db.close();
    }
    m_txDepth = 0;
}

bool Connection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase Connection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

void Connection::checkFile() const
{
    // SQLite goes on writing through an open handle to a data file that was moved or
    // deleted, where no other seat will ever see it: refuse instead.
    if (sqlite3 *h = sqliteHandle()) {
        int moved = 0;
        if (sqlite3_file_control(h, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
            throw StoreError(QStringLiteral("数据库文件“%1”已被移动或删除，请检查后重新连接。").arg(m_location),
                             StoreError::Kind::Connection);
    }
}

QSqlQuery Connection::exec(const QString &sql, const QVariantList &values)
{
    if (!isOpen())
        throw StoreError(QStringLiteral("数据库连接已关闭。"), StoreError::Kind::Connection);
    checkFile();
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble); // money and numbers as double
    if (values.isEmpty()) {
        // Statements without values run unprepared: PostgreSQL prepares no DDL or SET.
        if (!q.exec(sql))
            throw StoreError::fromSql(q.lastError());
        return q;
    }
    if (!q.prepare(sql))
        throw StoreError::fromSql(q.lastError());
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw StoreError::fromSql(q.lastError());
    return q;
}

QSqlQuery Connection::execNamed(const QString &sql, const QVariantMap &values)
{
    static const bool trace = qEnvironmentVariableIsSet("TESSALY_TRACE_SQL");
    if (trace)
        qDebug().noquote() << "SQL:" << sql << values;
    if (!isOpen())
        throw StoreError(QStringLiteral("数据库连接已关闭。"), StoreError::Kind::Connection);
    if (values.isEmpty())
        return exec(sql);
    checkFile();
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble); // money and numbers as double
    if (!q.prepare(sql))
        throw StoreError::fromSql(q.lastError());
    for (auto it = values.begin(); it != values.end(); ++it)
        q.bindValue(QLatin1Char(':') + it.key(), it.value());
    if (!q.exec())
        throw StoreError::fromSql(q.lastError());
    return q;
}

QVariant Connection::scalar(const QString &sql, const QVariantList &values)
{
    QSqlQuery q = exec(sql, values);
    return q.next() ? q.value(0) : QVariant();
}

void Connection::transaction(const std::function<void()> &work)
{
    if (m_txDepth > 0) { // nested: part of the outer unit
        work();
        return;
    }
    if (m_engine == Engine::SQLite)
        exec(QStringLiteral("BEGIN IMMEDIATE"));
    else
        exec(QStringLiteral("BEGIN"));
    ++m_txDepth;
    try {
        work();
        exec(QStringLiteral("COMMIT"));
        m_txDepth = 0;
    } catch (...) {
        m_txDepth = 0;
        QSqlQuery rollback(database());
        rollback.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

sqlite3 *Connection::sqliteHandle() const
{
    if (m_engine != Engine::SQLite || !isOpen())
        return nullptr;
    const QVariant v = database().driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3 *const *>(v.constData());
    return nullptr;
}

} // namespace store
