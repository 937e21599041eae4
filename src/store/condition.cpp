#include "condition.h"

#include "searchindex.h"

#include <QStringList>
#include <vector>

namespace store {

struct Condition::Node
{
    enum Kind {
        Eq,
        Ne,
        Like,
        StartsWith,
        DateEq,
        DateBetween,
        WholeDays,
        Empty,
        Matches,
        In,
        InSource,
        And,
        Or,
        Not
    } kind;
    QString column;
    QVariant a, b;
    std::vector<QSharedPointer<const Node>> children;
    QSharedPointer<const Node> source; // InSource: the condition over the source table's rows
};

namespace {
using NodePtr = QSharedPointer<const Condition::Node>;

NodePtr leaf(Condition::Node::Kind k, const QString &column, const QVariant &a = {},
             const QVariant &b = {})
{
    auto n = QSharedPointer<Condition::Node>::create();
    n->kind = k;
    n->column = column;
    n->a = a;
    n->b = b;
    return n;
}

QString dateText(const QVariant &v) { return v.toDate().toString(Qt::ISODate); }
} // namespace

QString escapeLike(const QString &text)
{
    QString out;
    out.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

Condition Condition::eq(const QString &c, const QVariant &v) { return Condition(leaf(Node::Eq, c, v)); }
Condition Condition::ne(const QString &c, const QVariant &v) { return Condition(leaf(Node::Ne, c, v)); }
Condition Condition::like(const QString &c, const QString &t) { return Condition(leaf(Node::Like, c, t)); }
Condition Condition::startsWith(const QString &c, const QString &t)
{
    return Condition(leaf(Node::StartsWith, c, t));
}
Condition Condition::dateEq(const QString &c, const QDate &d) { return Condition(leaf(Node::DateEq, c, d)); }
Condition Condition::dateBetween(const QString &c, const QDate &from, const QDate &to)
{
    return Condition(leaf(Node::DateBetween, c, from, to));
}
Condition Condition::wholeDays(const QString &c, const QDate &from, const QDate &to)
{
    return Condition(leaf(Node::WholeDays, c, qMin(from, to), qMax(from, to)));
}
Condition Condition::isEmpty(const QString &c) { return Condition(leaf(Node::Empty, c)); }

// The table and whether the name alone is searched are kept in `b`: the condition names no
// column of its own.
Condition Condition::matches(const QString &table, const QString &text, bool nameOnly)
{
    return Condition(leaf(Node::Matches, {}, text,
                          QStringList{table, nameOnly ? QStringLiteral("name") : QString()}));
}

Condition Condition::in(const QString &c, const QVariantList &values)
{
    return Condition(leaf(Node::In, c, values));
}

Condition Condition::inSource(const QString &c, const QString &sourceTable,
                              const QString &sourceKey, const Condition &source)
{
    auto n = QSharedPointer<Node>::create();
    n->kind = Node::InSource;
    n->column = c;
    n->a = sourceTable;
    n->b = sourceKey;
    n->source = source.m_node;
    return Condition(n);
}

static Condition join(Condition::Node::Kind kind, const Condition &l, const Condition &r,
                      QSharedPointer<const Condition::Node> ln, QSharedPointer<const Condition::Node> rn,
                      Condition (*make)(QSharedPointer<const Condition::Node>))
{
    if (!ln)
        return r;
    if (!rn)
        return l;
    auto n = QSharedPointer<Condition::Node>::create();
    n->kind = kind;
    n->children = {ln, rn};
    return make(n);
}

Condition Condition::operator&&(const Condition &o) const
{
    return join(Node::And, *this, o, m_node, o.m_node, [](NodePtr n) { return Condition(n); });
}

Condition Condition::operator||(const Condition &o) const
{
    return join(Node::Or, *this, o, m_node, o.m_node, [](NodePtr n) { return Condition(n); });
}

Condition Condition::operator!() const
{
    if (!m_node)
        return *this;
    auto n = QSharedPointer<Node>::create();
    n->kind = Node::Not;
    n->children = {m_node};
    return Condition(n);
}

QStringList Condition::columns() const
{
    QStringList out;
    std::vector<NodePtr> stack;
    if (m_node)
        stack.push_back(m_node);
    while (!stack.empty()) {
        NodePtr n = stack.back();
        stack.pop_back();
        if (!n->column.isEmpty())
            out << n->column;
        for (const auto &c : n->children)
            stack.push_back(c);
    }
    return out;
}

static QString sqlOf(const NodePtr &n, Engine e, QVariantMap &values, int &counter,
                     const QString &prefix, bool listOrder)
{
    using N = Condition::Node;
    const auto bind = [&](const QVariant &v) -> QString {
        const QString name = prefix + QString::number(counter++);
        values.insert(name, v);
        return QLatin1Char(':') + name;
    };
    const QString col = n->column.isEmpty() ? QString() : Schema::identifier(n->column, e);
    const QString dateOf = e == Engine::PostgreSQL ? QStringLiteral("CAST(%1 AS date)").arg(col)
                                                   : QStringLiteral("substr(%1, 1, 10)").arg(col);
    const auto dateValue = [&](const QVariant &v) {
        return e == Engine::PostgreSQL ? QVariant(v.toDate()) : QVariant(dateText(v));
    };
    switch (n->kind) {
    case N::Eq:
        if (n->a.isNull())
            return col + QStringLiteral(" IS NULL");
        return col + QStringLiteral(" = ") + bind(n->a);
    case N::Ne:
        if (n->a.isNull())
            return col + QStringLiteral(" IS NOT NULL");
        return QStringLiteral("(%1 IS NULL OR %1 <> %2)").arg(col, bind(n->a));
    case N::Like:
        return col + QStringLiteral(" LIKE ") +
               bind(QString(QLatin1Char('%') + escapeLike(n->a.toString()) + QLatin1Char('%'))) +
               QStringLiteral(" ESCAPE '\\'");
    case N::StartsWith:
        return col + QStringLiteral(" LIKE ") + bind(QString(escapeLike(n->a.toString()) + QLatin1Char('%'))) +
               QStringLiteral(" ESCAPE '\\'");
    case N::DateEq:
        return dateOf + QStringLiteral(" = ") + bind(dateValue(n->a));
    case N::DateBetween:
        return QStringLiteral("%1 BETWEEN %2 AND %3").arg(dateOf, bind(dateValue(n->a)), bind(dateValue(n->b)));
    case N::WholeDays:
        // The server's date columns hold days only. SQLite keeps ISO texts: a text from the
        // first day up to (not including) the day after the last, without a time of day.
        if (e == Engine::PostgreSQL)
            return QStringLiteral("%1 BETWEEN %2 AND %3").arg(col, bind(n->a.toDate()), bind(n->b.toDate()));
        return (listOrder ? QStringLiteral("(likelihood(%1 >= %2, 0.9) AND likelihood(%1 < %3, 0.9) AND "
                                           "(length(%1) = 10 OR time(%1) = '00:00:00'))")
                          : QStringLiteral("(%1 >= %2 AND %1 < %3 AND (length(%1) = 10 OR time(%1) = '00:00:00'))"))
            .arg(col, bind(dateText(n->a)), bind(dateText(n->b.toDate().addDays(1))));
    case N::Empty:
        return QStringLiteral("(%1 IS NULL OR %1 = '')").arg(col);
    case N::Matches: {
        const QStringList where = n->b.toStringList();
        const Table *table = Schema::find(where.value(0));
        if (!table || !SearchIndex::isSearched(table->name))
            return QStringLiteral("1 = 0");
        return SearchIndex::matchSql(*table, n->a.toString(), !where.value(1).isEmpty(), e, values,
                                     prefix + QString::number(counter++));
    }
    case N::In: {
        QStringList names;
        for (const QVariant &v : n->a.toList())
            names << bind(v);
        return names.isEmpty()
                   ? QStringLiteral("1 = 0")
                   : QStringLiteral("%1 IN (%2)").arg(col, names.join(QStringLiteral(", ")));
    }
    case N::InSource: {
        const QString inner = n->source ? sqlOf(n->source, e, values, counter, prefix, false)
                                        : QStringLiteral("1 = 1");
        return QStringLiteral("%1 IN (SELECT %2 FROM %3 WHERE %4)")
            .arg(col, Schema::identifier(n->b.toString(), e), n->a.toString(), inner);
    }
    case N::Not:
        return QStringLiteral("NOT (%1)").arg(sqlOf(n->children[0], e, values, counter, prefix, listOrder));
    case N::And:
    case N::Or: {
        const QString l = sqlOf(n->children[0], e, values, counter, prefix, listOrder);
        const QString r = sqlOf(n->children[1], e, values, counter, prefix, listOrder);
        return QStringLiteral("(%1) %2 (%3)").arg(l, n->kind == N::And ? QStringLiteral("AND") : QStringLiteral("OR"), r);
    }
    }
    return QStringLiteral("1=1");
}

QString Condition::toSql(Engine e, QVariantMap &values, int &counter, const QString &prefix,
                         bool listOrder) const
{
    return m_node ? sqlOf(m_node, e, values, counter, prefix, listOrder) : QString();
}

QString Condition::describe() const
{
    QVariantMap values;
    int counter = 0;
    QString text = toSql(Engine::SQLite, values, counter, QStringLiteral("v"));
    // Longest names first, so :v10 is not taken for :v1 followed by 0.
    for (int i = counter - 1; i >= 0; --i) {
        const QString name = QStringLiteral("v%1").arg(i);
        text.replace(QLatin1Char(':') + name,
                     QLatin1Char('\'') + values.value(name).toString() + QLatin1Char('\''));
    }
    return text;
}

} // namespace store
