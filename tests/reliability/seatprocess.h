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
    // Rows of the other kinds (contact, item, referrer, plan, notice): kind -> id -> value.
    QHash<QString, QHash<QString, QString>> rows;
    // Their changes: kind -> id -> the value it set last, and how many it made of each kind.
    QHash<QString, QHash<QString, QString>> lastChanges;
    QHash<QString, QHash<QString, int>> kindChangeCount;
    int kindChanges = 0;
    int refused = 0;                         // saves refused with the message a user would see
    QList<std::pair<QString, QString>> moves; // (CustId, new owner) in the order handed over
    QStringList backups;                     // copies of the store it made
    int progress = 0;                        // the last step a long assignment reported
    int assigned = -1;                       // how many agents that assignment handed over
    QStringList errors;
    bool done = false;

    int rowsWritten() const
    {
        int n = int(logs.size() + agents.size() + records.size() + bumps.size()) + changes +
                kindChanges + int(moves.size());
        for (const auto &kind : rows)
            n += int(kind.size());
        return n;
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

    // An option before the seat's arguments, such as "--admin=USERS" or "--assign=USER".
    void setMode(const QString &option) { m_mode = option; }
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
    QString m_outFile, m_mode;
    std::unique_ptr<QProcess> m_process;
};
