#include "connection.h"

#include "filesystems.h"
#include "sqlitefunctions.h"
#include "storeerror.h"

#include <QAtomicInt>
#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>
#include <QtDebug>
#include <sqlite3.h>

namespace store {

namespace {

QAtomicInt connectionCounter;

} // namespace

Connection::Connection(QObject *parent)
    : QObject(parent),
      m_name(QStringLiteral("tessaly-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

Connection::~Connection()
{
    try {
        close();
    } catch (const std::exception &e) {
        qWarning("%s", e.what());
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool Connection::isServerLocation(const QString &location)
{
    return location.trimmed().startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.trimmed().startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString Connection::shownLocation(const QString &location)
{
    // The password of a server address never reaches a message, a log row or a window.
    static const QRegularExpression password(QStringLiteral("^(\\s*postgres(?:ql)?://[^/@:]*):[^@/]*@"),
                                             QRegularExpression::CaseInsensitiveOption);
    QString shown = location;
    shown.replace(password, QStringLiteral("\\1@"));
    return shown;
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
    m_networkType.clear();
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
    SqliteFunctions::install(sqliteHandle());
    chooseJournal(info.absoluteFilePath());
    // FULL makes every commit durable.
    exec(QStringLiteral("PRAGMA synchronous=FULL"));
}

// WAL lets readers go on while a seat writes, but its shared memory coordinates only the
// seats of one machine. A data file on a network file system is therefore used with the
// rollback journal, and the store remembers it, so that a seat on the machine that holds
// the disk uses the rollback journal as well instead of turning the file back to WAL.
void Connection::chooseJournal(const QString &path)
{
    m_networkType = FileSystems::typeOf(path);
    if (!FileSystems::isNetworkType(m_networkType))
        m_networkType.clear();
    const QString info = QLatin1String(Schema::InfoTable);
    const bool ours =
        scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"), {info}).toInt() > 0;
    const bool remembered =
        ours && scalar(QStringLiteral("SELECT Value FROM %1 WHERE Name = 'journal'").arg(info)).toString() ==
                    QLatin1String("delete");
    if (m_networkType.isEmpty() && !remembered) {
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        return;
    }
    QString mode;
    try {
        mode = scalar(QStringLiteral("PRAGMA journal_mode=DELETE")).toString();
    } catch (const StoreError &) {
        // Another seat holds the file in WAL ("database is locked"): told below.
    }
    if (mode.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        throw StoreError(QStringLiteral("数据文件“%1”位于网络文件系统上，必须以回滚日志方式打开，但另一座席正以 WAL 方式使用它。"
                                        "请先关闭其他座席（包括数据文件所在计算机上的座席），再打开本座席。")
                             .arg(path),
                         StoreError::Kind::Connection);
    if (ours && !remembered)
        exec(QStringLiteral("INSERT INTO %1 (Name, Value) VALUES ('journal', 'delete')").arg(info));
}

ServerAddress ServerAddress::parse(const QString &uri)
{
    const QUrl url(uri.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        throw StoreError(QStringLiteral("数据库服务器地址无效：%1").arg(Connection::shownLocation(uri)),
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
                             .arg(m_location.isEmpty() ? database().databaseName() : shownLocation(m_location),
                                  detail),
                         StoreError::Kind::NotAStore);
    }
    q.finish();
    // A store of a newer format may hold rules this program does not know: left alone.
    QSqlQuery v(database());
    if (v.exec(QStringLiteral("SELECT Value FROM %1 WHERE Name = 'version'").arg(QLatin1String(Schema::InfoTable))) &&
        v.next() && v.value(0).toInt() > Schema::FormatVersion)
        throw StoreError(QStringLiteral("数据库“%1”由更新版本的程序建立（格式 %2），请使用新版本的程序打开。")
                             .arg(shownLocation(m_location), v.value(0).toString()),
                         StoreError::Kind::NotAStore);
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
            throw StoreError(QStringLiteral("数据库文件“%1”已被移动或删除，请检查后重新连接。").arg(shownLocation(m_location)),
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
