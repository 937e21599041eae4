#pragma once

#include "referrersfixture.h"

#include <QDate>

class MainWindow;
class SchedulePanel;

// A seat on a fresh store with the shipped layouts, and schedule entries, contacts and records
// made straight in the store.
class ScheduleFixture : public ReferrersFixture
{
  public:
    explicit ScheduleFixture(const QString &engine, const QString &user = QStringLiteral("Admin"));

    void addPlan(const QDate &date, const QString &address, const QString &custId = {},
                 const QVariantMap &more = {});
    void addContact(const QString &linkmanId, const QString &custId, const QString &owner);
    // Rows of a table whose column holds the value.
    int count(const QString &table, const QString &column, const QVariant &value);
    QString owner(const QString &table, const QString &codeColumn, const QString &code);
};

// The real main window on the fixture's seat after its first-show step, with the board and the
// work assignment attached, shown and active.
struct ShownMain {
    explicit ShownMain(ScheduleFixture &f);
    ~ShownMain();
    MainWindow *main;
};

// The schedule panel on its own, every entry listed as the module command lists them, shown
// and active.
struct ShownSchedulePanel {
    explicit ShownSchedulePanel(ScheduleFixture &f);
    ~ShownSchedulePanel();
    SchedulePanel *w;
};
