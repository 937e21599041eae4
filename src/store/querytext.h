#pragma once

#include "schema.h"

#include <QSet>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace store {

// The query dialect the windows write: "delete * from" is "delete from" elsewhere.
QString dialect(const QString &sql);

// The names of the :named parameters a query text uses.
QSet<QString> placeholderNames(const QString &sql);

// The query text with each :name placeholder renamed :<prefix>name.
QString renamePlaceholders(const QString &sql, const QString &prefix);

// Adds to `values` the parameters a query text uses, dates as the engine stores them.
void bindPlaceholders(const QString &sql, const QVariantMap &params, Engine engine,
                      QVariantMap &values);

// A query text of the form "select * from <table> [where ...] [order by ...]": a cursor over
// that table, read lazily and editable. Anything else is read whole and only shown.
struct SingleTableQuery
{
    const Table *table = nullptr; // null when the text is not of that form
    QString where, order;
};
SingleTableQuery parseSingleTable(const QString &sql);

// A key as texts compare in the store: without letter case.
QString lowerKey(const QVariant &v);

} // namespace store
