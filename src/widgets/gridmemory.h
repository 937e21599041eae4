#pragma once

#include "gridcolumn.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a user made of a list's grid: column widths, hidden columns, grouping and order. Kept
// per user and list in Data/GridLayouts.ini of the program directory, beside the other
// per-user memories, and brought back when the list is built again.
struct GridLayout {
    QList<GridColumn> columns; // widths and visibility by field; captions are the grid's own
    QStringList groups;
    QString sortField;
    bool descending = false;

    bool isEmpty() const { return columns.isEmpty() && groups.isEmpty() && sortField.isEmpty(); }
};

namespace GridMemory
{

QString file();
GridLayout load(const QString &user, const QString &list);
void save(const QString &user, const QString &list, const GridLayout &layout);
void forget(const QString &user, const QString &list);

} // namespace GridMemory
