#pragma once

#include <QApplication>

// The program's application object. An exception that escapes an event handler (a store
// error in a slot run by a click) ends up here instead of ending the program: it is shown by
// the general error display and the event loop carries on.
class TessalyApplication : public QApplication
{
    Q_OBJECT
  public:
    TessalyApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Qt's own texts (the buttons of message boxes, the file and print dialogs) in Chinese,
    // and Chinese month and day names in the calendars. False when Qt's Chinese translation
    // is not installed: those texts then stay English.
    static bool useChineseTexts();
};
