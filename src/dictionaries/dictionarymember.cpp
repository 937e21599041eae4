#include "dictionarymember.h"

namespace
{

using Field = DictionaryMember::Field;
using Extra = DictionaryMember::Extra;

QString u(const char *text)
{
    return QString::fromUtf8(text);
}

Field field(const char *column, const char *caption, const char *emptyMessage)
{
    return {QLatin1String(column), u(caption), u(emptyMessage)};
}

// A member with code, name, colour and description; the extra field and the odd shortcuts are
// set afterwards by the few members that have them.
DictionaryMember member(const char *command, const char *objectName, const char *caption,
                        const char *gridLabel, const char *dataset, const char *rightId,
                        const char *logPrefix, Field code, Field name, Field colour,
                        const char *memoCaption, const char *memoRefusal)
{
    DictionaryMember m;
    m.command = QLatin1String(command);
    m.objectName = QLatin1String(objectName);
    m.caption = u(caption);
    m.gridLabel = u(gridLabel);
    m.dataset = QLatin1String(dataset);
    m.rightId = QLatin1String(rightId);
    m.logPrefix = u(logPrefix);
    m.code = code;
    m.name = name;
    m.colour = colour;
    m.memoCaption = u(memoCaption);
    m.memoRefusal = u(memoRefusal);
    return m;
}

QList<DictionaryMember> build()
{
    QList<DictionaryMember> all;

    all << member("Act_Department", "TfrmDepartment", "部门设置", "部门设置列表：", "tblDepartment",
                  "201", "基础资料-部门设置", field("DepartmentID", "部门代码", "请输入部门代码！"),
                  field("DepartmentName", "部门名称", "请输入部门名称！"), Field(), "描述",
                  "请输入部门描述！");

    DictionaryMember region = member(
        "Act_Region", "TfrmRegion", "省市设置", "省市列表：", "tblCustDist", "202",
        "基础资料-地区设置", field("DistID", "省市代码", "请输入地区代码！"),
        field("DistName", "省市名称", "请输入地区名称！"),
        field("DistColor", "颜色设置", "请选择您要设置的颜色！"), "描述", "请输入地区描述！");
    region.extraKind = Extra::Country;
    region.extra = field("CountryID", "所在国家", "请选择该地区所在的国家名称！");
    all << region;

    DictionaryMember country = member(
        "Act_Country", "TfrmCountry", "国家\\地区信息", "国家\\地区信息列表：", "tblCountry", "203",
        "基础资料-国家信息", field("CountryID", "国家\\地区代码", "请输入国家代码！"),
        field("CountryName", "国家\\地区名称", "请输入国家名称！"),
        field("CountryColor", "颜色设置", "请选择您要设置的颜色！"), "描述", "请输入描述内容！");
    country.extraKind = Extra::Continent;
    country.extra = field("Continent", "所在洲", "请选择所在的洲名称！");
    all << country;

    all << member(
        "Act_Vocation", "TfrmVocation", "行业类别设置", "行业类别列表：", "tblVocation", "206",
        "基础资料-行业类别设置", field("VocationId", "行业代码", "请输入行业代码！"),
        field("VocationName", "行业名称", "请输入行业名称！"),
        field("VocationColor", "颜色设置", "请选择输入颜色信息！"), "描述", "请输入行业描述！");
    all << member("Act_OperateStyle", "TfrmOperateStyle", "档案有无情况", "档案有无情况：",
                  "tblOperateType", "207", "基础资料-业务类型设置",
                  field("TypeID", "有无情况代码", "请输入业务类型代码！"),
                  field("TypeName", "有无情况描述", "请输入业务类型名称！"),
                  field("TypeColor", "颜色设置", "请选择输入业务类型颜色设置！"), "备注",
                  "请输入业务类型描述！");
    all << member("Act_OperateOrigin", "TfrmOperateOrigin", "档案完备情况设置",
                  "档案完备情况设置列表：", "tblOperateOrigin", "208", "基础资料-业务来源设置",
                  field("OriginID", "完备情况代码", "请输入业务来源代码！"),
                  field("OriginName", "完备情况描述", "请输入业务来源名称！"),
                  field("OriginColor", "颜色设置", "请选择输入业务来源颜色设置！"), "备注",
                  "请输入业务来源描述！");
    all << member("Act_OperateState", "TfrmOperateState", "发证状态设置", "发证状态设置列表：",
                  "tblOperateState", "209", "基础资料-业务状态设置",
                  field("OperateStateID", "发证状态代码", "请输入业务状态代码！"),
                  field("OperateStateName", "发证状态名称", "请输入业务状态名称！"),
                  field("StateColor", "颜色设置", "请选择输入业务状态颜色设置！"), "描述",
                  "请输入业务状态描述！");
    all << member("Act_CustLevel", "TfrmCustLevel", "商务代理级别设置", "商务代理级别设置列表：",
                  "tblCustLevel", "210", "基础资料-客户级别定义",
                  field("LevelID", "级别代码", "请输入客户级别代码！"),
                  field("LevelName", "级别名称", "请输入客户级别名称！"),
                  field("LevelColor", "颜色设置", "请选择输入客户级别颜色设置！"), "描述",
                  "请输入客户级别描述！");
    all << member("Act_CustState", "TfrmState", "联络状态设置", "联络状态设置列表：",
                  "tblCustState", "211", "基础资料-客户状态定义",
                  field("StateID", "状态代码", "请输入客户状态代码！"),
                  field("StateName", "状态名称", "请输入客户状态名称！"),
                  field("StateColor", "颜色设置", "请选择输入客户状态颜色设置！"), "描述",
                  "请输入客户状态描述！");

    DictionaryMember origin =
        member("Act_CustOrigin", "TfrmCustOrigin", "商务代理来源设置", "商务代理来源设置列表：",
               "tblCustOrigin", "212", "基础资料-客户来源定义",
               field("OriginID", "来源代码", "请输入客户来源代码！"),
               field("OriginName", "来源名称", "请输入客户来源名称！"),
               field("OriginColor", "颜色设置", "请选择输入客户来源颜色设置！"), "描述",
               "请输入客户来源描述！");
    origin.colourButtonText = u("颜色设置");
    origin.colourButtonKeys = QKeySequence(QStringLiteral("Ctrl+F"));
    origin.closeKeys = QKeySequence(QStringLiteral("Ctrl+X"));
    all << origin;

    return all;
}

} // namespace

QString DictionaryMember::label(const QString &caption)
{
    return caption + u("：");
}

QString DictionaryMember::memoLabel(const QString &caption)
{
    // "描述" is laid out as wide as the four-character labels above it.
    QStringList chars;
    for (const QChar c : caption)
        chars << QString(c);
    return chars.join(QStringLiteral("    ")) + u("：");
}

QStringList DictionaryMember::continents()
{
    return {u("亚洲"), u("北美洲"), u("欧洲"), u("澳洲"), u("南美洲"), u("非洲")};
}

const QList<DictionaryMember> &DictionaryMember::all()
{
    static const QList<DictionaryMember> members = build();
    return members;
}

const DictionaryMember *DictionaryMember::forCommand(const QString &command)
{
    for (const DictionaryMember &m : all())
        if (m.command == command)
            return &m;
    return nullptr;
}
