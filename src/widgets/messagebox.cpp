#include "messagebox.h"

#include <QApplication>
#include <QTextStream>
#include <QWidget>

namespace {
struct Script
{
    bool on = qEnvironmentVariableIsSet("TESSALY_SCRIPTED_MESSAGES");
    QList<MessageBox::Button> answers;
    QList<MessageBox::Shown> history;
};
Script &script()
{
    static Script s;
    return s;
}
} // namespace

MessageBox::Button MessageBox::show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text, Buttons buttons, Button defaultButton)
{
    Script &s = script();
    s.history.append({title, icon, text, buttons, defaultButton});
    if (s.on) {
        QTextStream(stderr) << title << ": " << text << '\n';
        if (!s.answers.isEmpty())
            return s.answers.takeFirst();
        return defaultButton != QMessageBox::NoButton ? defaultButton : QMessageBox::Ok;
    }
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return static_cast<Button>(box.exec());
}

void MessageBox::warning(QWidget *parent, const QString &text, const QString &title)
{
    show(parent, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBox::information(QWidget *parent, const QString &text, const QString &title)
{
    show(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBox::critical(QWidget *parent, const QString &text, const QString &title)
{
    show(parent, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBox::confirm(QWidget *parent, const QString &text, QMessageBox::Icon icon, const QString &title)
{
    return show(parent, icon, title, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

bool MessageBox::question(QWidget *parent, const QString &text, const QString &title,
                          Button defaultButton)
{
    return show(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                defaultButton) == QMessageBox::Yes;
}

void MessageBox::setScripted(bool on) { script().on = on; }
bool MessageBox::isScripted() { return script().on; }
void MessageBox::setNextAnswer(Button answer) { script().answers.append(answer); }
QList<MessageBox::Shown> &MessageBox::history() { return script().history; }
MessageBox::Shown MessageBox::last()
{
    return script().history.isEmpty() ? Shown{} : script().history.last();
}
void MessageBox::clearHistory()
{
    script().history.clear();
    script().answers.clear();
}
