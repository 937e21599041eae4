#pragma once

#include "datamodule.h"
#include "teststore.h"

#include <QList>
#include <QString>
#include <memory>

class MainWindow;
class QTabWidget;
class QWidget;

// The whole program as a user meets it: a fresh store holding a small sample book, the
// administrator signed in, the main window with every module, shown and active.
class Desktop
{
  public:
    Desktop();
    ~Desktop();

    // Runs a main-window command as its menu entry would and returns what the host area shows.
    QWidget *open(const QString &command);
    // The page control of the module on view (its list and detail pages).
    QTabWidget *pages() const;

    // The modules of the main window, each by the command that shows it.
    static const QList<const char *> &modules();
    // The widgets inside `root` that Tab can reach now: shown, enabled and taking focus.
    static QList<QWidget *> focusable(QWidget *root);

    testsupport::TempStore store{QStringLiteral("sqlite")};
    store::DataModule dm;
    std::unique_ptr<MainWindow> main;
};
