#include "tessalyapplication.h"

#include "errordisplay.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>
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

bool TessalyApplication::useChineseTexts()
{
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    static QPointer<QTranslator> qt;
    if (qt)
        return true;
    auto *translator = new QTranslator(qApp);
    if (!translator->load(chinese, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    qt = translator;
    return true;
}
