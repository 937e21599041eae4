#include "analysismember.h"

#include "schema.h"

namespace
{

// A statement written for one dictionary, made for this one: "D" stands for the dictionary
// table, "C" its code, "N" its name, "K" its colour, "A" the agents' column naming it.
QStringList made(const AnalysisMember &m, std::initializer_list<const char *> lines)
{
    QStringList out;
    for (const char *line : lines) {
        QString s = QString::fromUtf8(line);
        s.replace(QStringLiteral("{D}"), m.dictionary)
            .replace(QStringLiteral("{C}"), m.code)
            .replace(QStringLiteral("{N}"), m.name)
            .replace(QStringLiteral("{K}"), m.colour)
            .replace(QStringLiteral("{A}"), m.agentColumn);
        out << s;
    }
    return out;
}

AnalysisMember member(const char *objectName, const char *command, const char *title, AnalysisMember::Kind kind,
                      const char *chart, const char *dictionary, const char *code, const char *name,
                      const char *colour, const char *agentColumn, const char *periodTitle = "")
{
    AnalysisMember m;
    m.objectName = QString::fromLatin1(objectName);
    m.command = QString::fromLatin1(command);
    m.designTitle = QString::fromUtf8(title);
    m.kind = kind;
    m.chartDataset = QString::fromLatin1(chart);
    m.dictionary = QString::fromLatin1(dictionary);
    m.code = QString::fromLatin1(code);
    m.name = QString::fromLatin1(name);
    m.colour = QString::fromLatin1(colour);
    m.agentColumn = QString::fromLatin1(agentColumn);
    m.periodTitle = QString::fromUtf8(periodTitle);
    return m;
}

} // namespace

const std::vector<AnalysisMember> &AnalysisMember::all()
{
    using K = Kind;
    static const std::vector<AnalysisMember> members{
        member("TfrmRegionAnalyse", "Act_RegionAnalyse", "省份分布分析", K::Region, "qryChartRegion", "tblCustDist",
               "DistID", "DistName", "DistColor", "DistID"),
        member("TfrmCustLevelAnalyse", "Act_CustLevelAnalyse", "商务代理级别分析", K::Count, "qryChartLevel",
               "tblCustLevel", "LevelID", "LevelName", "LevelColor", "LevelID"),
        member("TfrmCustOriginAnalyse", "Act_CustOriginAnalyse", "商务代理来源分析", K::Count, "qryChartCustOrigin",
               "tblCustOrigin", "OriginID", "OriginName", "OriginColor", "OriginID"),
        member("TfrmCustStateAnalyse", "Act_CustStateAnalyse", "商务代理状态分析", K::Period, "qryChartCustState",
               "tblCustState", "StateID", "StateName", "StateColor", "StateID", "期间商务代理状态分析"),
        member("TfrmCustVocationAnalyse", "Act_CustVocationAnalyse", "商务代理行业分析", K::Period, "qryChartVocation",
               "tblVocation", "VocationID", "VocationName", "VocationColor", "VocationID", "期间商务代理行业分析"),
    };
    return members;
}

const AnalysisMember *AnalysisMember::find(const QString &command)
{
    for (const AnalysisMember &m : all())
        if (m.command == command)
            return &m;
    return nullptr;
}

// The agents are counted by category first, from the category's index, and only then joined
// to the dictionary: the same rows as joining every agent to its dictionary row and grouping
// those, in the same group order, without a dictionary look-up per agent. The outer join keeps
// the categories no agent uses, with 0.
QStringList AnalysisMember::agentLines() const
{
    return made(*this,
                {"select cast(coalesce(sum(a.sumIn), 0) as integer) as sumIn,{D}.{C},{D}.{N}",
                 " from (select {A}, count(CustID) as sumIn from tblCustomers group by {A}) a "
                 "Right Outer Join {D}",
                 " on a.{A}={D}.{C}", " Group by {D}.{C},{D}.{N}"});
}

QStringList AnalysisMember::agentChart() const
{
    return made(
        *this,
        {"select cast(coalesce(sum(a.sumIn), 0) as integer) As sumIn,{D}.{C},{D}.{N},{D}.{K}",
         " from (select {A}, count(CustID) as sumIn from tblCustomers group by {A}) a Right Outer "
         "Join {D} ",
         " on {D}.{C}=a.{A} ", " group by {D}.{C},{D}.{N},{D}.{K}"});
}

// The records are counted by their agent's category once per 刷新, into a table of this
// connection (recordCountsLines), from the number of records the store keeps for each agent:
// a row per agent instead of a row per record. The list and the chart then read a row a
// category. Records whose agent is gone have no category: they are counted in the total only,
// which counts every record.
const QString AnalysisMember::RecordCounts = QStringLiteral("tmp_recordcounts");

QStringList AnalysisMember::recordCountsLines() const
{
    QStringList lines = made(
        *this, {"CREATE TEMP TABLE @ AS select tblCustomers.{A} as {A}, sum(r.Records) as sumIn",
                " from # r Inner Join tblCustomers on r.CustID=tblCustomers.CustID",
                " group by tblCustomers.{A}"});
    lines[0].replace(QLatin1Char('@'), RecordCounts);
    lines[1].replace(QLatin1Char('#'), QLatin1String(store::Schema::RecordCountsTable));
    return lines;
}

QStringList AnalysisMember::recordTotal()
{
    return {QStringLiteral("select count(tblOperates.CustID) as sumIn from tblOperates")};
}

QStringList AnalysisMember::recordLines() const
{
    QStringList lines =
        made(*this, {"Select cast(sum(o.sumIn) as integer) as sumIn,o.{A},{D}.{N} ",
                     " From @ o Inner Join {D} On o.{A}={D}.{C}", " group by o.{A},{D}.{N}"});
    lines[1].replace(QLatin1Char('@'), RecordCounts);
    return lines;
}

QStringList AnalysisMember::recordChart() const
{
    QStringList lines = made(
        *this, {"SELECT cast(sum(o.sumIn) as integer) as sumIn,o.{A},{D}.{K},{D}.{N} ",
                " FROM @ o INNER JOIN {D} ON o.{A} = {D}.{C}", " group by o.{A},{D}.{K},{D}.{N}"});
    lines[1].replace(QLatin1Char('@'), RecordCounts);
    return lines;
}

// Agents created in the period, counted by category first as above. Only categories with
// such agents are listed: a category without any has no row to join.
QStringList AnalysisMember::periodLines() const
{
    return made(*this, {"select cast(sum(a.sumIn) as integer) as sumIn,{D}.{C},{D}.{N}",
                        " from (select {A}, count(CustID) as sumIn from tblCustomers",
                        " where CreateDate between :CreateDate1 and :CreateDate2 group by {A}) a",
                        " Inner Join {D} on a.{A}={D}.{C}", " Group by {D}.{C},{D}.{N}"});
}

QStringList AnalysisMember::periodChart() const
{
    return made(*this, {"select cast(sum(a.sumIn) as integer) As sumIn,{D}.{C},{D}.{N},{D}.{K}",
                        " from (select {A}, count(CustID) as sumIn from tblCustomers",
                        " where CreateDate between :CreateDate1 and :CreateDate2 group by {A}) a",
                        " Inner Join {D} on {D}.{C}=a.{A} ", " Group by {D}.{C},{D}.{N},{D}.{K}"});
}

QStringList AnalysisMember::regionChart(int choice)
{
    if (choice == 0)
        return {QStringLiteral("select count(tblCustomers.DistID) As sumIn,tblCustDist.DistID,tblCustDist.DistName,tblCustDist.DistColor"),
                QStringLiteral(" from tblCustomers Right Outer Join tblCustDist "),
                QStringLiteral(" on tblCustDist.DistID=tblCustomers.DistID "),
                QStringLiteral(" group by tblCustDist.DistID,tblCustDist.DistName,tblCustDist.DistColor")};
    QStringList lines{
        QStringLiteral("select count(tblCustomers.CountryID) As sumIn,tblCountry.CountryID,tblCountry.CountryName,tblCountry.CountryColor"),
        QStringLiteral(" from tblCustomers Right Outer Join tblCountry "),
        QStringLiteral(" on tblCountry.CountryID=tblCustomers.CountryID "),
        QStringLiteral(" group by tblCountry.CountryID,tblCountry.CountryName,tblCountry.CountryColor")};
    if (choice == 2)
        lines.insert(3, QStringLiteral(" where tblCountry.CountryID<>'China'"));
    return lines;
}
