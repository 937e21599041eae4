#pragma once

#include "dataset.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

// The right test over the rows of tblUserRight as the dataset holds them: a user holds a right
// when a row with that UserID (without letter case) and RightID exists; a record command also
// needs the row's flag (Insert, Modify, Delete, Query, Print). The first matching row decides.
//
// Command enabling asks this at every idle moment, so the rows are read once into a table by
// (user, right) and read again only after the dataset's rows change.
class Rights : public QObject
{
    Q_OBJECT
  public:
    explicit Rights(store::Dataset *userRights = nullptr, QObject *parent = nullptr);

    void setDataset(store::Dataset *userRights);
    store::Dataset *dataset() const { return m_dataset; }

    // The test for the signed-in user (session CurrentUserID). An empty flag asks only for
    // the row; an unknown flag is never held.
    bool allows(const QString &rightId, const QString &flag = {}) const;
    bool allows(const QString &userId, const QString &rightId, const QString &flag) const;

    // Drops the table of rows; the next test reads them again.
    void invalidate() { m_valid = false; }
    // How many times the rows were read: lets a test see that idle tests reuse them.
    int loads() const { return m_loads; }

  private:
    void load() const;

    QPointer<store::Dataset> m_dataset;
    mutable QHash<QString, unsigned> m_rows; // "user\x1fright" -> flag bits, Held always set
    mutable bool m_valid = false;
    mutable int m_loads = 0;
};
