#pragma once

#include <QString>
#include <exception>
#include <functional>

class QPushButton;
class QWidget;

// The general error display: one place per command where a store error (or any other
// failure) stops the command and its text is shown. The program keeps running, and a row
// being edited stays in editing, since nothing here touches the datasets.
class ErrorDisplay
{
  public:
    // Runs the command's work; false when it failed and its error was shown.
    static bool run(QWidget *parent, const std::function<void()> &work);

    // A push button whose click runs `work` through run(): the usual command button of a
    // window. It never acts as the default button, so Enter in a field does not press it.
    static QPushButton *commandButton(QWidget *parent, const char *objectName, const QString &text,
                                      std::function<void()> work);

    // Shows the exception being handled; call only inside a catch block.
    static void showCurrent(QWidget *parent);
    // The text shown for an exception: the store's own text for a store error.
    static QString textOf(const std::exception_ptr &error);
};
