// A server that asks for a password: the address in "Server.txt" may leave it out, and the
// seat finds it where PostgreSQL's own tools look (PGPASSWORD, the password file). Whatever
// fails, no message shows the password.
#include "connection.h"
#include "newstore.h"
#include "pgcluster.h"
#include "storeerror.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace store;

namespace {

const QString Secret = QStringLiteral("geheim-42");

QString openError(const QString &location)
{
    Connection db;
    try {
        db.open(location);
    } catch (const StoreError &e) {
        return e.text().isEmpty() ? QStringLiteral("?") : e.text();
    }
    return {};
}

} // namespace

class TestServerPassword : public QObject
{
    Q_OBJECT

    PgCluster m_server;
    QTemporaryDir m_dir;

    static void withoutPasswordSources(const QString &nowhere)
    {
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", nowhere.toLocal8Bit()); // not the user's own ~/.pgpass
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (PgCluster::binDir().isEmpty())
            QSKIP("TESSALY_PG_BINDIR names no PostgreSQL server");
        QVERIFY2(m_server.init(Secret), qPrintable(m_server.error()));
        qputenv("PGPASSWORD", Secret.toUtf8());
        Connection admin;
        admin.openUnchecked(m_server.uri(QStringLiteral("postgres")));
        admin.exec(QStringLiteral("CREATE DATABASE crm"));
        NewStore::create(m_server.uri(QStringLiteral("crm")));
        withoutPasswordSources(m_dir.path() + QStringLiteral("/none"));
    }

    void addressWithoutPasswordUsesTheStandardPlaces()
    {
        const QString address = m_server.uri(QStringLiteral("crm"));
        QVERIFY(!address.contains(Secret));
        QVERIFY(!openError(address).isEmpty()); // nothing tells the password: refused

        qputenv("PGPASSWORD", Secret.toUtf8());
        QCOMPARE(openError(address), QString());
        qunsetenv("PGPASSWORD");

        const QString file = m_dir.path() + QStringLiteral("/pgpass");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("127.0.0.1:%1:*:tessaly:%2\n").arg(m_server.port()).arg(Secret).toUtf8());
        f.close();
        QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)); // libpq insists
        qputenv("PGPASSFILE", file.toLocal8Bit());
        QCOMPARE(openError(address), QString());
        withoutPasswordSources(m_dir.path() + QStringLiteral("/none"));
    }

    void passwordNeverAppearsInAnError()
    {
        QString address = m_server.uri(QStringLiteral("crm"));
        address.replace(QStringLiteral("tessaly@"), QStringLiteral("tessaly:") + Secret + QLatin1Char('@'));
        QCOMPARE(openError(address), QString()); // the address may still carry it

        const QString base = QStringLiteral("postgresql://tessaly:%1@127.0.0.1:%2/").arg(Secret).arg(m_server.port());
        for (const QString &wrong : QStringList{base + QStringLiteral("nosuchdb"),
                                     QStringLiteral("postgresql://tessaly:%1@127.0.0.1:%2/crm").arg(Secret + QStringLiteral("x")).arg(m_server.port()),
                                     QStringLiteral("postgresql://tessaly:%1@127.0.0.1:notaport/crm").arg(Secret),
                                     base + QStringLiteral("postgres")}) { // no store of ours
            const QString text = openError(wrong);
            QVERIFY2(!text.isEmpty(), qPrintable(Connection::shownLocation(wrong)));
            QVERIFY2(!text.contains(Secret), qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestServerPassword)
#include "tst_serverpassword.moc"
