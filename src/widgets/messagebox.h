#pragma once

#include <QMessageBox>
#include <QString>
#include <QList>

class QWidget;

// Every message the program shows goes through here, so tests can read what was shown and
// queue the answers instead of a person clicking.
class MessageBox
{
public:
    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;

    struct Shown
    {
        QString title;
        QMessageBox::Icon icon;
        QString text;
        Buttons buttons;
        Button defaultButton;
    };

    static QString defaultTitle() { return QStringLiteral("系统提示"); }

    // Validation failures and refusals: warning icon, OK only.
    static void warning(QWidget *parent, const QString &text, const QString &title = defaultTitle());
    // Successes: information icon, OK only.
    static void information(QWidget *parent, const QString &text,
                            const QString &title = defaultTitle());
    // Store errors and other failures shown by the general error display.
    static void critical(QWidget *parent, const QString &text, const QString &title = defaultTitle());
    // Deletion confirmations: warning icon, OK and Cancel; true when OK. A few windows ask
    // with the question icon instead.
    static bool confirm(QWidget *parent, const QString &text, QMessageBox::Icon icon = QMessageBox::Warning,
                        const QString &title = defaultTitle());
    // Yes/No questions; true when Yes.
    static bool question(QWidget *parent, const QString &text, const QString &title = defaultTitle(),
                         Button defaultButton = QMessageBox::Yes);

    static Button show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                       const QString &text, Buttons buttons, Button defaultButton);

    // Test hooks. While scripted, no box is shown: each box takes the next queued answer, or
    // its default button when none is queued.
    static void setScripted(bool on);
    static bool isScripted();
    static void setNextAnswer(Button answer);
    static QList<Shown> &history();
    static Shown last();
    static void clearHistory();
};
