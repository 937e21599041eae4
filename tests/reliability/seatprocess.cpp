#include "seatprocess.h"

#include <QDir>
#include <QFile>

SeatProcess::SeatProcess(const QString &location, const QString &user, const QString &password,
                         const QString &tag, double seconds, int maxRounds)
    : m_location(location), m_user(user), m_password(password), m_tag(tag), m_seconds(seconds),
      m_maxRounds(maxRounds)
{}

SeatProcess::~SeatProcess()
{
    if (isRunning()) {
        m_process->kill();
        m_process->waitForFinished(10000);
    }
}

QString SeatProcess::binary()
{
    return QStringLiteral(RELSEAT_BINARY);
}

void SeatProcess::start(const QString &outputDir)
{
    m_outFile = QDir(outputDir).filePath(m_tag + QStringLiteral(".out"));
    m_process = std::make_unique<QProcess>();
    m_process->setStandardOutputFile(m_outFile);
    m_process->setStandardErrorFile(m_outFile + QStringLiteral(".err"));
    QStringList args{m_location, m_user, m_password, m_tag, QString::number(m_seconds)};
    if (!m_mode.isEmpty())
        args.prepend(m_mode);
    if (m_maxRounds > 0)
        args << QString::number(m_maxRounds);
    m_process->start(binary(), args);
    m_process->waitForStarted(10000);
}

bool SeatProcess::waitForFinished(int msecs)
{
    return !m_process || m_process->state() == QProcess::NotRunning ||
           m_process->waitForFinished(msecs);
}

void SeatProcess::kill()
{
    if (isRunning()) {
        m_process->kill();
        m_process->waitForFinished(10000);
    }
}

bool SeatProcess::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

int SeatProcess::exitCode() const
{
    return m_process ? m_process->exitCode() : -1;
}

bool SeatProcess::crashed() const
{
    return m_process && m_process->exitStatus() == QProcess::CrashExit;
}

QStringList SeatProcess::lines() const
{
    QFile f(m_outFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray all = f.readAll();
    // A seat killed while printing may leave half a line; only whole lines count.
    const qsizetype end = all.lastIndexOf('\n');
    all = end < 0 ? QByteArray() : all.left(end);
    if (all.isEmpty())
        return {};
    return QString::fromUtf8(all).split(QLatin1Char('\n'));
}

QString SeatProcess::standardError() const
{
    QFile f(m_outFile + QStringLiteral(".err"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

namespace
{
bool kindOfRow(const QString &kind)
{
    static const QStringList kinds{QStringLiteral("contact"), QStringLiteral("item"),
                                   QStringLiteral("referrer"), QStringLiteral("plan"),
                                   QStringLiteral("notice")};
    return kinds.contains(kind);
}
} // namespace

SeatReport SeatProcess::report() const
{
    SeatReport r;
    r.tag = m_tag;
    r.user = m_user;
    for (const QString &line : lines()) {
        const qsizetype gap = line.indexOf(QLatin1Char(' '));
        const QString kind = gap < 0 ? line : line.left(gap);
        const QString rest = gap < 0 ? QString() : line.mid(gap + 1);
        const QStringList parts = rest.split(QLatin1Char(' '));
        if (kind == QLatin1String("log")) {
            r.logs << rest;
        } else if (kind == QLatin1String("agent") && parts.size() == 2) {
            r.agents.insert(parts[0], parts[1]);
        } else if (kind == QLatin1String("change") && parts.size() == 2) {
            r.lastChange.insert(parts[0], parts[1]);
            ++r.changeCount[parts[0]];
            ++r.changes;
        } else if (kind == QLatin1String("record") && parts.size() == 2) {
            r.records.insert(parts[0], parts[1]);
        } else if (kind == QLatin1String("bump") && parts.size() == 1) {
            r.bumps << parts[0].toInt();
        } else if (kind == QLatin1String("conflict")) {
            ++r.conflicts;
        } else if (kind == QLatin1String("refused") && parts.size() == 2) {
            ++r.refused;
        } else if (kind == QLatin1String("move") && parts.size() == 2) {
            r.moves.append({parts[0], parts[1]});
        } else if (kind == QLatin1String("backup")) {
            r.backups << rest;
        } else if (kind == QLatin1String("progress") && parts.size() == 2) {
            r.progress = parts[0].toInt();
        } else if (kind == QLatin1String("assigned") && parts.size() == 1) {
            r.assigned = parts[0].toInt();
        } else if (kindOfRow(kind) && parts.size() == 2) {
            r.rows[kind].insert(parts[0], parts[1]);
        } else if (kind.endsWith(QLatin1String("-change")) && kindOfRow(kind.chopped(7)) &&
                   parts.size() == 2) {
            const QString of = kind.chopped(7);
            r.lastChanges[of].insert(parts[0], parts[1]);
            ++r.kindChangeCount[of][parts[0]];
            ++r.kindChanges;
        } else if (kind == QLatin1String("done")) {
            r.done = true;
        } else {
            r.errors << line; // "error ..." or anything the seat should not have printed
        }
    }
    return r;
}
