#include "seed.h"

#include "connection.h"
#include "passwords.h"

#include <QStringList>
#include <vector>

namespace store::Seed {

namespace {

struct Entry
{
    const char *code;
    const char *name;
    const char *memo;
};

// 0x00BBGGRR, red in the lowest byte.
constexpr int colours[] = {
    0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x000080, 0x008000,
    0x800000, 0x008080, 0x800080, 0x808000, 0x0080FF, 0xFF8000, 0x8000FF, 0x80FF00,
    0xC0C0C0, 0x404040, 0x4080FF, 0xFF8080,
};
constexpr int colourCount = int(sizeof colours / sizeof colours[0]);

QString u(const char *s) { return QString::fromUtf8(s); }

void dictionary(Connection &db, const char *table, const char *codeCol, const char *nameCol,
                const char *colourCol, const std::vector<Entry> &rows)
{
    const QString sql = colourCol
                            ? QStringLiteral("INSERT INTO %1 (%2, %3, %4, Memo) VALUES (?, ?, ?, ?)")
                                  .arg(u(table), u(codeCol), u(nameCol), u(colourCol))
                            : QStringLiteral("INSERT INTO %1 (%2, %3, Memo) VALUES (?, ?, ?)")
                                  .arg(u(table), u(codeCol), u(nameCol));
    int i = 0;
    for (const Entry &e : rows) {
        QVariantList values{u(e.code), u(e.name)};
        if (colourCol)
            values << colours[i++ % colourCount];
        values << u(e.memo);
        db.exec(sql, values);
    }
}

void rights(Connection &db)
{
    QStringList codes;
    for (int i = 101; i <= 107; ++i)
        codes << QString::number(i);
    for (int i = 201; i <= 212; ++i)
        codes << QString::number(i);
    for (int i = 301; i <= 307; ++i)
        codes << QString::number(i);
    for (int i = 401; i <= 414; ++i)
        codes << QString::number(i);
    for (int i = 501; i <= 503; ++i)
        codes << QString::number(i);
    const QString sql = QStringLiteral("INSERT INTO tblUserRight (UserID, RightID, %1, %2, %3, %4, %5) "
                                       "VALUES (?, ?, ?, ?, ?, ?, ?)")
                            .arg(db.ident(QStringLiteral("Insert")), db.ident(QStringLiteral("Modify")),
                                 db.ident(QStringLiteral("Delete")), db.ident(QStringLiteral("Query")),
                                 db.ident(QStringLiteral("Print")));
    for (const QString &c : codes)
        db.exec(sql, {QStringLiteral("Admin"), c, true, true, true, true, true});
}

} // namespace

void fill(Connection &db)
{
    for (int c : colours)
        db.exec(QStringLiteral("INSERT INTO tblColor (ColorID) VALUES (?)"), {c});

    db.exec(QStringLiteral("INSERT INTO tblUser (UserID, UserName, Password, State, Sys, Memo) "
                           "VALUES (?, ?, ?, ?, ?, ?)"),
            {QStringLiteral("Admin"), u("系统管理员"), Passwords::hash(QLatin1String(Passwords::Initial)),
             QStringLiteral("Yes"), true, u("系统内置用户")});
    rights(db);

    const char *countrySql = "INSERT INTO tblCountry (CountryID, CountryName, CountryColor, "
                             "Continent, Memo) VALUES (?, ?, ?, ?, ?)";
    const struct { const char *code, *name, *continent; } countries[] = {
        {"China", "中国", "亚洲"},      {"Japan", "日本", "亚洲"},     {"Korea", "韩国", "亚洲"},
        {"Singapore", "新加坡", "亚洲"}, {"USA", "美国", "北美洲"},    {"Canada", "加拿大", "北美洲"},
        {"Germany", "德国", "欧洲"},    {"France", "法国", "欧洲"},    {"UK", "英国", "欧洲"},
        {"Italy", "意大利", "欧洲"},    {"Australia", "澳大利亚", "澳洲"}, {"Brazil", "巴西", "南美洲"},
        {"Egypt", "埃及", "非洲"},      {"SouthAfrica", "南非", "非洲"},
    };
    int i = 0;
    for (const auto &c : countries)
        db.exec(u(countrySql), {u(c.code), u(c.name), colours[i++ % colourCount], u(c.continent),
                                u(c.code) == QLatin1String("China") ? u("本国") : u("国外")});

    const Entry regions[] = {
        {"BJ", "北京市", "直辖市"},   {"TJ", "天津市", "直辖市"},   {"HE", "河北省", "省"},
        {"SX", "山西省", "省"},       {"NM", "内蒙古自治区", "自治区"}, {"LN", "辽宁省", "省"},
        {"JL", "吉林省", "省"},       {"HL", "黑龙江省", "省"},     {"SH", "上海市", "直辖市"},
        {"JS", "江苏省", "省"},       {"ZJ", "浙江省", "省"},       {"AH", "安徽省", "省"},
        {"FJ", "福建省", "省"},       {"JX", "江西省", "省"},       {"SD", "山东省", "省"},
        {"HA", "河南省", "省"},       {"HB", "湖北省", "省"},       {"HN", "湖南省", "省"},
        {"GD", "广东省", "省"},       {"GX", "广西壮族自治区", "自治区"}, {"HI", "海南省", "省"},
        {"CQ", "重庆市", "直辖市"},   {"SC", "四川省", "省"},       {"GZ", "贵州省", "省"},
        {"YN", "云南省", "省"},       {"XZ", "西藏自治区", "自治区"}, {"SN", "陕西省", "省"},
        {"GS", "甘肃省", "省"},       {"QH", "青海省", "省"},       {"NX", "宁夏回族自治区", "自治区"},
        {"XJ", "新疆维吾尔自治区", "自治区"}, {"TW", "台湾省", "省"}, {"HK", "香港特别行政区", "特别行政区"},
        {"MO", "澳门特别行政区", "特别行政区"},
    };
    i = 0;
    for (const Entry &r : regions)
        db.exec(QStringLiteral("INSERT INTO tblCustDist (DistID, DistName, DistColor, CountryID, Memo) "
                               "VALUES (?, ?, ?, 'China', ?)"),
                {u(r.code), u(r.name), colours[i++ % colourCount], u(r.memo)});

    dictionary(db, "tblCustLevel", "LevelID", "LevelName", "LevelColor",
               {{"A", "一级代理", "全国或大区总代理"}, {"B", "二级代理", "省级代理"},
                {"C", "三级代理", "市级代理"}, {"D", "普通代理", "一般代理商"}});
    dictionary(db, "tblCustOrigin", "OriginID", "OriginName", "OriginColor",
               {{"01", "网络推广", "网站及网络广告"}, {"02", "展会", "各类展销会"},
                {"03", "朋友介绍", "熟人介绍"}, {"04", "媒体广告", "报刊电视广告"},
                {"05", "电话咨询", "客户来电"}, {"06", "老客户推荐", "已有代理推荐"}});
    dictionary(db, "tblCustState", "StateID", "StateName", "StateColor",
               {{"01", "初次接触", "刚建立联系"}, {"02", "意向洽谈", "正在商谈合作"},
                {"03", "正式签约", "已签订代理协议"}, {"04", "暂停联系", "暂时中断联系"},
                {"05", "终止合作", "不再合作"}});
    dictionary(db, "tblVocation", "VocationId", "VocationName", "VocationColor",
               {{"01", "制造业", "工业制造"}, {"02", "批发零售", "商品贸易"},
                {"03", "信息技术", "软件与信息服务"}, {"04", "建筑业", "建筑与工程"},
                {"05", "金融业", "银行证券保险"}, {"06", "教育", "学校与培训"},
                {"07", "医疗卫生", "医院与医药"}, {"08", "交通物流", "运输仓储"},
                {"09", "住宿餐饮", "酒店餐饮"}, {"10", "农林牧渔", "农业"}});
    dictionary(db, "tblOperateType", "TypeID", "TypeName", "TypeColor",
               {{"01", "有档案", "档案已建立"}, {"02", "无档案", "尚未建立档案"}});
    dictionary(db, "tblOperateOrigin", "OriginID", "OriginName", "OriginColor",
               {{"01", "完备", "档案资料齐全"}, {"02", "基本完备", "缺少少量资料"},
                {"03", "不完备", "缺少主要资料"}});
    dictionary(db, "tblOperateState", "OperateStateID", "OperateStateName", "StateColor",
               {{"01", "未发证", "尚未发放证书"}, {"02", "发证中", "证书办理中"},
                {"03", "已发证", "证书已发放"}, {"04", "已注销", "证书已注销"}});
    dictionary(db, "tblDepartment", "DepartmentID", "DepartmentName", nullptr,
               {{"01", "总经理办公室", "公司领导"}, {"02", "市场部", "市场推广"},
                {"03", "销售部", "代理商发展与维护"}, {"04", "财务部", "财务结算"},
                {"05", "行政部", "行政后勤"}, {"06", "技术部", "技术支持"}});
    dictionary(db, "tblFinanceOrgan", "OrganID", "OrganName", nullptr,
               {{"ICBC", "中国工商银行", "国有商业银行"}, {"ABC", "中国农业银行", "国有商业银行"},
                {"BOC", "中国银行", "国有商业银行"}, {"CCB", "中国建设银行", "国有商业银行"},
                {"BOCOM", "交通银行", "国有商业银行"}, {"PSBC", "中国邮政储蓄银行", "国有商业银行"},
                {"CMB", "招商银行", "股份制商业银行"}, {"CITIC", "中信银行", "股份制商业银行"},
                {"SPDB", "上海浦东发展银行", "股份制商业银行"}, {"CMBC", "中国民生银行", "股份制商业银行"}});

    const struct { const char *code, *name; double rate; } currencies[] = {
        {"RMB", "人民币", 1.0},  {"USD", "美元", 7.10},  {"EUR", "欧元", 7.75},
        {"JPY", "日元", 0.048}, {"HKD", "港币", 0.91}, {"GBP", "英镑", 9.05},
    };
    for (const auto &c : currencies)
        db.exec(QStringLiteral("INSERT INTO tblCurrencyRate (CurrID, CurrName, Rate, Memo) "
                               "VALUES (?, ?, ?, ?)"),
                {u(c.code), u(c.name), c.rate, u("对人民币汇率")});
}

} // namespace store::Seed
