#pragma once

#include "connection.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

// "sqlite" always, and "postgresql" when TESSALY_TEST_PG names a server.
QStringList engines();
// Adds an "engine" column with one row per engine to a Qt Test data table.
void addEngineRows();

// A fresh program directory with a new store: a SQLite file at Data/KTA30.wdb, or a new
// database on the test server. "Server.txt" names it. The server database is dropped after.
class TempStore
{
public:
    explicit TempStore(const QString &engine);
    ~TempStore();
    TempStore(const TempStore &) = delete;
    TempStore &operator=(const TempStore &) = delete;

    QString appDir() const { return m_appDir; }
    QString location() const { return m_location; }
    QString engine() const { return m_engine; }
    bool isServer() const { return m_engine == QLatin1String("postgresql"); }

    // A new connection to the store, as another seat would hold.
    std::unique_ptr<store::Connection> connect() const;

    // A database name on the test server that does not exist yet (dropped with this store).
    QString spareServerLocation();

private:
    QTemporaryDir m_dir;
    QString m_engine;
    QString m_appDir;
    QString m_location;
    QStringList m_serverDatabases;
};

// Runs a real event loop for a moment, so the loop waits for events once: command enabling
// recomputes exactly then (QTRY_* only polls and never lets the loop wait).
void untilIdle(int milliseconds = 50);

// Path of a built program (the executable or a test helper) in the program directory.
QString binary(const QString &name);

} // namespace testsupport
