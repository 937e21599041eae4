#include "desktopservices.h"

#include "calculatordialog.h"
#include "calendardialog.h"
#include "messagebox.h"
#include "systeminfodialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

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

// Said when no program on this machine takes what the user asked to open.
void refuse(DesktopServices::Kind kind, const QUrl &url)
{
    using Kind = DesktopServices::Kind;
    const QString shown =
        url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    QString text;
    if (kind == Kind::Mail || url.scheme() == QLatin1String("mailto"))
        text = QStringLiteral("对不起，本机没有安装邮件程序，无法新建发往“%1”的邮件！")
                   .arg(url.path());
    else if (kind == Kind::File)
        text = QStringLiteral("对不起，本机没有可以打开“%1”的程序！").arg(shown);
    else if (kind == Kind::Folder)
        text = QStringLiteral("对不起，本机没有可以打开文件夹“%1”的程序！").arg(shown);
    else
        text = QStringLiteral("对不起，本机没有安装浏览器，无法打开“%1”！").arg(shown);
    MessageBox::warning(QApplication::activeWindow(), text);
}

// xdg-open hands the address to the desktop's program for it and ends; it ends with an error
// when there is none. Its answer comes later, so the refusal is said when it ends.
void openWith(const QString &opener, DesktopServices::Kind kind, const QUrl &url)
{
    auto *process = new QProcess(qApp);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(process, &QProcess::finished, process,
                     [process, kind, url](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (status != QProcess::NormalExit || code != 0)
                             refuse(kind, url);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, kind, url](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         process->deleteLater();
                         refuse(kind, url);
                     });
    process->start(opener, {url.toString(QUrl::FullyEncoded)});
}

} // namespace

bool DesktopServices::launch(Kind kind, const QUrl &url)
{
    history().append({kind, url.toString()});
    if (MessageBox::isScripted())
        return url.isValid();
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        MessageBox::warning(QApplication::activeWindow(),
                            QStringLiteral("对不起，文件“%1”不存在！")
                                .arg(QDir::toNativeSeparators(url.toLocalFile())));
        return false;
    }
    if (const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        !opener.isEmpty()) {
        openWith(opener, kind, url);
        return true;
    }
    if (QDesktopServices::openUrl(url))
        return true;
    refuse(kind, url);
    return false;
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
