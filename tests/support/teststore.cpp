#include "teststore.h"

#include "newstore.h"
#include "serverfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QTest>
#include <QUuid>

namespace testsupport {

namespace {

QString serverUri() { return qEnvironmentVariable("TESSALY_TEST_PG"); }

QString createServerDatabase()
{
    store::ServerAddress admin = store::ServerAddress::parse(serverUri());
    const QString name = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    store::Connection c;
    c.openUnchecked(admin.uri());
    c.exec(QStringLiteral("CREATE DATABASE %1").arg(name));
    admin.database = name;
    return admin.uri();
}

void dropServerDatabase(const QString &uri)
{
    store::ServerAddress a = store::ServerAddress::parse(uri);
    const QString name = a.database;
    a.database = store::ServerAddress::parse(serverUri()).database;
    try {
        store::Connection c;
        c.openUnchecked(a.uri());
        c.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    } catch (...) {
        // The server may already be gone at the end of the run; nothing to clean then.
    }
}

} // namespace

QStringList engines()
{
    QStringList e{QStringLiteral("sqlite")};
    if (!serverUri().isEmpty())
        e << QStringLiteral("postgresql");
    return e;
}

void addEngineRows()
{
    QTest::addColumn<QString>("engine");
    for (const QString &e : engines())
        QTest::newRow(qPrintable(e)) << e;
}

TempStore::TempStore(const QString &engine) : m_engine(engine)
{
    m_appDir = m_dir.path() + QLatin1Char('/');
    if (isServer()) {
        m_location = createServerDatabase();
        m_serverDatabases << m_location;
    } else {
        m_location = m_appDir + QStringLiteral("Data/KTA30.wdb");
    }
    store::NewStore::create(m_location);
    store::ServerFile::write(m_appDir, m_location);
}

TempStore::~TempStore()
{
    for (const QString &uri : m_serverDatabases)
        dropServerDatabase(uri);
}

std::unique_ptr<store::Connection> TempStore::connect() const
{
    auto c = std::make_unique<store::Connection>();
    c->open(m_location);
    return c;
}

QString TempStore::spareServerLocation()
{
    const QString uri = createServerDatabase();
    m_serverDatabases << uri;
    return uri;
}

void untilIdle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

QString binary(const QString &name)
{
    QString dir = qEnvironmentVariable("TESSALY_BIN");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    return QDir(dir).filePath(name);
}

} // namespace testsupport
