#pragma once

#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// What one relseat process said it stored, read back from its output.
struct SeatReport
{
    QString tag, user;
    QStringList logs;                   // log texts, in order
    QHash<QString, QString> agents;     // CustId -> CustName
    QHash<QString, QString> lastChange; // CustId -> the Address it set last
    QHash<QString, int> changeCount;    // CustId -> how many changes it reported
    int changes = 0;
    QHash<QString, QString> records; // OperateID -> CustID
    QList<int> bumps;                // values it raised the shared counter to
    int conflicts = 0;               // posts refused because another seat was first
    QStringList errors;
    bool done = false;

    int rowsWritten() const
    {
        return int(logs.size() + agents.size() + records.size() + bumps.size()) + changes;
    }
};

// A relseat process whose output goes to a file, so that many seats can run at once without
// anyone draining their pipes, and what a killed seat printed is still there to read.
class SeatProcess
{
public:
    SeatProcess(const QString &location, const QString &user, const QString &password,
                const QString &tag, double seconds, int maxRounds = 0);
    ~SeatProcess();

    void start(const QString &outputDir);
    bool waitForFinished(int msecs);
    void kill(); // SIGKILL, as a power cut or a task manager would end it
    bool isRunning() const;
    int exitCode() const;
    bool crashed() const;

    // Complete lines printed so far.
    QStringList lines() const;
    SeatReport report() const;
    QString tag() const { return m_tag; }
    QString user() const { return m_user; }
    QString standardError() const;

    static QString binary();

private:
    QString m_location, m_user, m_password, m_tag;
    double m_seconds;
    int m_maxRounds;
    QString m_outFile;
    std::unique_ptr<QProcess> m_process;
};
