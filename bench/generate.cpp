// tessaly-gen: makes a new store and fills it with a realistic agent book for the benchmarks.
//
//   tessaly-gen LOCATION [--agents N] [--plans N] [--logs N]
//
// LOCATION is a path for a new SQLite store or the postgresql:// URI of an empty database.
// Each agent gets 3 contacts and 10 contact records with 2 detail items each; the schedule
// holds 2 entries and the log 20 rows per agent unless --plans / --logs say otherwise (so the
// default 100,000 agents give 200,000 schedule entries and 2,000,000 log rows).
// The same seed always gives the same book.
#include "connection.h"
#include "newstore.h"
#include "samplebook.h"
#include "schema.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

using store::Connection;
using store::StoreError;

namespace
{

int usage()
{
    std::fprintf(
        stderr,
        "usage: tessaly-gen LOCATION [--agents N] [--plans N] [--logs N]\n"
        "  LOCATION: a path for a new SQLite store, or postgresql://... of an empty database\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString location;
    qint64 agents = 100000, plans = -1, logs = -1;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        qint64 *target = a == QLatin1String("--agents")  ? &agents
                         : a == QLatin1String("--plans") ? &plans
                         : a == QLatin1String("--logs")  ? &logs
                                                         : nullptr;
        if (target) {
            bool ok = false;
            *target = i + 1 < args.size() ? args[++i].toLongLong(&ok) : 0;
            if (!ok || *target < 0)
                return usage();
        } else if (location.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            location = a;
        } else {
            return usage();
        }
    }
    if (location.isEmpty() || agents < 1 || agents > 9999999)
        return usage();
    if (plans < 0)
        plans = agents * 2;
    if (logs < 0)
        logs = agents * 20;

    location = Connection::normalise(location);
    const bool server = Connection::isServerLocation(location);
    // A file is filled under a working name and renamed at the end, so a run that stops
    // half-way never leaves something that looks like a finished store.
    const QString work = server ? location : location + QStringLiteral(".generating");
    try {
        QElapsedTimer total;
        total.start();
        if (!server) {
            if (QFileInfo::exists(location))
                throw StoreError(QStringLiteral("“%1”已存在，不会覆盖。").arg(location));
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(work + QLatin1String(suffix));
        }
        std::printf("tessaly-gen: %lld agents, %lld schedule entries, %lld log rows into %s\n",
                    static_cast<long long>(agents), static_cast<long long>(plans),
                    static_cast<long long>(logs),
                    qPrintable(server ? store::ServerAddress::parse(location).database : location));
        store::NewStore::create(work);
        {
            Connection db;
            db.open(work);
            if (db.engine() == store::Engine::SQLite) {
                // Only this connection: a bulk load needs no fsync per transaction, and a large
                // page cache keeps the indexes being built in memory.
                db.exec(QStringLiteral("PRAGMA synchronous=OFF"));
                db.exec(QStringLiteral("PRAGMA cache_size=-262144"));
            }
            store::SampleBook::Options book;
            book.agents = agents;
            book.plans = plans;
            book.logs = logs;
            store::SampleBook::fill(db, book);
            QElapsedTimer t;
            t.start();
            if (db.engine() == store::Engine::SQLite) {
                db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            } else {
                // What autovacuum would do shortly after a load this size: statistics and the
                // visibility map for index-only scans.
                db.exec(QStringLiteral("VACUUM ANALYZE"));
            }
            db.close();
            std::printf("%s in %.1f s\n", server ? "vacuum analyze" : "checkpoint",
                        double(t.elapsed()) / 1000.0);
        }
        if (!server) {
            for (const char *suffix : {"-wal", "-shm"})
                QFile::remove(work + QLatin1String(suffix));
            if (!QFile::rename(work, location))
                throw StoreError(QStringLiteral("无法把“%1”改名为“%2”。").arg(work, location));
        }
        Connection check; // the result must open as a store of ours
        check.open(location);
        const qint64 n =
            check.scalar(QStringLiteral("SELECT count(*) FROM tblCustomers")).toLongLong();
        std::printf("done: %lld agents, %.1f s in all\n", static_cast<long long>(n),
                    double(total.elapsed()) / 1000.0);
    } catch (const StoreError &e) {
        std::fprintf(stderr, "tessaly-gen: %s\n", qPrintable(e.text()));
        if (!server)
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(work + QLatin1String(suffix));
        return 1;
    }
    return 0;
}
