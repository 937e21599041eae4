#pragma once

#include "schema.h"

#include <QDate>
#include <QSharedPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace store {

// A row filter built from typed parts. It becomes a WHERE text with named placeholders; no
// value ever becomes SQL text, so quotes, "%" and "_" in a value match literally.
class Condition
{
public:
    Condition() = default; // no condition: every row

    static Condition eq(const QString &column, const QVariant &value);
    static Condition ne(const QString &column, const QVariant &value);
    // The column contains the text (letter case ignored, as the store compares texts).
    static Condition like(const QString &column, const QString &text);
    static Condition startsWith(const QString &column, const QString &text);
    // The date part of a date column equals the day, or lies in the span (both ends included).
    static Condition dateEq(const QString &column, const QDate &day);
    static Condition dateBetween(const QString &column, const QDate &from, const QDate &to);
    // A date column holding one of the days of the span as a whole day: a value that carries
    // a time of day (other than midnight) is not one of them. The ends may come in either
    // order. One range over the column, however many days the span has.
    static Condition wholeDays(const QString &column, const QDate &from, const QDate &to);
    static Condition isEmpty(const QString &column); // null or empty text
    // The row's search text (SearchIndex) contains the text, normalized by the caller; with
    // `nameOnly`, its name's part does. `table` is the table the condition is read over.
    static Condition matches(const QString &table, const QString &text, bool nameOnly = false);
    // The column holds one of the values (no row for none).
    static Condition in(const QString &column, const QVariantList &values);
    // The column holds the `sourceKey` of a row of `sourceTable` for which `source` holds.
    static Condition inSource(const QString &column, const QString &sourceTable,
                              const QString &sourceKey, const Condition &source);

    Condition operator&&(const Condition &other) const;
    Condition operator||(const Condition &other) const;
    Condition operator!() const;

    bool isNull() const { return !m_node; }
    QStringList columns() const;

    // The WHERE text (without "WHERE"); placeholders are named `:<prefix><n>` and their
    // values are added to `values`. `counter` numbers placeholders across several conditions.
    // `listOrder`: the text selects the rows of a list read in the order of one of its indexes.
    // SQLite, which keeps no statistics of ranges, is then told that a span of days is wide, so
    // that it walks the order's index instead of sorting every row of the span.
    QString toSql(Engine engine, QVariantMap &values, int &counter,
                  const QString &prefix = QStringLiteral("c"), bool listOrder = false) const;

    // A readable form for messages and tests, e.g. (SUser = 'Admin') AND (CustName LIKE ...).
    QString describe() const;

    struct Node;

private:
    explicit Condition(QSharedPointer<const Node> node) : m_node(std::move(node)) {}
    QSharedPointer<const Node> m_node;
};

// Escapes "%" "_" and "\" so that a typed text matches itself inside LIKE ... ESCAPE '\'.
QString escapeLike(const QString &text);

} // namespace store
