#include "tessalyapplication.h"

#include "errordisplay.h"

#include <QWidget>

TessalyApplication::TessalyApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TessalyApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        QWidget *parent = activeModalWidget();
        if (!parent)
            parent = activeWindow();
        ErrorDisplay::showCurrent(parent);
        return false;
    }
}
