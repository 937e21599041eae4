#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// One of the chart analyses: which dictionary it divides the agents by, the selector it offers
// and the statements its 刷新 runs. The five analyses are one panel configured by this table.
struct AnalysisMember {
    enum class Kind {
        Region, // 省份 / 国家/地区 / 境外; the list names each slice with its count
        Count,  // by number of agents or of contact records, with a list
        Period, // agents created in a period, with a list
    };

    QString objectName;  // TfrmCustLevelAnalyse
    QString command;     // Act_CustLevelAnalyse
    QString designTitle; // the chart's title before the first 刷新
    Kind kind = Kind::Count;
    QString chartDataset; // the data module's query that feeds the chart
    // The dictionary: table, code, name and colour columns, and the agents' column naming it.
    QString dictionary, code, name, colour, agentColumn;
    QString periodTitle; // the end of the title of a period analysis

    static const std::vector<AnalysisMember> &all();
    static const AnalysisMember *find(const QString &command);

    // The statement texts, line by line as the store is given them.
    QStringList agentLines() const;      // every category with its number of agents
    QStringList agentChart() const;      // the same with the colour, for the chart
    // By contact records: the records counted by their agent's category into RecordCounts
    // first; then the total of all records, and the categories with their number of records
    // (recordChart with colour).
    static const QString RecordCounts;
    QStringList recordCountsLines() const;
    static QStringList recordTotal();
    QStringList recordLines() const;
    QStringList recordChart() const;
    QStringList periodLines() const;     // agents created from :CreateDate1 to :CreateDate2
    QStringList periodChart() const;
    // The region analysis: by province, by country, or by countries other than "China".
    static QStringList regionChart(int choice);
};
