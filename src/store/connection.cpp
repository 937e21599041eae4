#include "connection.h"

#include "filesystems.h"
#include "sqlitefunctions.h"
#include "storeerror.h"

#include <QAtomicInt>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QThread>
#include <QUrlQuery>
#include <QtDebug>
#include <libpq-fe.h>
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
    stopWatch();
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
    m_location = loc; // named by the messages of a failed opening too
    try {
        if (isServerLocation(loc))
            openPostgres(loc);
        else
            openSqlite(loc);
        m_shouldBeOpen = true;
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
    checkLength(info.absoluteFilePath());
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
    noteSession();
}

void Connection::checkStore()
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT Value FROM %1 WHERE Name = 'format'")
                            .arg(QLatin1String(Schema::InfoTable));
    if (!q.exec(sql) || !q.next() || q.value(0).toString() != QLatin1String("tessaly")) {
        if (q.lastError().isValid() && StoreError::fromSql(q.lastError()).kind() == StoreError::Kind::Damaged)
            throw damaged(q.lastError().databaseText());
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
    stopWatch();
    m_lost = false;
    m_shouldBeOpen = false;
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
    requireConnection();
    checkFile();
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble); // money and numbers as double
    if (values.isEmpty()) {
        // Statements without values run unprepared: PostgreSQL prepares no DDL or SET.
        if (!q.exec(sql))
            throw failure(q.lastError());
        return q;
    }
    if (!q.prepare(sql))
        throw failure(q.lastError());
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw failure(q.lastError());
    return q;
}

// While the server is away, a statement is refused at once (or runs once the connection
// stands again); a connection this seat closed refuses it for good.
void Connection::requireConnection()
{
    // The driver closes a connection whose server went away while it read a result: that is
    // a break too, never this seat's doing.
    if (!m_lost && m_engine == Engine::PostgreSQL && m_shouldBeOpen && !isOpen())
        markLost();
    if (m_lost) {
        if (!reconnectNow())
            throw StoreError::connectionLoss();
    } else if (!isOpen()) {
        throw StoreError(QStringLiteral("数据库连接已关闭。"), StoreError::Kind::Connection);
    }
}

QSqlQuery Connection::execNamed(const QString &sql, const QVariantMap &values)
{
    static const bool trace = qEnvironmentVariableIsSet("TESSALY_TRACE_SQL");
    if (trace)
        qDebug().noquote() << "SQL:" << sql << values;
    if (values.isEmpty())
        return exec(sql);
    requireConnection();
    checkFile();
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble); // money and numbers as double
    if (!q.prepare(sql))
        throw failure(q.lastError());
    for (auto it = values.begin(); it != values.end(); ++it)
        q.bindValue(QLatin1Char(':') + it.key(), it.value());
    if (!q.exec())
        throw failure(q.lastError());
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
    const auto rollback = [this] {
        m_txDepth = 0;
        if (!m_lost) {
            QSqlQuery q(database());
            q.exec(QStringLiteral("ROLLBACK"));
        }
    };
    if (m_engine == Engine::SQLite)
        exec(QStringLiteral("BEGIN IMMEDIATE"));
    else
        exec(QStringLiteral("BEGIN"));
    ++m_txDepth;
    qint64 xid = 0;
    try {
        // The transaction's number, to ask the server afterwards whether it was committed
        // when the connection breaks as the COMMIT goes out.
        if (m_engine == Engine::PostgreSQL)
            xid = scalar(QStringLiteral("SELECT txid_current()")).toLongLong();
        work();
    } catch (...) {
        rollback();
        throw;
    }
    try {
        exec(QStringLiteral("COMMIT"));
        m_txDepth = 0;
    } catch (const StoreError &e) {
        rollback();
        if (e.isConnectionLoss() && xid > 0)
            throw StoreError::unsettled(xid);
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

// ---------------------------------------------------------------- lost and found

StoreError Connection::failure(const QSqlError &error)
{
    // Connection exceptions (class 08) and a server shutting down or starting (57P01-57P03)
    // end the session as surely as a socket found closed.
    const QString state = error.nativeErrorCode();
    const bool ended = state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
                       state == QLatin1String("57P02") || state == QLatin1String("57P03");
    if (m_engine == Engine::PostgreSQL && (m_lost || ended || serverGone())) {
        markLost();
        return StoreError::connectionLoss();
    }
    StoreError e = StoreError::fromSql(error);
    if (e.kind() == StoreError::Kind::Damaged)
        return damaged(e.text());
    return e;
}

StoreError Connection::damaged(const QString &why) const
{
    // The file goes along as the error's "column": what a restore would put back.
    return StoreError(QStringLiteral("数据库文件“%1”已损坏，无法使用：%2").arg(shownLocation(m_location), why),
                      StoreError::Kind::Damaged, QString(), m_location);
}

// A data file shorter than its own header says has lost its end: every read of the pages
// that are gone would fail, so it is refused at once.
void Connection::checkLength(const QString &path) const
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QByteArray h = f.read(100);
    if (h.size() < 100 || !h.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return; // SQLite itself says what this is
    const auto be32 = [&h](int at) {
        return quint32(quint8(h[at])) << 24 | quint32(quint8(h[at + 1])) << 16 | quint32(quint8(h[at + 2])) << 8 |
               quint32(quint8(h[at + 3]));
    };
    const quint32 raw = quint32(quint8(h[16])) << 8 | quint8(h[17]);
    const qint64 pageSize = raw == 1 ? 65536 : raw;
    // The page count is valid only while the change counter matches the "valid for" number.
    if (pageSize < 512 || be32(24) != be32(92))
        return;
    if (f.size() < qint64(be32(28)) * pageSize)
        throw damaged(QStringLiteral("文件只有 %1 字节，应有 %2 字节。").arg(f.size()).arg(qint64(be32(28)) * pageSize));
}

bool Connection::serverGone() const
{
    if (m_engine != Engine::PostgreSQL || !QSqlDatabase::contains(m_name))
        return false;
    if (!database().isOpen())
        return m_shouldBeOpen;
    const QVariant v = database().driver()->handle();
    // The driver names the handle by libpq's struct (pg_conn*).
    if (!v.isValid() || (qstrcmp(v.typeName(), "pg_conn*") != 0 && qstrcmp(v.typeName(), "PGconn*") != 0))
        return false;
    const PGconn *conn = *static_cast<PGconn *const *>(v.constData());
    return !conn || PQstatus(conn) == CONNECTION_BAD;
}

void Connection::markLost()
{
    if (m_lost)
        return;
    m_lost = true;
    m_txDepth = 0; // whatever was open ended with the session
    startWatch();
    Q_EMIT connectionLost();
}

bool Connection::reconnectNow()
{
    if (!m_lost)
        return true;
    if (!m_serverAnswers || !*m_serverAnswers)
        return false;
    QSqlDatabase db = database();
    db.close();
    if (!db.open()) {
        stopWatch(); // gone again: a new watch waits for it
        startWatch();
        return false;
    }
    m_lost = false;
    stopWatch();
    try {
        exec(QStringLiteral("SET client_min_messages TO warning"));
        endOldSession();
        noteSession();
    } catch (const StoreError &) {
        if (m_lost)
            return false; // gone again at once
    }
    Q_EMIT connectionRestored();
    return true;
}

// The server's own number for this seat's session, with the moment it began.
void Connection::noteSession()
{
    m_backendPid = 0;
    m_backendStart.clear();
    QSqlQuery q = exec(QStringLiteral("SELECT pid, backend_start::text FROM pg_stat_activity WHERE pid = pg_backend_pid()"));
    if (q.next()) {
        m_backendPid = q.value(0).toLongLong();
        m_backendStart = q.value(1).toString();
    }
}

// After a break in the network the server may still hold the seat's old session, in the
// middle of a transaction and with its row locks, until it notices the break. It is ended
// now, so that its locks go and its transaction is settled one way or the other; a session
// of another seat that got the same number after a restart is never touched.
void Connection::endOldSession()
{
    if (m_backendPid <= 0)
        return;
    exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE pid = ? AND backend_start::text = ?"),
         {m_backendPid, m_backendStart});
}

bool Connection::isCommitted(qint64 transaction)
{
    const QString status =
        scalar(QStringLiteral("SELECT txid_status(?::bigint)"), {transaction}).toString();
    if (status == QLatin1String("in progress"))
        throw StoreError(QStringLiteral("正在确认上一次保存是否完成，请稍后再试。"), StoreError::Kind::Connection);
    return status == QLatin1String("committed");
}

// The watcher asks the server every half second whether it takes connections again (from
// a thread of its own: an unreachable host can take seconds to refuse), and then has the
// connection opened again in the seat's own thread.
void Connection::startWatch()
{
    if (m_watch)
        return;
    ServerAddress a;
    try {
        a = ServerAddress::parse(m_location);
    } catch (const StoreError &) {
        return;
    }
    m_serverAnswers = std::make_shared<std::atomic<bool>>(false);
    m_stopWatch = std::make_shared<std::atomic<bool>>(false);
    auto answers = m_serverAnswers;
    auto stop = m_stopWatch;
    m_watch.reset(QThread::create([this, a, answers, stop] {
        const QByteArray host = a.host.toUtf8(), port = QByteArray::number(a.port),
                         database = a.database.toUtf8(), user = a.user.toUtf8(),
                         password = a.password.toUtf8();
        const char *const keys[] = {"host", "port", "dbname", "user", "password", "connect_timeout", nullptr};
        const char *const values[] = {host.constData(), port.constData(), database.constData(),
                                      user.isEmpty() ? nullptr : user.constData(),
                                      password.isEmpty() ? nullptr : password.constData(), "5", nullptr};
        while (!*stop) {
            if (PQpingParams(keys, values, 0) == PQPING_OK) {
                *answers = true;
                QMetaObject::invokeMethod(this, [this] { reconnectNow(); }, Qt::QueuedConnection);
                return;
            }
            for (int i = 0; i < 5 && !*stop; ++i)
                QThread::msleep(100);
        }
    }));
    m_watch->start();
}

void Connection::stopWatch()
{
    if (!m_watch)
        return;
    *m_stopWatch = true;
    m_watch->wait();
    m_watch.reset();
}

} // namespace store
