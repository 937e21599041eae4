#pragma once

// What the benchmark programs share: timing, the median of runs, the process's memory and the
// machine's load, which every table of figures is printed with.
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace bench
{

// Time of one call in milliseconds.
inline double timed(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// A line of /proc/self/status in kB (VmHWM: the peak resident set so far; VmRSS: now).
inline qint64 statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// The 1, 5 and 15 minute load averages of the machine.
inline QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2);
}

} // namespace bench
