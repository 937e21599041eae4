#include "samplebook.h"

#include "connection.h"
#include "passwords.h"
#include "schema.h"
#include "storeerror.h"

#include <QDate>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace store
{

namespace
{

// ---------------------------------------------------------------- word lists

struct City {
    const char *name;     // without 市
    const char *areaCode; // telephone area code
    const char *postCode; // first digits of the post code
};

struct Region {
    const char *code; // tblCustDist.DistID as seeded
    int weight;       // how many agents a region has, relatively
    std::vector<City> cities;
};

const std::vector<Region> &regions()
{
    static const std::vector<Region> r = {
        {"BJ", 8, {{"北京", "010", "100"}}},
        {"TJ", 3, {{"天津", "022", "300"}}},
        {"HE", 3, {{"石家庄", "0311", "050"}, {"唐山", "0315", "063"}, {"保定", "0312", "071"}}},
        {"SX", 2, {{"太原", "0351", "030"}, {"大同", "0352", "037"}}},
        {"NM", 1, {{"呼和浩特", "0471", "010"}, {"包头", "0472", "014"}}},
        {"LN", 3, {{"沈阳", "024", "110"}, {"大连", "0411", "116"}}},
        {"JL", 2, {{"长春", "0431", "130"}, {"吉林", "0432", "132"}}},
        {"HL", 2, {{"哈尔滨", "0451", "150"}, {"大庆", "0459", "163"}}},
        {"SH", 8, {{"上海", "021", "200"}}},
        {"JS",
         8,
         {{"南京", "025", "210"},
          {"苏州", "0512", "215"},
          {"无锡", "0510", "214"},
          {"常州", "0519", "213"}}},
        {"ZJ",
         8,
         {{"杭州", "0571", "310"},
          {"宁波", "0574", "315"},
          {"温州", "0577", "325"},
          {"义乌", "0579", "322"}}},
        {"AH", 3, {{"合肥", "0551", "230"}, {"芜湖", "0553", "241"}}},
        {"FJ", 4, {{"福州", "0591", "350"}, {"厦门", "0592", "361"}, {"泉州", "0595", "362"}}},
        {"JX", 2, {{"南昌", "0791", "330"}, {"赣州", "0797", "341"}}},
        {"SD", 6, {{"济南", "0531", "250"}, {"青岛", "0532", "266"}, {"烟台", "0535", "264"}}},
        {"HA", 4, {{"郑州", "0371", "450"}, {"洛阳", "0379", "471"}}},
        {"HB", 4, {{"武汉", "027", "430"}, {"宜昌", "0717", "443"}}},
        {"HN", 3, {{"长沙", "0731", "410"}, {"株洲", "0731", "412"}}},
        {"GD",
         10,
         {{"广州", "020", "510"},
          {"深圳", "0755", "518"},
          {"东莞", "0769", "523"},
          {"佛山", "0757", "528"}}},
        {"GX", 2, {{"南宁", "0771", "530"}, {"桂林", "0773", "541"}}},
        {"HI", 1, {{"海口", "0898", "570"}, {"三亚", "0898", "572"}}},
        {"CQ", 3, {{"重庆", "023", "400"}}},
        {"SC", 4, {{"成都", "028", "610"}, {"绵阳", "0816", "621"}}},
        {"GZ", 1, {{"贵阳", "0851", "550"}, {"遵义", "0851", "563"}}},
        {"YN", 2, {{"昆明", "0871", "650"}, {"大理", "0872", "671"}}},
        {"XZ", 1, {{"拉萨", "0891", "850"}}},
        {"SN", 3, {{"西安", "029", "710"}, {"宝鸡", "0917", "721"}}},
        {"GS", 1, {{"兰州", "0931", "730"}}},
        {"QH", 1, {{"西宁", "0971", "810"}}},
        {"NX", 1, {{"银川", "0951", "750"}}},
        {"XJ", 1, {{"乌鲁木齐", "0991", "830"}}},
        {"TW", 1, {{"台北", "02", "100"}}},
        {"HK", 1, {{"香港", "852", "999"}}},
        {"MO", 1, {{"澳门", "853", "999"}}},
    };
    return r;
}

// Agents abroad: country code, city, telephone prefix.
const struct {
    const char *country, *city, *phone;
} abroad[] = {
    {"Japan", "东京", "+81-3-"},
    {"Korea", "首尔", "+82-2-"},
    {"Singapore", "新加坡", "+65-"},
    {"USA", "洛杉矶", "+1-213-"},
    {"Canada", "温哥华", "+1-604-"},
    {"Germany", "汉堡", "+49-40-"},
    {"France", "巴黎", "+33-1-"},
    {"UK", "伦敦", "+44-20-"},
    {"Italy", "米兰", "+39-02-"},
    {"Australia", "悉尼", "+61-2-"},
    {"Brazil", "圣保罗", "+55-11-"},
    {"Egypt", "开罗", "+20-2-"},
    {"SouthAfrica", "约翰内斯堡", "+27-11-"},
};

const char *const brandSyllables[] = {
    "华", "信", "宏", "达", "鑫", "源", "恒", "通", "中", "科", "天", "瑞", "盛", "嘉",
    "金", "海", "东", "方", "博", "远", "新", "阳", "光", "明", "永", "泰", "安", "顺",
    "联", "合", "创", "智", "汇", "丰", "德", "隆", "兴", "昌", "祥", "和", "长", "城",
    "万", "佳", "正", "大", "益", "康", "美", "亚", "宇", "星", "力", "航", "峰", "锦",
};
const char *const trades[] = {
    "科技", "电子", "贸易",     "实业", "商贸",     "信息技术", "机械",
    "医药", "食品", "建材",     "物流", "文化传媒", "网络科技", "化工",
    "服装", "电器", "环保科技", "软件", "农业科技", "电气",
};
const char *const companyForms[] = {"有限公司",     "有限公司", "有限公司", "股份有限公司",
                                    "有限责任公司", "贸易商行", "经营部"};
const char *const surnames[] = {
    "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴",   "周",   "徐",   "孙",   "马", "朱",
    "胡", "郭", "何", "高", "林", "罗", "郑", "梁", "谢",   "宋",   "唐",   "许",   "韩", "冯",
    "邓", "曹", "彭", "曾", "肖", "田", "董", "袁", "潘",   "于",   "蒋",   "蔡",   "余", "杜",
    "叶", "程", "苏", "魏", "吕", "丁", "任", "沈", "欧阳", "司马", "诸葛", "上官",
};
// Given names of one character and of two; a name keeps to four characters at most, the
// narrowest column holding one (tblCustomers.MainLinkman, text(20)) takes that easily.
const char *const singleGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军",
                                   "洋", "勇", "艳", "杰", "娟", "涛", "明", "超", "霞",
                                   "平", "刚", "华", "文", "斌", "宇", "浩", "婷", "雪",
                                   "鹏", "飞", "俊", "红", "玲", "凯", "琳", "峰", "莉"};
const char *const doubleGiven[] = {"秀英", "秀兰", "桂英", "建国", "志强", "海燕", "晓东", "丽华",
                                   "子轩", "欣怡", "建华", "玉兰", "国强", "春梅", "志明", "雨涵"};
const char *const districts[] = {"高新区", "经济技术开发区", "新城区", "滨江区",   "城南区",
                                 "城北区", "东城区",         "西城区", "工业园区", "中心区"};
const char *const streets[] = {"人民路",   "解放路",   "中山路",   "建设路", "和平路",
                               "长江路",   "黄河路",   "新华路",   "文化路", "工业大道",
                               "科技园路", "滨海大道", "迎宾大道", "学府路"};
const char *const buildings[] = {"国贸大厦", "金融中心", "科技大厦",
                                 "商务中心", "创业园",   "世纪广场"};
const char *const contactDepartments[] = {"销售部", "采购部", "总经理办公室", "财务部",
                                          "市场部", "技术部", "行政部"};
const char *const contactDuties[] = {"总经理",   "副总经理", "销售经理", "采购经理",  "财务主管",
                                     "市场专员", "业务代表", "技术总监", "办公室主任"};
const char *const hobbies[] = {"打高尔夫", "喝茶", "钓鱼", "书法", "旅游",
                               "摄影",     "篮球", "象棋", "登山", "读书"};
const char *const products[] = {"智能终端", "工业控制器",   "办公软件",     "医疗器械", "节能灯具",
                                "净水设备", "安防监控系统", "数控机床配件", "有机茶叶", "建筑涂料"};
const char *const recordTitles[] = {
    "年度代理协议续签", "报价洽谈",     "首批订货",         "季度回款对账", "售后服务回访",
    "新品推介会邀请",   "代理资格年审", "促销活动费用结算", "合同变更确认", "展会样品发放"};
const char *const detailKinds[] = {"货款", "服务费", "保证金", "返利", "运费", "培训费"};
const char *const agentMemos[] = {"重点发展的代理商",
                                  "回款及时，信誉良好",
                                  "需要加强联系",
                                  "有意扩大代理区域",
                                  "新签约代理",
                                  "对价格比较敏感",
                                  "",
                                  ""};
const char *const planMemos[] = {
    "拜访客户，洽谈续约", "电话回访",           "参加展会", "送样品", "对账",
    "签订合同",           "培训代理商销售人员", "催收货款"};
const char *const logTexts[] = {"登录系统",     "打开代理商管理", "新增代理商", "修改代理商",
                                "删除联系人",   "打开业务记录",   "打印报表",   "查询代理商",
                                "打开日程安排", "退出系统"};
const char *const mobilePrefixes[] = {"130", "131", "132", "135", "136", "137", "138", "139", "150",
                                      "151", "152", "158", "159", "186", "187", "188", "189"};

struct Currency {
    const char *code;
    double rate;
};
// RMB mostly; the others as seeded in tblCurrencyRate.
const Currency currencies[] = {{"RMB", 1.0}, {"USD", 7.10}, {"EUR", 7.75}, {"HKD", 0.91}};

template <typename T, size_t N> constexpr int count(const T (&)[N])
{
    return int(N);
}

// ---------------------------------------------------------------- a row of values

struct Value {
    enum Kind { Null, Int, Real, Bool, Text } kind = Null;
    qint64 i = 0;
    double d = 0;
    std::string s; // UTF-8; keeps its capacity from row to row
};

class Row
{
  public:
    explicit Row(int columns) : m_values(size_t(columns)) {}
    void clear() { m_at = 0; }
    std::string &text()
    {
        Value &v = next(Value::Text);
        v.s.clear();
        return v.s;
    }
    void text(const std::string &s) { text() = s; }
    void text(const char *s) { text() = s; }
    void integer(qint64 i) { next(Value::Int).i = i; }
    void real(double d) { next(Value::Real).d = d; }
    void flag(bool b) { next(Value::Bool).i = b ? 1 : 0; }
    void null() { next(Value::Null); }
    int size() const { return m_at; }
    const Value &operator[](int i) const { return m_values[size_t(i)]; }

  private:
    Value &next(Value::Kind k)
    {
        Value &v = m_values.at(size_t(m_at++));
        v.kind = k;
        return v;
    }
    std::vector<Value> m_values;
    int m_at = 0;
};

// ---------------------------------------------------------------- writers

// Appends rows to one table inside the caller's transaction.
class TableWriter
{
  public:
    TableWriter(const char *table, std::vector<const char *> columns)
        : m_table(QString::fromLatin1(table))
    {
        for (const char *c : columns)
            m_columns << QString::fromLatin1(c);
    }
    virtual ~TableWriter() = default;
    virtual void add(const Row &row) = 0;
    virtual void flush() {} // before the transaction commits
    int columns() const { return int(m_columns.size()); }
    qint64 rows() const { return m_rows; }

  protected:
    QString insertHead(store::Engine e) const
    {
        QStringList cols;
        for (const QString &c : m_columns)
            cols << store::Schema::identifier(c, e);
        return QStringLiteral("INSERT INTO %1 (%2) VALUES ")
            .arg(m_table, cols.join(QLatin1Char(',')));
    }
    QString marks(int rows) const
    {
        const QString one =
            QLatin1Char('(') +
            QStringList(m_columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
            QLatin1Char(')');
        return QStringList(rows, one).join(QLatin1Char(','));
    }
    QString m_table;
    QStringList m_columns;
    qint64 m_rows = 0;
};

// SQLite: one prepared statement stepped per row through the raw handle.
class SqliteWriter : public TableWriter
{
  public:
    SqliteWriter(Connection &db, const char *table, std::vector<const char *> columns)
        : TableWriter(table, std::move(columns)), m_db(db.sqliteHandle())
    {
        const QByteArray sql = (insertHead(store::Engine::SQLite) + marks(1)).toUtf8();
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &m_stmt, nullptr) !=
            SQLITE_OK)
            throw StoreError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    ~SqliteWriter() override { sqlite3_finalize(m_stmt); }

    void add(const Row &row) override
    {
        for (int i = 0; i < row.size(); ++i) {
            const Value &v = row[i];
            switch (v.kind) {
            case Value::Null:
                sqlite3_bind_null(m_stmt, i + 1);
                break;
            case Value::Int:
            case Value::Bool:
                sqlite3_bind_int64(m_stmt, i + 1, v.i);
                break;
            case Value::Real:
                sqlite3_bind_double(m_stmt, i + 1, v.d);
                break;
            case Value::Text:
                sqlite3_bind_text(m_stmt, i + 1, v.s.data(), int(v.s.size()), SQLITE_STATIC);
                break;
            }
        }
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            throw StoreError(
                QStringLiteral("%1: %2").arg(m_table, QString::fromUtf8(sqlite3_errmsg(m_db))));
        ++m_rows;
    }

  private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// PostgreSQL: multi-row INSERTs with bound values, a few hundred rows at a time.
class PostgresWriter : public TableWriter
{
  public:
    PostgresWriter(Connection &db, const char *table, std::vector<const char *> columns)
        : TableWriter(table, std::move(columns)), m_db(db),
          m_batch(qMax(1, 8000 / this->columns())), m_full(db.database())
    {
        if (!m_full.prepare(insertHead(store::Engine::PostgreSQL) + marks(m_batch)))
            throw StoreError::fromSql(m_full.lastError());
        m_values.reserve(m_batch * this->columns());
    }

    void add(const Row &row) override
    {
        for (int i = 0; i < row.size(); ++i) {
            const Value &v = row[i];
            switch (v.kind) {
            case Value::Null:
                m_values << QVariant(QMetaType::fromType<QString>());
                break;
            case Value::Int:
                m_values << v.i;
                break;
            case Value::Bool:
                m_values << (v.i != 0);
                break;
            case Value::Real:
                m_values << v.d;
                break;
            case Value::Text:
                m_values << QString::fromUtf8(v.s.data(), qsizetype(v.s.size()));
                break;
            }
        }
        if (++m_pending == m_batch) {
            for (int i = 0; i < int(m_values.size()); ++i)
                m_full.bindValue(i, m_values[i]);
            if (!m_full.exec())
                throw StoreError::fromSql(m_full.lastError());
            m_rows += m_pending;
            m_pending = 0;
            m_values.clear();
        }
    }

    void flush() override
    {
        if (m_pending == 0)
            return;
        m_db.exec(insertHead(store::Engine::PostgreSQL) + marks(m_pending), m_values);
        m_rows += m_pending;
        m_pending = 0;
        m_values.clear();
    }

  private:
    Connection &m_db;
    int m_batch;
    QSqlQuery m_full;
    QVariantList m_values;
    int m_pending = 0;
};

std::unique_ptr<TableWriter> writer(Connection &db, const char *table,
                                    std::vector<const char *> columns)
{
    if (db.engine() == store::Engine::SQLite)
        return std::make_unique<SqliteWriter>(db, table, std::move(columns));
    return std::make_unique<PostgresWriter>(db, table, std::move(columns));
}

// ---------------------------------------------------------------- the book

class Book
{
  public:
    Book(Connection &db, const SampleBook::Options &o)
        : m_db(db), m_agents(o.agents), m_plans(o.plans < 0 ? o.agents * 2 : o.plans),
          m_logs(o.logs < 0 ? o.agents * 20 : o.logs), m_o(o)
    {
        // Dates from five years ago (or the history asked for) to two months ahead (the
        // schedule looks forward too).
        const QDate today = QDate::currentDate();
        m_pastDays = o.historyDays;
        for (QDate d = today.addDays(-(m_pastDays - 1)); d <= today.addDays(60); d = d.addDays(1))
            m_days.push_back(d.toString(Qt::ISODate).toStdString());
        for (const Region &r : regions())
            for (int w = 0; w < r.weight; ++w)
                m_weightedRegions.push_back(&r);
    }

    void fill()
    {
        QElapsedTimer all;
        all.start();
        users();
        organisation();
        referrers();
        agents();
        plans();
        log();
        notices();
        say("filled in %.1f s\n", double(all.elapsed()) / 1000.0);
    }

  private:
    // ---- random helpers
    int pick(int n) { return int(m_rng() % quint64(n)); }
    template <typename T, size_t N> const T &pick(const T (&list)[N]) { return list[pick(int(N))]; }
    bool chance(int percent) { return pick(100) < percent; }
    void digits(std::string &out, int n)
    {
        for (int i = 0; i < n; ++i)
            out += char('0' + pick(10));
    }
    const std::string &pastDay() { return m_days[size_t(pick(m_pastDays))]; }
    int pastDayIndex() { return pick(m_pastDays); }
    std::string clock(int fromHour, int hours)
    {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", fromHour + pick(hours), pick(60),
                      pick(60));
        return buf;
    }
    static std::string code(char prefix, qint64 n, int width)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%c%0*lld", prefix, width, static_cast<long long>(n));
        return buf;
    }
    // Appends a name; returns its surname.
    const char *personName(std::string &out)
    {
        const char *surname = pick(surnames);
        out += surname;
        if (chance(35))
            out += pick(doubleGiven);
        else
            out += pick(singleGiven);
        return surname;
    }
    static std::string twoDigits(int n)
    {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02d", n);
        return buf;
    }
    void mobile(std::string &out)
    {
        out += pick(mobilePrefixes);
        digits(out, 8);
    }
    void landline(std::string &out, const char *area)
    {
        out += area;
        out += '-';
        out += char('2' + pick(7));
        digits(out, 7);
    }
    static double money(double v) { return std::round(v * 100.0) / 100.0; }

    void commit(const std::function<void()> &work, std::vector<TableWriter *> writers)
    {
        m_db.transaction([&] {
            work();
            for (TableWriter *w : writers)
                w->flush();
        });
    }

    void progress(const char *what, qint64 done, qint64 total, const QElapsedTimer &t)
    {
        const double s = double(t.elapsed()) / 1000.0;
        say("  %-10s %9lld / %-9lld %6.1f s\n", what, static_cast<long long>(done),
                    static_cast<long long>(total), s);
    }

    // ---- seats and referrers
    void users()
    {
        // One hash for all: verifying any of them costs the same as the administrator's.
        const QString password = store::Passwords::hash(m_o.userPassword);
        QStringList rights;
        QSqlQuery q = m_db.exec(QStringLiteral("SELECT RightID FROM tblUserRight WHERE UserID = ?"),
                                {QStringLiteral("Admin")});
        while (q.next())
            rights << q.value(0).toString();
        q.finish();
        const QString rightSql =
            QStringLiteral("INSERT INTO tblUserRight (UserID, RightID, %1, %2, %3, %4, %5) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?)")
                .arg(m_db.ident(QStringLiteral("Insert")), m_db.ident(QStringLiteral("Modify")),
                     m_db.ident(QStringLiteral("Delete")), m_db.ident(QStringLiteral("Query")),
                     m_db.ident(QStringLiteral("Print")));
        m_db.transaction([&] {
            for (int u = 1; u <= m_o.users; ++u) {
                std::string name;
                personName(name);
                const QString id = QStringLiteral("user%1").arg(u);
                m_userNames.push_back(name);
                m_db.exec(
                    QStringLiteral(
                        "INSERT INTO tblUser (UserID, UserName, Password, DeptID, Duty, State, "
                        "Memo, Sys, SUser, SDate) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {id, QString::fromStdString(name), password,
                     QStringLiteral("0%1").arg(2 + u % 2),
                     QString::fromUtf8(u == 1 ? "销售主管" : "业务员"), QStringLiteral("Yes"),
                     QString::fromUtf8("代理商业务"), false, QStringLiteral("Admin"),
                     QString::fromStdString(pastDay())});
                for (const QString &r : std::as_const(rights))
                    m_db.exec(rightSql, {id, r, u == 1, true, u == 1, true, true});
            }
        });
        say("  users      user1..user%d (password %s)\n", m_o.users, qPrintable(m_o.userPassword));
    }

    void referrers()
    {
        const char *const education[] = {"本科", "大专", "硕士", "高中"};
        auto w = writer(m_db, "tblOperaters",
                        {"OperaterID", "Name",   "NickName", "Sex",    "DepartmentID", "Duty",
                         "Education",  "Birth",  "ID",       "Native", "CTelephone",   "Fax",
                         "HTelephone", "Mobile", "Address",  "Email",  "Memo",         "InTime",
                         "State",      "SUser",  "SDate"});
        Row row(w->columns());
        commit(
            [&] {
                for (int i = 1; i <= ReferrerCount; ++i) {
                    const Region &reg =
                        *m_weightedRegions[size_t(pick(int(m_weightedRegions.size())))];
                    const City &city = reg.cities[size_t(pick(int(reg.cities.size())))];
                    row.clear();
                    row.text(code('P', i, 3));
                    const char *surname = personName(row.text());
                    row.text(std::string(chance(50) ? "小" : "老") + surname);
                    row.text(chance(55) ? "男" : "女");
                    row.text(twoDigits(2 + pick(2))); // 市场部 or 销售部
                    row.text(chance(20) ? "区域经理" : "业务经理");
                    row.text(pick(education));
                    char birth[40];
                    std::snprintf(birth, sizeof birth, "%04d-%02d-%02d", 1965 + pick(35),
                                  1 + pick(12), 1 + pick(28));
                    row.text(birth);
                    std::string &id = row.text();
                    id += city.postCode;
                    digits(id, 15);
                    row.text(std::string(city.name) + "市");
                    landline(row.text(), city.areaCode);
                    landline(row.text(), city.areaCode);
                    landline(row.text(), city.areaCode);
                    mobile(row.text());
                    address(row.text(), city);
                    row.text(code('p', i, 3) + "@tessaly.cn");
                    row.text("负责" + std::string(city.name) + "地区代理商推荐");
                    row.text(pastDay());
                    row.text(chance(90) ? "在职" : "离职");
                    row.text("Admin");
                    row.text(pastDay());
                    w->add(row);
                }
            },
            {w.get()});
        say("  referrers  %d\n", ReferrerCount);
    }

    void address(std::string &out, const City &city)
    {
        out += city.name;
        out += "市";
        out += pick(districts);
        out += pick(streets);
        out += std::to_string(1 + pick(899));
        out += "号";
        if (chance(40)) {
            out += pick(buildings);
            out += std::to_string(2 + pick(28));
            out += "层";
        }
    }

    // Agent contacts (商务代理接触): one to three calls, visits or meetings since the agent was
    // taken on, the first with its main contact, some of them at a cost.
    void agentContacts(TableWriter &w, Row &row, const std::string &custId, int created,
                       const std::string &mainName, const std::string &place)
    {
        const char *const ways[] = {"电话", "上门拜访", "邮件", "展会洽谈", "宴请", "视频会议"};
        const char *const topics[] = {"介绍新产品及代理政策", "商谈年度代理目标", "催收到期货款",
                                      "处理终端客户投诉",     "邀请参加订货会",   "确认促销方案"};
        const int n = 1 + pick(3);
        for (int k = 0; k < n; ++k) {
            const int way = pick(count(ways));
            row.clear();
            row.text(custId);
            row.text(m_days[size_t(qMin(m_pastDays - 1, created + pick(m_pastDays - created)))]);
            row.text(clock(9, 9).substr(0, 5));
            row.text(ways[way]);
            if (k == 0)
                row.text(mainName);
            else
                personName(row.text());
            row.text(k == 0 ? "总经理" : pick(contactDuties));
            row.text(pick(topics));
            row.real(way == 1 || way == 3 || way == 4 ? money(100.0 + pick(300000) / 100.0) : 0.0);
            row.text(way == 1               ? place + "对方公司"
                     : way == 3 || way == 4 ? place
                                            : std::string("本公司"));
            if (chance(30))
                row.text("下次联系时带上最新报价单");
            else
                row.null();
            w.add(row);
        }
    }

    // Other information (其他资料): the agent's bank account and its data for VAT invoices.
    void otherInfo(TableWriter &w, Row &row, const std::string &custId, const std::string &name,
                   const std::string &phone, const std::string &address, const char *city)
    {
        const struct {
            const char *code, *name;
        } banks[] = {{"ICBC", "中国工商银行"}, {"ABC", "中国农业银行"},     {"BOC", "中国银行"},
                     {"CCB", "中国建设银行"},  {"BOCOM", "交通银行"},       {"CMB", "招商银行"},
                     {"CITIC", "中信银行"},    {"SPDB", "上海浦东发展银行"}};
        const auto &bank = banks[pick(count(banks))];
        const std::string branch =
            std::string(bank.name) + city + "分行" + pick(districts) + "支行";
        row.clear();
        row.text(custId);
        row.text(bank.code);
        std::string &account = row.text();
        account += "6222";
        digits(account, 15);
        row.text(std::string(city) + pick(districts) + pick(streets) +
                 std::to_string(1 + pick(899)) + "号");
        row.text(name);
        std::string &taxId = row.text();
        taxId += "91";
        digits(taxId, 16);
        row.text(address);
        row.text(phone);
        row.text(branch);
        row.text(account);
        w.add(row);
    }

    // The organisation's own data (用户登记信息), which envelopes print as the sender.
    void organisation()
    {
        m_db.exec(
            QStringLiteral("INSERT INTO tblUserInfo (UserName, Address, PostCode, Telephone, Fax, "
                           "Email, HomePage) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {QStringLiteral("星桥通商务代理服务有限公司"),
             QStringLiteral("杭州市滨江区江南大道588号恒鑫大厦12层"), QStringLiteral("310052"),
             QStringLiteral("0571-86861234"), QStringLiteral("0571-86861235"),
             QStringLiteral("service@tessaly.cn"), QStringLiteral("www.tessaly.cn")});
    }

    // ---- agents with their contacts, records and record details
    void agents()
    {
        auto customers = writer(
            m_db, "tblCustomers",
            {"CustId",      "CustName",      "CountryID", "DistID",     "City",       "PostCode",
             "Telephone",   "Fax",           "Address",   "Email",      "HomePage",   "VocationID",
             "OriginID",    "LevelID",       "StateId",   "CreateDate", "OperaterID", "Memo",
             "MainLinkman", "MainTelephone", "SUser",     "SDate"});
        auto contacts = writer(m_db, "tblLinkmans",
                               {"LinkmanID", "CustID", "Main", "Name", "NickName", "Department",
                                "Duty", "Telephone", "Fax", "Mobile", "HomeAddress", "Email",
                                "Enjoy", "SpecialDate", "Memo", "SUser", "SDate"});
        auto records = writer(
            m_db, "tblOperates",
            {"OperateID",      "OperateTitle", "CustID", "Link",      "LinkCustID", "CreateDate",
             "LinkmanID",      "OriginId",     "TypeID", "WriteDate", "EndDate",    "OperaterID",
             "CompactAmount",  "Profit",       "Rate",   "CurrID",    "RMB",        "InOrOut",
             "OperateStateID", "SUser",        "SDate"});
        auto details = writer(m_db, "tblOperateDetail",
                              {"OperateID", "DetailNo", "DTitle", "OperateDate", "Memo", "InOut",
                               "CurrID", "Price", "Amount", "DTotal", "RMB"});
        auto states = writer(m_db, "tblCustomerState",
                             {"CustID", "LinkDate", "LinkTime", "LinkType", "Linkman", "Duty",
                              "LinkContent", "Charge", "Address", "Memo"});
        auto addInfo = writer(m_db, "tblCustomerAddInfo",
                              {"CustID", "BankID", "Account", "BankAddress", "VATaxName", "VATaxID",
                               "VATaxAddress", "VATaxPhone", "VATaxBank", "VATaxAccount"});
        Row cust(customers->columns()), contact(contacts->columns()), record(records->columns()),
            detail(details->columns()), state(states->columns()), info(addInfo->columns());

        const char *const allOwners[] = {"user1", "user2", "user3", "user4", "user5",
                                         "user6", "user7", "user8", "Admin"};
        // The users the book has, and Admin.
        std::vector<const char *> owners(allOwners, allOwners + qMin(m_o.users, 8));
        owners.push_back("Admin");
        constexpr int chunk = 2000; // agents per transaction: about 70,000 rows
        QElapsedTimer t;
        t.start();
        qint64 nextReport = m_agents / 10;
        for (qint64 from = 0; from < m_agents; from += chunk) {
            const qint64 to = qMin(m_agents, from + chunk);
            commit(
                [&] {
                    for (qint64 a = from; a < to; ++a) {
                        const std::string custId = code('C', a + 1, 6);
                        const char *owner = owners[size_t(pick(int(owners.size())))];
                        const bool home = chance(95);
                        const Region &reg =
                            *m_weightedRegions[size_t(pick(int(m_weightedRegions.size())))];
                        const City &city = reg.cities[size_t(pick(int(reg.cities.size())))];
                        const auto &far = abroad[pick(count(abroad))];
                        const int created = pastDayIndex();
                        const std::string stamp = m_days[size_t(created)] + " " + clock(8, 10);

                        // Contacts first: the agent names its main one.
                        std::string mainName, mainMobile;
                        for (int k = 0; k < 3; ++k) {
                            contact.clear();
                            contact.text(code('L', a * 3 + k + 1, 7));
                            contact.text(custId);
                            contact.flag(k == 0);
                            std::string &name = contact.text();
                            const char *surname = personName(name);
                            contact.text(std::string(chance(50) ? "小" : "老") + surname);
                            contact.text(pick(contactDepartments));
                            contact.text(k == 0 ? "总经理" : pick(contactDuties));
                            if (home)
                                landline(contact.text(), city.areaCode);
                            else
                                contact.text() = std::string(far.phone) +
                                                 std::to_string(2000000 + pick(7999999));
                            if (home && chance(50))
                                landline(contact.text(), city.areaCode);
                            else
                                contact.null();
                            std::string &m = contact.text();
                            mobile(m);
                            if (k == 0) {
                                mainName = name;
                                mainMobile = m;
                            }
                            if (home)
                                address(contact.text(), city);
                            else
                                contact.text(far.city);
                            contact.text(code('l', a * 3 + k + 1, 7) + "@" + code('c', a + 1, 6) +
                                         ".com");
                            contact.text(pick(hobbies));
                            contact.text(m_days[size_t(pick(m_pastDays))]);
                            if (chance(30))
                                contact.text(k == 0 ? "决策人" : "日常联系人");
                            else
                                contact.null();
                            contact.text(owner);
                            contact.text(stamp);
                            contacts->add(contact);
                        }

                        cust.clear();
                        cust.text(custId);
                        std::string &name = cust.text();
                        name += home ? city.name : far.city;
                        name += pick(brandSyllables);
                        name += pick(brandSyllables);
                        name += pick(trades);
                        name += pick(companyForms);
                        cust.text(home ? "China" : far.country);
                        if (home)
                            cust.text(reg.code);
                        else
                            cust.null();
                        cust.text(home ? std::string(city.name) + "市" : std::string(far.city));
                        if (home) {
                            std::string &post = cust.text();
                            post += city.postCode;
                            digits(post, 3);
                        } else {
                            cust.null();
                        }
                        if (home) {
                            landline(cust.text(), city.areaCode);
                            landline(cust.text(), city.areaCode);
                            address(cust.text(), city);
                        } else {
                            cust.text(std::string(far.phone) +
                                      std::to_string(2000000 + pick(7999999)));
                            cust.null();
                            cust.text(far.city);
                        }
                        cust.text("sales@" + code('c', a + 1, 6) + ".com");
                        if (chance(60))
                            cust.text("www." + code('c', a + 1, 6) + ".com");
                        else
                            cust.null();
                        cust.text(twoDigits(1 + pick(10))); // VocationID 01..10
                        cust.text(twoDigits(1 + pick(6)));  // OriginID 01..06
                        cust.text(std::string(1, char('A' + pick(4))));
                        cust.text(twoDigits(1 + pick(5))); // StateId 01..05
                        cust.text(m_days[size_t(created)]);
                        cust.text(code('P', 1 + pick(ReferrerCount), 3));
                        if (const char *memo = pick(agentMemos); *memo)
                            cust.text(memo);
                        else
                            cust.null();
                        cust.text(mainName);
                        cust.text(mainMobile);
                        cust.text(owner);
                        cust.text(stamp);
                        customers->add(cust);
                        agentContacts(*states, state, custId, created, mainName,
                                      home ? std::string(city.name) + "市" : std::string(far.city));
                        // Name, telephone and address as the agent row holds them.
                        otherInfo(*addInfo, info, custId, cust[1].s, cust[6].s, cust[8].s,
                                  home ? city.name : far.city);

                        // Ten records, each with two detail items: what has been received or
                        // paid. About a third of them are not settled in full yet.
                        for (int k = 0; k < 10; ++k) {
                            const qint64 n = a * 10 + k + 1;
                            const std::string operateId = code('R', n, 8);
                            const Currency &cur =
                                chance(90) ? currencies[0] : currencies[1 + pick(3)];
                            const bool income = chance(70);
                            const int day =
                                qMin(m_pastDays - 1, created + pick(m_pastDays - created));
                            const char *product = pick(products);
                            double total = 0, rmb = 0;
                            for (int dn = 1; dn <= 2; ++dn) {
                                // Now and then an item is settled in another currency than
                                // its contract's; what counts is its value in RMB.
                                const Currency &paid =
                                    chance(10) ? currencies[pick(count(currencies))] : cur;
                                const double price = money(50.0 + pick(500000) / 100.0);
                                const double amount = double(1 + pick(200));
                                const double dtotal = money(price * amount);
                                const double drmb = money(dtotal * paid.rate);
                                total += &paid == &cur ? dtotal : money(drmb / cur.rate);
                                rmb += drmb;
                                detail.clear();
                                detail.text(operateId);
                                detail.text(std::to_string(dn));
                                detail.text(std::string(product) + pick(detailKinds));
                                detail.text(m_days[size_t(qMin(m_pastDays - 1, day + pick(30)))]);
                                if (chance(30))
                                    detail.text(dn == 1 ? "首付" : "尾款");
                                else
                                    detail.null();
                                detail.text(income ? "收款" : "付款");
                                detail.text(paid.code);
                                detail.real(price);
                                detail.real(amount);
                                detail.real(dtotal);
                                detail.real(drmb);
                                details->add(detail);
                            }
                            if (chance(35)) {
                                const double open = money(total * (0.1 + pick(60) / 100.0));
                                total += open;
                                rmb += money(open * cur.rate);
                            }
                            record.clear();
                            record.text(operateId);
                            record.text(m_days[size_t(day)].substr(0, 4) + "年" + product +
                                        pick(recordTitles));
                            record.text(custId);
                            const bool link = chance(5);
                            record.flag(link);
                            if (link)
                                record.text(code('C', 1 + pick(int(m_agents)), 6));
                            else
                                record.null();
                            record.text(m_days[size_t(day)]);
                            record.text(code('L', a * 3 + pick(3) + 1, 7));
                            record.text(twoDigits(1 + pick(3))); // OriginId 01..03
                            record.text(twoDigits(1 + pick(2))); // TypeID 01..02
                            record.text(m_days[size_t(day)]);
                            record.text(
                                m_days[size_t(qMin(int(m_days.size()) - 1, day + 30 + pick(365)))]);
                            record.text(code('P', 1 + pick(ReferrerCount), 3));
                            record.real(money(total));
                            record.real(money(total * (0.1 + pick(20) / 100.0)));
                            record.real(cur.rate);
                            record.text(cur.code);
                            record.real(money(rmb));
                            record.text(income ? "收款" : "付款");
                            record.text(twoDigits(1 + pick(4))); // OperateStateID 01..04
                            record.text(owner);
                            record.text(m_days[size_t(day)] + " " + clock(8, 10));
                            records->add(record);
                        }
                    }
                },
                {customers.get(), contacts.get(), records.get(), details.get(), states.get(),
                 addInfo.get()});
            if (to >= nextReport || to == m_agents) {
                progress("agents", to, m_agents, t);
                nextReport += qMax<qint64>(1, m_agents / 10);
            }
        }
        say(
            "  agents %lld, contacts %lld, records %lld, details %lld\n",
            static_cast<long long>(customers->rows()), static_cast<long long>(contacts->rows()),
            static_cast<long long>(records->rows()), static_cast<long long>(details->rows()));
    }

    void plans()
    {
        auto w = writer(m_db, "tblPlan",
                        {"PlanDate", "PlanTime", "Address", "CustID", "Linkman", "OperateId",
                         "AttendMan", "Memo"});
        Row row(w->columns());
        constexpr int chunk = 50000;
        QElapsedTimer t;
        t.start();
        for (qint64 from = 0; from < m_plans; from += chunk) {
            const qint64 to = qMin(m_plans, from + chunk);
            commit(
                [&] {
                    for (qint64 i = from; i < to; ++i) {
                        const qint64 a = pick(int(m_agents));
                        const Region &reg =
                            *m_weightedRegions[size_t(pick(int(m_weightedRegions.size())))];
                        const City &city = reg.cities[size_t(pick(int(reg.cities.size())))];
                        row.clear();
                        row.text(m_o.planDaysAround < 0 ? m_days[size_t(pick(int(m_days.size())))]
                                                        : aroundToday(m_o.planDaysAround));
                        row.text(clock(8, 10));
                        address(row.text(), city);
                        row.text(code('C', a + 1, 6));
                        personName(row.text());
                        if (chance(50))
                            row.text(code('R', a * 10 + pick(10) + 1, 8));
                        else
                            row.null();
                        row.text(m_userNames[size_t(pick(int(m_userNames.size())))]);
                        row.text(pick(planMemos));
                        w->add(row);
                    }
                },
                {w.get()});
            progress("schedule", to, m_plans, t);
        }
    }

    void log()
    {
        auto w = writer(m_db, "tblLog", {"LogDateTime", "UserID", "Operate"});
        Row row(w->columns());
        const char *const allUsers[] = {"user1", "user2", "user3", "user4", "user5",
                                        "user6", "user7", "user8", "Admin"};
        std::vector<const char *> users(allUsers, allUsers + qMin(m_o.users, 8));
        users.push_back("Admin");
        constexpr int chunk = 200000;
        QElapsedTimer t;
        t.start();
        for (qint64 from = 0; from < m_logs; from += chunk) {
            const qint64 to = qMin(m_logs, from + chunk);
            commit(
                [&] {
                    for (qint64 i = from; i < to; ++i) {
                        // In time order, as a log grows.
                        const int day = int(i * m_pastDays / qMax<qint64>(1, m_logs));
                        row.clear();
                        row.text(m_days[size_t(day)] + " " + clock(8, 10));
                        row.text(users[size_t(pick(int(users.size())))]);
                        row.text(pick(logTexts));
                        w->add(row);
                    }
                },
                {w.get()});
            progress("log", to, m_logs, t);
        }
    }

    // A date within `days` of today, as text.
    std::string aroundToday(int days)
    {
        return QDate::currentDate().addDays(pick(2 * days + 1) - days).toString(Qt::ISODate).toStdString();
    }

    void notices()
    {
        const char *const titles[] = {"本周五下午召开代理商季度总结会", "新版价格表已发布，请各位查收",
                                      "国庆假期值班安排",               "请及时录入上月联络记录",
                                      "华东区代理商培训报名开始",       "财务部提醒：月底前核对应收账款"};
        const int n = qMin(m_o.notices, count(titles));
        m_db.transaction([&] {
            for (int i = 0; i < n; ++i) {
                std::string man;
                personName(man);
                m_db.exec(QStringLiteral("INSERT INTO tblBoard (BTitle, BDate, Man, Memo) VALUES (?, ?, ?, ?)"),
                          {QString::fromUtf8(titles[i]), QDate::currentDate().addDays(-3 * i),
                           QString::fromStdString(man), QString::fromUtf8("详见公司内网。")});
            }
        });
        if (n)
            say("  notices    %d\n", n);
    }

    template <typename... Args> void say(const char *format, Args... args)
    {
        if (m_o.quiet)
            return;
        std::printf(format, args...);
        std::fflush(stdout);
    }

    static constexpr int ReferrerCount = 40;

    Connection &m_db;
    qint64 m_agents, m_plans, m_logs;
    SampleBook::Options m_o;
    std::mt19937_64 m_rng{20240601};
    std::vector<std::string> m_days;
    int m_pastDays = 0;
    std::vector<const Region *> m_weightedRegions;
    std::vector<std::string> m_userNames;
};

} // namespace

void SampleBook::fill(Connection &db, const Options &options)
{
    Book(db, options).fill();
}

} // namespace store
