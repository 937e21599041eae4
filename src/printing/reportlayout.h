#pragma once

#include <QHash>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <QStringList>

// One report layout file: page settings, a separator line "---", then the bands of the report,
// each under a line naming it in brackets. The files are plain text so that users can change
// a report with any editor.
//
//   title: 商务代理资料列表
//   page: A4                     A3 A4 A5 B5 Letter Legal DL C5 C6, or "宽 x 高" in mm
//   orientation: landscape       portrait | landscape
//   margins: 15 15 15 15         left top right bottom, mm (one value for all four)
//   font-size: 9                 points
//   cell-padding: 1              mm inside the cells of [columns]
//   page-header: yes             title and print date in every page's top margin
//   group: CustID                rows are grouped where this field changes (dataset order)
//   labels: 2 7                  label grid: columns rows per page
//   label-size: 99 38            mm
//   label-padding: 3             mm inside every label
//   ---
//   [report-header]   HTML, once, above everything       [page-header]  HTML, atop every page
//   [columns]         the row band as a table, one line a column: caption | width | align | text
//                     (width "12%" of the page or "25" mm, or empty for an even share)
//   [record]          the row band as HTML, for layouts that print one block per row
//   [label]           the label cell, one line a text line: text | size=12 bold align=center
//                     indent=5 top=2 (mm)
//   [group-header] [group-footer]   HTML where a group starts and ends
//   [summary]         HTML after the last row          [page-footer]  HTML at every page's foot
//   [empty]           HTML instead of everything when there is no row
//
// HTML bands and texts are mustache templates over the row's fields by name (display fields
// too, without letter case), and title, printDate, rowCount, rowNo, sender.X (the
// organisation's own data), sum.X (a field's total), group.value, group.count, group.sum.X.
// Whatever could not be understood is listed in problems().
class ReportLayout
{
  public:
    struct Column {
        QString caption;
        qreal percent = 0, millimetres = 0; // one of them, or neither for an even share
        Qt::Alignment align = {};           // empty: left, money and numbers right
        QString text;                       // a template, usually one field tag
    };
    struct LabelLine {
        QString text;
        qreal size = 0; // points; 0 for the layout's font size
        bool bold = false;
        Qt::Alignment align = Qt::AlignLeft;
        qreal indent = 0, top = 0; // mm
    };
    enum class Band { ReportHeader, PageHeader, GroupHeader, GroupFooter, Summary, PageFooter, Record, Empty };

    static ReportLayout parse(const QString &text);

    QString title() const { return m_title; }
    QPageLayout pageLayout() const; // size, orientation and margins in millimetres
    QPageLayout::Orientation orientation() const { return m_orientation; }
    QMarginsF margins() const { return m_margins; }
    QSizeF paperSize() const; // mm, as oriented
    QSizeF bodySize() const;  // the page inside the margins, mm
    qreal fontSize() const { return m_fontSize; }
    qreal cellPadding() const { return m_cellPadding; }
    bool hasPageHeader() const { return m_pageHeader; }
    QString groupField() const { return m_groupField; }

    bool isLabels() const { return m_labelColumns > 0 && m_labelRows > 0; }
    int labelColumns() const { return m_labelColumns; }
    int labelRows() const { return m_labelRows; }
    int labelsPerPage() const { return m_labelColumns * m_labelRows; }
    QSizeF labelSize() const { return m_labelSize; }
    qreal labelPadding() const { return m_labelPadding; }

    QString band(Band b) const { return m_bands.value(int(b)); }
    bool hasBand(Band b) const { return !band(b).trimmed().isEmpty(); }
    const QList<Column> &columns() const { return m_columns; }
    const QList<LabelLine> &labelLines() const { return m_labelLines; }
    // Column widths in mm for a body this wide.
    QList<qreal> columnWidths(qreal bodyWidth) const;

    // Every template text of the layout, for checks.
    QStringList templates() const;
    // Every name a tag refers to, with the names of the sections it stands in (innermost
    // last), e.g. {"sender", "UserName"} for {{UserName}} inside {{#sender}}.
    QList<QStringList> tagPaths() const;
    static QList<QStringList> tagPaths(const QString &templateText);

    QStringList problems() const { return m_problems; }

  private:
    static QStringList sectionNames();
    static bool alignment(const QString &text, Qt::Alignment *align);
    void setting(const QString &key, const QString &value, int line);
    void sectionLine(const QString &section, const QString &line, int number);

    QString m_title;
    QPageSize m_pageSize{QPageSize::A4};
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    QMarginsF m_margins{15, 15, 15, 15};
    qreal m_fontSize = 10;
    qreal m_cellPadding = 1;
    bool m_pageHeader = false;
    QString m_groupField;
    int m_labelColumns = 0, m_labelRows = 0;
    QSizeF m_labelSize;
    qreal m_labelPadding = 0;
    QHash<int, QString> m_bands;
    QList<Column> m_columns;
    QList<LabelLine> m_labelLines;
    QStringList m_problems;
};
