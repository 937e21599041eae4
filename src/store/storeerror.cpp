#include "storeerror.h"

#include "diskspace.h"
#include "money.h"
#include "schema.h"

#include <QRegularExpression>
#include <QSqlError>

namespace store {

StoreError::StoreError(const QString &text, Kind kind, const QString &table, const QString &column)
    : std::runtime_error(text.toStdString()), m_text(text), m_kind(kind), m_table(table),
      m_column(column)
{
}

QString StoreError::conflictText()
{
    return QStringLiteral("对不起，该记录已被其他用户修改或删除，请刷新后重试！");
}

StoreError StoreError::connectionLoss()
{
    StoreError e(QStringLiteral("与数据库服务器的连接已断开，正在重新连接……"), Kind::Connection);
    e.m_loss = true;
    return e;
}

StoreError StoreError::unsettled(qint64 transaction)
{
    StoreError e(QStringLiteral("与数据库服务器的连接在保存时断开，无法确认这次保存是否完成。\n"
                                "连接恢复后请再保存一次：已经存入的内容不会重复保存。"),
                 Kind::Connection);
    e.m_loss = true;
    e.m_unsettledCommit = transaction;
    return e;
}

StoreError StoreError::outOfRange(const QString &table, const QString &column)
{
    return StoreError(QStringLiteral("字段 %1 的金额超出范围：绝对值必须小于 %2（表 %3）。")
                          .arg(column, QString::number(Money::Limit, 'f', 0), table),
                      Kind::OutOfRange, table, column);
}

namespace {

// Our constraints are named kind_table_column (see schema.cpp); PostgreSQL folds the name to
// lower case, so the table and column are looked up without letter case.
bool splitConstraint(const QString &name, QChar &kind, QString &table, QString &column)
{
    const QStringList parts = name.split(QLatin1Char('_'));
    if (parts.size() != 3 || parts[0].size() != 1)
        return false;
    kind = parts[0].at(0).toLower();
    const Table *t = Schema::find(parts[1]);
    if (!t)
        return false;
    const Column *c = t->column(parts[2]);
    if (!c)
        return false;
    table = t->name;
    column = c->name;
    return true;
}

StoreError refusal(QChar kind, const QString &table, const QString &column)
{
    const Table *t = Schema::find(table);
    const Column *c = t ? t->column(column) : nullptr;
    if (kind == QLatin1Char('u'))
        return StoreError(QStringLiteral("字段 %1 的值已存在，不能重复（表 %2）。").arg(column, table),
                          StoreError::Kind::Duplicate, table, column);
    if (kind == QLatin1Char('r'))
        return StoreError::outOfRange(table, column);
    if (kind == QLatin1Char('m'))
        return StoreError(QStringLiteral("字段 %1 不能为空（表 %2）。").arg(column, table),
                          StoreError::Kind::Required, table, column);
    return StoreError(QStringLiteral("字段 %1 的内容不能超过 %2 个字符（表 %3）。")
                          .arg(column)
                          .arg(c ? c->width : 0)
                          .arg(table),
                      StoreError::Kind::TooLong, table, column);
}

} // namespace

StoreError StoreError::fromSql(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // SQLite's SQLITE_FULL: the data file's disk has no room for the change.
    if (error.nativeErrorCode() == QLatin1String("13") || text.contains(QLatin1String("database or disk is full")))
        return StoreError(DiskSpace::storeFullText(), Kind::DiskFull);
    // SQLITE_CORRUPT and SQLITE_NOTADB: the file is damaged, or was never a database.
    if (error.nativeErrorCode() == QLatin1String("11") || error.nativeErrorCode() == QLatin1String("26"))
        return StoreError(text, Kind::Damaged);
    QChar kind;
    QString table, column;

    // PostgreSQL: ... constraint "w_tblcustomers_custname"
    static const QRegularExpression named(QStringLiteral("constraint \"([^\"]+)\""));
    // SQLite: CHECK constraint failed: w_tblCustomers_CustName
    static const QRegularExpression check(QStringLiteral("CHECK constraint failed: (\\w+)"));
    // SQLite: UNIQUE constraint failed: tblCountry.CountryID[, ...]
    static const QRegularExpression unique(
        QStringLiteral("UNIQUE constraint failed: (?:\\w+\\.\\w+, )*(\\w+)\\.(\\w+)"));

    QRegularExpressionMatch m = named.match(text);
    if (!m.hasMatch())
        m = check.match(text);
    if (m.hasMatch() && splitConstraint(m.captured(1), kind, table, column))
        return refusal(kind, table, column);
    // SQLite: NOT NULL constraint failed: tblCountry.CountryID (a code left out), also in a
    // table an upgrade is building anew (upgrade_tblCountry)
    static const QRegularExpression notNull(
        QStringLiteral("NOT NULL constraint failed: (?:upgrade_)?(\\w+)\\.(\\w+)"));
    m = notNull.match(text);
    if (m.hasMatch()) {
        const Table *t = Schema::find(m.captured(1));
        const Column *c = t ? t->column(m.captured(2)) : nullptr;
        if (t && c)
            return refusal(QLatin1Char('m'), t->name, c->name);
    }
    m = unique.match(text);
    if (m.hasMatch()) {
        const Table *t = Schema::find(m.captured(1));
        const Column *c = t ? t->column(m.captured(2)) : nullptr;
        if (t && c)
            return refusal(QLatin1Char('u'), t->name, c->name);
    }
    return StoreError(text.isEmpty() ? QStringLiteral("数据库操作失败。") : text);
}

} // namespace store
