#include "gridmemory.h"

#include "session.h"

#include <QSettings>

namespace GridMemory
{

QString file()
{
    return store::session().AppDir + QStringLiteral("Data/GridLayouts.ini");
}

GridLayout load(const QString &user, const QString &list)
{
    QSettings settings(file(), QSettings::IniFormat);
    settings.beginGroup(store::userGroup(user, list));
    GridLayout out;
    // One "field<TAB>width<TAB>shown" a column.
    for (const QString &line : settings.value(QStringLiteral("columns")).toStringList()) {
        const QStringList parts = line.split(QLatin1Char('\t'));
        bool ok = false;
        const int width = parts.value(1).toInt(&ok);
        if (parts.size() == 3 && !parts[0].isEmpty() && ok && width > 0)
            out.columns.append({parts[0], QString(), width, parts[2] != QLatin1String("0")});
    }
    out.groups = settings.value(QStringLiteral("groups")).toStringList();
    out.sortField = settings.value(QStringLiteral("sort")).toString();
    out.descending = settings.value(QStringLiteral("descending")).toBool();
    return out;
}

void save(const QString &user, const QString &list, const GridLayout &layout)
{
    QSettings settings(file(), QSettings::IniFormat);
    settings.beginGroup(store::userGroup(user, list));
    QStringList columns;
    for (const GridColumn &c : layout.columns)
        columns << c.field + QLatin1Char('\t') + QString::number(c.width) + QLatin1Char('\t') +
                       QLatin1Char(c.visible ? '1' : '0');
    settings.setValue(QStringLiteral("columns"), columns);
    settings.setValue(QStringLiteral("groups"), layout.groups);
    settings.setValue(QStringLiteral("sort"), layout.sortField);
    settings.setValue(QStringLiteral("descending"), layout.descending);
    settings.sync();
}

void forget(const QString &user, const QString &list)
{
    QSettings settings(file(), QSettings::IniFormat);
    settings.remove(store::userGroup(user, list));
    settings.sync();
}

} // namespace GridMemory
