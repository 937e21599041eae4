#pragma once

#include <QList>
#include <QString>
#include <QUrl>

class QWidget;

// Hands addresses, files and folders to the desktop's default programs and starts the small
// tools (calculator, calendar, system information). When no program on the machine takes an
// address or file (no browser, no mail program), a message says so. While message boxes are
// scripted nothing is launched: each call is only recorded, so tests can see what would have
// opened.
class DesktopServices
{
  public:
    enum class Kind { Url, File, Folder, Mail, Calculator, Calendar, SystemInfo };

    struct Call {
        Kind kind = Kind::Url;
        QString target; // the URL handed over ("mailto:..." for mail), or empty for a tool
    };

    static bool openUrl(const QUrl &url);
    // A web address as typed: "www.example.com" opens as "http://www.example.com".
    static bool openAddress(const QString &address);
    static bool openFile(const QString &path);
    static bool openFolder(const QString &path);
    // A new mail to `address` in the mail client ("mailto:" is added when missing).
    static bool sendMail(const QString &address);
    // A new mail with its subject and body filled in. Both are percent-encoded, so "&", "?",
    // "#" and line breaks (sent as CR LF) arrive as typed.
    static bool composeMail(const QString &address, const QString &subject, const QString &body);

    // The tools stay open beside the program; a second request raises the open one.
    static void showCalculator(QWidget *parent);
    static void showCalendar(QWidget *parent);
    static void showSystemInfo(QWidget *parent);

    static QUrl webUrl(const QString &address);
    static QUrl mailUrl(const QString &address);
    static QUrl mailUrl(const QString &address, const QString &subject, const QString &body);

    static QList<Call> &calls();
    static Call last();
    static void clearHistory();

  private:
    static bool launch(Kind kind, const QUrl &url);
};
