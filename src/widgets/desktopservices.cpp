#include "desktopservices.h"

#include "calculatordialog.h"
#include "calendardialog.h"
#include "messagebox.h"
#include "systeminfodialog.h"

#include <QDesktopServices>
#include <QPointer>

namespace
{
QList<DesktopServices::Call> &history()
{
    static QList<DesktopServices::Call> h;
    return h;
}

// One window per tool: a second request brings the open one to the front.
template <typename Dialog> void showTool(QPointer<QDialog> &open, QWidget *parent)
{
    if (!open) {
        open = new Dialog(parent);
        open->setAttribute(Qt::WA_DeleteOnClose);
    }
    open->show();
    open->raise();
    open->activateWindow();
}

void tool(DesktopServices::Kind kind, QWidget *parent)
{
    history().append({kind, {}});
    if (MessageBox::isScripted())
        return;
    static QPointer<QDialog> calculator, calendar, info;
    switch (kind) {
    case DesktopServices::Kind::Calculator:
        showTool<CalculatorDialog>(calculator, parent);
        break;
    case DesktopServices::Kind::Calendar:
        showTool<CalendarDialog>(calendar, parent);
        break;
    case DesktopServices::Kind::SystemInfo:
        showTool<SystemInfoDialog>(info, parent);
        break;
    default:
        break;
    }
}
} // namespace

bool DesktopServices::launch(Kind kind, const QUrl &url)
{
    history().append({kind, url.toString()});
    if (MessageBox::isScripted())
        return url.isValid();
    return QDesktopServices::openUrl(url);
}

bool DesktopServices::openUrl(const QUrl &url)
{
    return launch(Kind::Url, url);
}

bool DesktopServices::openAddress(const QString &address)
{
    return launch(Kind::Url, webUrl(address));
}

bool DesktopServices::openFile(const QString &path)
{
    return launch(Kind::File, QUrl::fromLocalFile(path));
}

bool DesktopServices::openFolder(const QString &path)
{
    return launch(Kind::Folder, QUrl::fromLocalFile(path));
}

bool DesktopServices::sendMail(const QString &address)
{
    return launch(Kind::Mail, mailUrl(address));
}

bool DesktopServices::composeMail(const QString &address, const QString &subject, const QString &body)
{
    return launch(Kind::Mail, mailUrl(address, subject, body));
}

void DesktopServices::showCalculator(QWidget *parent)
{
    tool(Kind::Calculator, parent);
}
void DesktopServices::showCalendar(QWidget *parent)
{
    tool(Kind::Calendar, parent);
}
void DesktopServices::showSystemInfo(QWidget *parent)
{
    tool(Kind::SystemInfo, parent);
}

QUrl DesktopServices::webUrl(const QString &address)
{
    const QString a = address.trimmed();
    if (a.contains(QLatin1String("://")) ||
        a.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        return QUrl(a);
    return QUrl(QStringLiteral("http://") + a);
}

QUrl DesktopServices::mailUrl(const QString &address)
{
    const QString a = address.trimmed();
    if (a.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        return QUrl(a);
    return QUrl(QStringLiteral("mailto:") + a);
}

QUrl DesktopServices::mailUrl(const QString &address, const QString &subject, const QString &body)
{
    QString lines = body;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QByteArray encoded = "mailto:" + QUrl::toPercentEncoding(address.trimmed(), "@") + "?subject=" +
                               QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(lines);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

QList<DesktopServices::Call> &DesktopServices::calls()
{
    return history();
}
DesktopServices::Call DesktopServices::last()
{
    return history().isEmpty() ? Call{} : history().constLast();
}
void DesktopServices::clearHistory()
{
    history().clear();
}
