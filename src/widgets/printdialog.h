#pragma once

#include <QList>
#include <QString>

class QPrinter;
class QWidget;

// The printer dialog in front of every print. Tests queue accept or reject; an accepted
// scripted dialog can send the output to a PDF file so the printed pages can be checked.
class PrintDialog
{
  public:
    struct Call {
        QString title;
        int fromPage = 0;
        int toPage = 0;
    };

    // True when the user chose to print; the printer then holds the chosen settings.
    static bool exec(QPrinter *printer, QWidget *parent,
                     const QString &title = QStringLiteral("打印"));

    // Test hooks: answers are taken in order; none queued is a reject.
    static void setNextAccept(const QString &pdfFile = {});
    static void setNextReject();
    static QList<Call> &calls();
    static void clearHistory();
};
