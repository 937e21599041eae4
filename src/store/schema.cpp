#include "schema.h"

#include "money.h"
#include "searchindex.h"

#include <QHash>

namespace store {

namespace {

using T = ColumnType;

// Every column that holds a user ID or an agent code is as wide as the code itself, so any
// user can own rows and any agent can have entries.
constexpr int UserIdWidth = 30;

Column text(const char *name, int width) { return {QString::fromLatin1(name), T::Text, width}; }
// A record or dictionary code: typed by the user, never empty, unique in its table.
Column code(const char *name, int width = 30)
{
    Column c = text(name, width);
    c.unique = true;
    c.required = true;
    return c;
}
Column required(Column c)
{
    c.required = true;
    return c;
}
Column indexed(const char *name, int width = 30)
{
    Column c = text(name, width);
    c.indexed = true;
    return c;
}
Column of(const char *name, ColumnType type) { return {QString::fromLatin1(name), type, 0}; }
Column memoRequired(int width = 200)
{
    Column c = text("Memo", width);
    c.required = true;
    return c;
}

// A dictionary with an editor: unique code, name, optional colour, required description.
Table dictionary(const char *table, const char *codeCol, const char *nameCol, const char *colour,
                 std::vector<Column> extra = {})
{
    Table t{QString::fromLatin1(table), {code(codeCol), text(nameCol, 50)}, {}};
    if (colour)
        t.columns.push_back(of(colour, T::Integer));
    for (auto &c : extra)
        t.columns.push_back(c);
    t.columns.push_back(memoRequired());
    return t;
}

std::vector<Table> build()
{
    std::vector<Table> v;
    const auto owner = [](std::vector<Column> cols) {
        Column s = indexed("SUser", UserIdWidth);
        cols.push_back(s);
        cols.push_back(text("SDate", 20));
        return cols;
    };

    v.push_back({"tblCustomers",
                 owner({of("CNo", T::AutoNumber), code("CustId"), text("CustName", 50),
                        text("CountryID", 30), text("DistID", 30), text("City", 50),
                        text("PostCode", 20), text("Telephone", 50), text("Fax", 50),
                        text("Address", 100), text("Email", 50), text("HomePage", 50),
                        text("VocationID", 30), text("OriginID", 30), text("LevelID", 30),
                        text("StateId", 30), of("CreateDate", T::Date), indexed("OperaterID"),
                        of("Memo", T::Memo), text("FilePath", 100), text("MainLinkman", 20),
                        text("MainTelephone", 20)}),
                 {}});
    v.push_back({"tblLinkmans",
                 owner({of("LNo", T::AutoNumber), code("LinkmanID"), indexed("CustID"),
                        of("Main", T::Bool), text("Name", 50), text("NickName", 50),
                        text("Department", 50), text("Duty", 50), text("Telephone", 50),
                        text("Fax", 50), text("Mobile", 50), text("HomeAddress", 100),
                        text("Email", 50), text("HomePage", 50), text("Enjoy", 100),
                        of("SpecialDate", T::Date), of("Memo", T::Memo), text("FilePath", 100)}),
                 {}});
    v.push_back({"tblOperaters",
                 owner({code("OperaterID"), text("Name", 50), text("NickName", 50),
                        text("Sex", 10), text("DepartmentID", 30), text("Duty", 30),
                        text("Education", 50), of("Birth", T::Date), text("ID", 50),
                        text("Native", 100), text("CTelephone", 50), text("Fax", 50),
                        text("HTelephone", 50), text("Mobile", 50), text("Address", 100),
                        text("Email", 50), text("HomePage", 50), text("Photo", 200),
                        text("Memo", 100), of("InTime", T::Date), text("State", 50),
                        of("OutTime", T::Date), text("OutReason", 200), text("FilePath", 100)}),
                 {}});
    v.push_back({"tblOperates",
                 owner({code("OperateID"), text("OperateTitle", 100), indexed("CustID"),
                        of("Link", T::Bool), indexed("LinkCustID", 50), of("CreateDate", T::Date),
                        text("LinkmanID", 30), text("OriginId", 30), text("TypeID", 30),
                        of("WriteDate", T::Date), of("EndDate", T::Date), indexed("OperaterID"),
                        of("CompactAmount", T::Currency), of("Profit", T::Currency),
                        of("Rate", T::Number), text("CurrID", 20), of("RMB", T::Currency),
                        text("InOrOut", 50), text("OperateStateID", 30), text("FilePath", 100)}),
                 {}});
    v.push_back({"tblOperateDetail",
                 {indexed("OperateID"), required(text("DetailNo", 20)), text("DTitle", 100),
                  of("OperateDate", T::Date), text("Memo", 255), text("InOut", 50),
                  text("CurrID", 20), of("Price", T::Currency), of("Amount", T::Number),
                  of("DTotal", T::Currency), of("RMB", T::Currency)},
                 {"OperateID", "DetailNo"}});
    v.push_back({"tblPlan",
                 {of("PlanID", T::AutoNumber), of("PlanDate", T::Date), text("PlanTime", 30),
                  text("Address", 100), indexed("CustID"), text("Linkman", 30),
                  text("OperateId", 30), text("AttendMan", 50), text("Memo", 100),
                  text("FilePath", 100)},
                 {}});
    v.push_back({"tblCustomerState",
                 {indexed("CustID"), of("LinkDate", T::Date), text("LinkTime", 20),
                  text("LinkType", 30), text("Linkman", 50), text("Duty", 50),
                  text("LinkContent", 50), of("Charge", T::Currency), text("Address", 50),
                  text("Memo", 100)},
                 {}});
    v.push_back({"tblCustomerAddInfo",
                 {indexed("CustID"), text("BankID", 30), text("Account", 50),
                  text("BankAddress", 100), text("VATaxName", 100), text("VATaxID", 50),
                  text("VATaxAddress", 100), text("VATaxPhone", 50), text("VATaxBank", 100),
                  text("VATaxAccount", 50)},
                 {}});
    v.push_back({"tblBoard",
                 {of("BNo", T::AutoNumber), text("BTitle", 100), of("BDate", T::Date),
                  text("Man", 50), text("Memo", 255)},
                 {}});

    v.push_back(dictionary("tblCountry", "CountryID", "CountryName", "CountryColor",
                           {text("Continent", 20)}));
    v.push_back(dictionary("tblCustDist", "DistID", "DistName", "DistColor", {text("CountryID", 30)}));
    v.push_back(dictionary("tblCustLevel", "LevelID", "LevelName", "LevelColor"));
    v.push_back(dictionary("tblCustOrigin", "OriginID", "OriginName", "OriginColor"));
    v.push_back(dictionary("tblCustState", "StateID", "StateName", "StateColor"));
    v.push_back(dictionary("tblVocation", "VocationId", "VocationName", "VocationColor"));
    v.push_back(dictionary("tblOperateType", "TypeID", "TypeName", "TypeColor"));
    v.push_back(dictionary("tblOperateOrigin", "OriginID", "OriginName", "OriginColor"));
    v.push_back(dictionary("tblOperateState", "OperateStateID", "OperateStateName", "StateColor"));
    v.push_back(dictionary("tblDepartment", "DepartmentID", "DepartmentName", nullptr));
    // No editor reaches these two, so their description is not required.
    v.push_back({"tblFinanceOrgan", {code("OrganID"), text("OrganName", 50), text("Memo", 200)}, {}});
    v.push_back({"tblCurrencyRate",
                 {code("CurrID", 20), text("CurrName", 50), of("Rate", T::Number),
                  text("Memo", 200)},
                 {}});
    v.push_back({"tblColor", {[] {
                                  Column c = of("ColorID", T::Integer);
                                  c.unique = true;
                                  return c;
                              }()},
                 {}});

    // Password holds an Argon2id hash string, hence wider than a typed password would need.
    v.push_back({"tblUser",
                 {code("UserID", UserIdWidth), text("UserName", 50), text("Password", 128), text("DeptID", 50),
                  text("Duty", 50), text("State", 30), text("RightID", 10), text("Memo", 50),
                  of("Sys", T::Bool), text("SUser", UserIdWidth), text("SDate", 20)},
                 {}});
    v.push_back({"tblUserRight",
                 {indexed("UserID", UserIdWidth), text("RightID", 10), of("Insert", T::Bool),
                  of("Modify", T::Bool), of("Delete", T::Bool), of("Query", T::Bool),
                  of("Print", T::Bool)},
                 {}});
    v.push_back({"tblLog",
                 {of("LogID", T::AutoNumber), text("LogDateTime", 30), text("UserID", UserIdWidth),
                  text("Operate", 200)},
                 {}});
    v.push_back({"tblUserInfo",
                 {text("UserName", 100), text("Address", 100), text("PostCode", 20),
                  text("Telephone", 50), text("Fax", 50), text("Email", 50), text("HomePage", 100)},
                 {}});
    return v;
}

QString sqlType(const Column &c, Engine e)
{
    const bool pg = e == Engine::PostgreSQL;
    switch (c.type) {
    case T::Text:
    case T::Memo:
        // A code is never null, and SQLite is told so: its planner then knows the code's unique
        // index names one row, and groups by a record's columns in that index's order instead of
        // sorting them (the ledgers group every contract that way).
        if (!pg && c.unique && c.required)
            return QStringLiteral("TEXT COLLATE NOCASE NOT NULL");
        return pg ? QStringLiteral("citext") : QStringLiteral("TEXT COLLATE NOCASE");
    case T::Date:
        // Only the day is entered and shown; a plain date also spares the driver a time-zone
        // conversion for every value read.
        return pg ? QStringLiteral("date") : QStringLiteral("DATE");
    case T::Number:
        return pg ? QStringLiteral("double precision") : QStringLiteral("REAL");
    case T::Currency:
        return pg ? QStringLiteral("numeric(19,4)") : QStringLiteral("NUMERIC");
    case T::Bool:
        return pg ? QStringLiteral("boolean NOT NULL DEFAULT false")
                  : QStringLiteral("BOOLEAN NOT NULL DEFAULT 0");
    case T::Integer:
        return pg ? QStringLiteral("bigint") : QStringLiteral("INTEGER");
    case T::AutoNumber:
        return pg ? QStringLiteral("bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                  : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    return {};
}

} // namespace

QString Table::keyColumn() const
{
    if (!key.isEmpty())
        return key;
    for (const auto &c : columns)
        if (c.type == ColumnType::AutoNumber)
            return c.name;
    return QString::fromLatin1(RowKey);
}

const Column *Table::column(const QString &n) const
{
    for (const auto &c : columns)
        if (c.name.compare(n, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QStringList Table::columnNames() const
{
    QStringList names;
    for (const auto &c : columns)
        names << c.name;
    return names;
}

namespace Schema {

const std::vector<Table> &tables()
{
    static const std::vector<Table> all = build();
    return all;
}

const Table *find(const QString &name)
{
    static const QHash<QString, const Table *> byName = [] {
        QHash<QString, const Table *> h;
        for (const auto &t : tables())
            h.insert(t.name.toLower(), &t);
        return h;
    }();
    return byName.value(name.toLower(), nullptr);
}

QString identifier(const QString &name, Engine e)
{
    // PostgreSQL folds unquoted names to lower case; quoting the folded form keeps every
    // spelling of a column reaching it and lets reserved words such as Insert be names.
    return QLatin1Char('"') + (e == Engine::PostgreSQL ? name.toLower() : name) + QLatin1Char('"');
}

std::vector<Constraint> constraints(const Table &t, Engine e)
{
    const QString len = e == Engine::PostgreSQL ? QStringLiteral("char_length") : QStringLiteral("length");
    std::vector<Constraint> out;
    for (const Column &c : t.columns) {
        const QString col = identifier(c.name, e);
        if (c.width > 0)
            out.push_back({QStringLiteral("w_%1_%2").arg(t.name, c.name),
                           QStringLiteral("CHECK (%1(%2) <= %3)").arg(len, col).arg(c.width)});
        if (c.required)
            out.push_back({QStringLiteral("m_%1_%2").arg(t.name, c.name),
                           QStringLiteral("CHECK (%1 IS NOT NULL AND %2(%1) > 0)").arg(col, len)});
        if (c.type == ColumnType::Currency)
            // Money stays within what is exact to four decimals wherever it is computed.
            out.push_back({QStringLiteral("r_%1_%2").arg(t.name, c.name),
                           QStringLiteral("CHECK (%1 > -%2 AND %1 < %2)").arg(col, QString::number(Money::Limit, 'f', 0))});
        if (c.unique)
            out.push_back({QStringLiteral("u_%1_%2").arg(t.name, c.name), QStringLiteral("UNIQUE (%1)").arg(col)});
    }
    if (!t.uniqueTogether.isEmpty()) {
        QStringList cols;
        for (const auto &c : t.uniqueTogether)
            cols << identifier(c, e);
        out.push_back({QStringLiteral("u_%1_%2").arg(t.name, t.uniqueTogether.last()),
                       QStringLiteral("UNIQUE (%1)").arg(cols.join(QLatin1Char(',')))});
    }
    return out;
}

QString searchColumn(Engine e)
{
    return identifier(QLatin1String(SearchIndex::Column), e) +
           (e == Engine::PostgreSQL ? QStringLiteral(" text") : QStringLiteral(" TEXT"));
}

QString createTable(const Table &t, Engine e, const QString &as)
{
    QStringList defs;
    const QString key = t.keyColumn();
    if (key == QLatin1String(RowKey))
        defs << identifier(key, e) + QLatin1Char(' ') + columnType({key, T::AutoNumber, 0}, e);
    for (const Column &c : t.columns)
        defs << identifier(c.name, e) + QLatin1Char(' ') + columnType(c, e);
    QString version = QStringLiteral("%1 INTEGER NOT NULL DEFAULT 0")
                          .arg(identifier(QLatin1String(RowVersion), e));
    // Written as adding the column to an older store writes it, so that both read alike.
    if (SearchIndex::isSearched(t.name))
        version += QStringLiteral(", ") + searchColumn(e);
    defs << version;
    for (const Constraint &c : constraints(t, e))
        defs << QStringLiteral("CONSTRAINT %1 %2").arg(c.name, c.definition);
    return QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(as.isEmpty() ? t.name : as, defs.join(QStringLiteral(",\n  ")));
}

// An index that serves a list's order by `column`, empty values first and the row `key` last,
// and its reverse; within one `owner`'s rows when one is named.
static QString sortIndex(const QString &table, const QString &owner, const QString &column,
                         const QString &key, Engine e)
{
    QString name = QStringLiteral("i_%1_%2_Sort").arg(table, column);
    QString columns = identifier(column, e) +
                      (e == Engine::PostgreSQL ? QStringLiteral(" NULLS FIRST") : QString()) +
                      QStringLiteral(", ") + identifier(key, e);
    if (!owner.isEmpty()) {
        name = QStringLiteral("i_%1_%2_%3").arg(table, owner, column);
        columns = identifier(owner, e) + QStringLiteral(", ") + columns;
    }
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3)").arg(name, table, columns);
}

QStringList createIndexes(const Table &t, Engine e)
{
    QStringList out;
    for (const Column &c : t.columns)
        if (c.indexed)
            out << QStringLiteral("CREATE INDEX i_%1_%2 ON %1 (%3)").arg(t.name, c.name, identifier(c.name, e));
    if (t.name == QLatin1String("tblUserRight"))
        out << QStringLiteral("CREATE INDEX i_tblUserRight_Pair ON tblUserRight (%1, %2)")
                   .arg(identifier(QStringLiteral("UserID"), e), identifier(QStringLiteral("RightID"), e));
    else if (t.name == QLatin1String("tblPlan"))
        out << QStringLiteral("CREATE INDEX i_tblPlan_PlanDate ON tblPlan (%1)").arg(identifier(QStringLiteral("PlanDate"), e));
    else if (t.name == QLatin1String("tblOperates")) {
        // The ledgers: contracts due in a period, of one direction. The due date comes first so
        // that the ledger of every contract, which names only the direction, is not drawn to
        // this index: it reads the contracts in code order and groups them without a sort.
        out << QStringLiteral("CREATE INDEX i_tblOperates_Due ON tblOperates (%1, %2)")
                   .arg(identifier(QStringLiteral("EndDate"), e), identifier(QStringLiteral("InOrOut"), e));
        // The record list opens sorted by title. The issue date rides along, so that a search
        // by a span of days reads the index in list order without visiting the rows.
        out << QStringLiteral("CREATE INDEX i_tblOperates_OperateTitle ON tblOperates (%1%2, %3%4)")
                   .arg(identifier(QStringLiteral("OperateTitle"), e),
                        e == Engine::PostgreSQL ? QStringLiteral(" NULLS FIRST") : QString(),
                        identifier(QLatin1String(RowKey), e),
                        e == Engine::PostgreSQL ? QStringLiteral(") INCLUDE (%1").arg(identifier(QStringLiteral("CreateDate"), e))
                                                : QStringLiteral(", ") + identifier(QStringLiteral("CreateDate"), e));
        // Each date and code the record list sorts by, with empty values first and the row key
        // last (PostgreSQL keeps empty codes last in the unique index), and the state, by which
        // the list sorts through its name. A user's own list, in each of these orders, is a
        // range of the owner's index.
        for (const char *column :
             {"OperateID", "CreateDate", "WriteDate", "EndDate", "OperateStateID"}) {
            out << sortIndex(t.name, {}, QLatin1String(column), QLatin1String(RowKey), e);
            out << sortIndex(t.name, QStringLiteral("SUser"), QLatin1String(column),
                             QLatin1String(RowKey), e);
        }
        out << sortIndex(t.name, QStringLiteral("SUser"), QStringLiteral("OperateTitle"),
                         QLatin1String(RowKey), e);
    } else if (t.name == QLatin1String("tblOperateDetail"))
        // What has been settled on a contract, summed from the index alone.
        out << QStringLiteral("CREATE INDEX i_tblOperateDetail_Settled ON tblOperateDetail (%1, %2)")
                   .arg(identifier(QStringLiteral("OperateID"), e), identifier(QStringLiteral("RMB"), e));
    else if (t.name == QLatin1String("tblCustomers")) {
        // The agent list sorts by name with empty names first and the row key last; the index
        // serves that order (and its reverse) on both engines.
        out << QStringLiteral("CREATE INDEX i_tblCustomers_CustName ON tblCustomers (%1%2, %3)")
                   .arg(identifier(QStringLiteral("CustName"), e),
                        e == Engine::PostgreSQL ? QStringLiteral(" NULLS FIRST") : QString(),
                        identifier(QStringLiteral("CNo"), e));
        // The chart analyses count agents by a dictionary, and those created in a period, from
        // these indexes alone.
        const auto index = [&out, e](const char *name, QStringList columns) {
            for (QString &c : columns)
                c = identifier(c, e);
            out << QStringLiteral("CREATE INDEX i_tblCustomers_%1 ON tblCustomers (%2)")
                       .arg(QLatin1String(name), columns.join(QStringLiteral(", ")));
        };
        // A user's own agents by name.
        out << sortIndex(t.name, QStringLiteral("SUser"), QStringLiteral("CustName"),
                         QStringLiteral("CNo"), e);
        index("Level", {QStringLiteral("LevelID"), QStringLiteral("CustId")});
        index("Origin", {QStringLiteral("OriginID"), QStringLiteral("CustId")});
        index("Region", {QStringLiteral("DistID"), QStringLiteral("CountryID")});
        index("Created", {QStringLiteral("CreateDate"), QStringLiteral("StateId"), QStringLiteral("VocationID"),
                          QStringLiteral("CustId")});
    } else if (t.name == QLatin1String("tblLinkmans"))
        // The contact list sorts by any of its columns with empty values first and the row key
        // last; one index per column serves each header click on 300,000 contacts. The code
        // has its unique index already, but PostgreSQL keeps empty values last in that one.
        // A user's own contacts in each order are a range of the owner's index.
        for (const char *column : {"LinkmanID", "Name", "NickName", "Department", "Duty", "Main"}) {
            out << sortIndex(t.name, {}, QLatin1String(column), QStringLiteral("LNo"), e);
            out << sortIndex(t.name, QStringLiteral("SUser"), QLatin1String(column),
                             QStringLiteral("LNo"), e);
        }
    else if (t.name == QLatin1String("tblOperaters"))
        // The referrer list sorts by code the same way; without it a server sorts the whole
        // table on every opening, and its case-blind comparison is slow.
        out << QStringLiteral("CREATE INDEX i_tblOperaters_Order ON tblOperaters (%1%2, %3)")
                   .arg(identifier(QStringLiteral("OperaterID"), e),
                        e == Engine::PostgreSQL ? QStringLiteral(" NULLS FIRST") : QString(),
                        identifier(QStringLiteral("RowKey"), e));
    return out;
}

bool isComputedMoney(const QString &column)
{
    static const QStringList computed{QStringLiteral("sumRMB"), QStringLiteral("gathering"), QStringLiteral("Payment")};
    return computed.contains(column, Qt::CaseInsensitive);
}

QString columnType(const Column &c, Engine e)
{
    return sqlType(c, e);
}

QStringList recordCountStatements(Engine e)
{
    const Table *records = find(QStringLiteral("tblOperates"));
    const Column *agent = nullptr;
    for (const Column &c : records->columns)
        if (c.name == QLatin1String("CustID"))
            agent = &c;
    const QString table = QLatin1String(RecordCountsTable);
    QStringList out{
        QStringLiteral("CREATE TABLE %1 (CustID %2 PRIMARY KEY, Records integer NOT NULL)")
            .arg(table, sqlType(*agent, e).remove(QStringLiteral(" NOT NULL")))};
    const QString add =
        QStringLiteral("INSERT INTO %1 (CustID, Records) VALUES (NEW.CustID, 1) "
                       "ON CONFLICT (CustID) DO UPDATE SET Records = %1.Records + 1")
            .arg(table);
    const QString remove =
        QStringLiteral("UPDATE %1 SET Records = Records - 1 WHERE CustID = OLD.CustID").arg(table);
    if (e == Engine::SQLite) {
        out << QStringLiteral("CREATE TRIGGER t_tblOperates_CountAdd AFTER INSERT ON tblOperates "
                              "WHEN NEW.CustID IS NOT NULL BEGIN %1; END")
                   .arg(add)
            << QStringLiteral(
                   "CREATE TRIGGER t_tblOperates_CountRemove AFTER DELETE ON tblOperates "
                   "WHEN OLD.CustID IS NOT NULL BEGIN %1; END")
                   .arg(remove)
            // A record moved to another agent (its agent's code changed, say): taken from the
            // one, given to the other.
            << QStringLiteral(
                   "CREATE TRIGGER t_tblOperates_CountMoveFrom AFTER UPDATE OF CustID ON "
                   "tblOperates "
                   "WHEN OLD.CustID IS NOT NULL AND OLD.CustID IS NOT NEW.CustID BEGIN %1; END")
                   .arg(remove)
            << QStringLiteral(
                   "CREATE TRIGGER t_tblOperates_CountMoveTo AFTER UPDATE OF CustID ON tblOperates "
                   "WHEN NEW.CustID IS NOT NULL AND OLD.CustID IS NOT NEW.CustID BEGIN %1; END")
                   .arg(add);
        return out;
    }
    out << QStringLiteral(
               "CREATE FUNCTION tessaly_count_records() RETURNS trigger LANGUAGE plpgsql AS $$\n"
               "BEGIN\n"
               "  IF TG_OP <> 'INSERT' THEN\n"
               "    IF OLD.CustID IS NOT NULL THEN\n      %1;\n    END IF;\n"
               "  END IF;\n"
               "  IF TG_OP <> 'DELETE' THEN\n"
               "    IF NEW.CustID IS NOT NULL THEN\n      %2;\n    END IF;\n"
               "  END IF;\n"
               "  RETURN NULL;\n"
               "END $$")
               .arg(remove, add)
        << QStringLiteral(
               "CREATE TRIGGER t_tblOperates_Count AFTER INSERT OR DELETE ON tblOperates "
               "FOR EACH ROW EXECUTE FUNCTION tessaly_count_records()")
        // Only a record whose agent really changed takes the counter rows' locks.
        << QStringLiteral(
               "CREATE TRIGGER t_tblOperates_CountMove AFTER UPDATE OF CustID ON tblOperates "
               "FOR EACH ROW WHEN (OLD.CustID IS DISTINCT FROM NEW.CustID) "
               "EXECUTE FUNCTION tessaly_count_records()");
    return out;
}

QString fillRecordCounts()
{
    return QStringLiteral(
               "INSERT INTO %1 (CustID, Records) SELECT CustID, count(*) FROM tblOperates "
               "WHERE CustID IS NOT NULL GROUP BY CustID")
        .arg(QLatin1String(RecordCountsTable));
}

QStringList dropRecordCountStatements(Engine e)
{
    const QString table = QLatin1String(RecordCountsTable);
    if (e == Engine::SQLite)
        return {QStringLiteral("DROP TRIGGER IF EXISTS t_tblOperates_CountAdd"),
                QStringLiteral("DROP TRIGGER IF EXISTS t_tblOperates_CountRemove"),
                QStringLiteral("DROP TRIGGER IF EXISTS t_tblOperates_CountMoveFrom"),
                QStringLiteral("DROP TRIGGER IF EXISTS t_tblOperates_CountMoveTo"),
                QStringLiteral("DROP TABLE IF EXISTS %1").arg(table)};
    return {QStringLiteral("DROP TRIGGER IF EXISTS t_tblOperates_Count ON tblOperates"),
            QStringLiteral("DROP TRIGGER IF EXISTS t_tblOperates_CountMove ON tblOperates"),
            QStringLiteral("DROP FUNCTION IF EXISTS tessaly_count_records()"),
            QStringLiteral("DROP TABLE IF EXISTS %1").arg(table)};
}

QStringList createStatements(Engine e)
{
    const bool pg = e == Engine::PostgreSQL;
    QStringList out;
    if (pg) {
        out << QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext");
        // year() and month() of the query dialect the windows use on date columns.
        for (const char *part : {"year", "month", "day"})
            out << QStringLiteral("CREATE FUNCTION %1(date) RETURNS integer "
                                  "AS 'SELECT extract(%1 from $1)::integer' LANGUAGE sql IMMUTABLE")
                       .arg(QLatin1String(part));
    }
    out << QStringLiteral("CREATE TABLE %1 (Name %2 PRIMARY KEY, Value %2)")
               .arg(QLatin1String(InfoTable), pg ? QStringLiteral("text") : QStringLiteral("TEXT"));
    out << SearchIndex::functionStatements(e);
    for (const Table &t : tables()) {
        out << createTable(t, e);
        out << createIndexes(t, e);
        out << SearchIndex::tableStatements(t, e);
    }
    out << recordCountStatements(e);
    return out;
}

} // namespace Schema

} // namespace store
