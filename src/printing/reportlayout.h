#pragma once

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <QStringList>

// One report layout file: a few lines of page settings, a separator line "---", then an HTML
// template with mustache tags. The files are plain text so that users can change a report
// with any editor; everything here is forgiving, and what it could not understand is listed
// in problems() instead of stopping the print.
//
//   # comment
//   title: 商务代理资料列表
//   page: A4                     A3 A4 A5 B5 Letter Legal DL C5 C6, or "宽 x 高" in mm
//   orientation: landscape       portrait | landscape
//   margins: 15 15 15 15         left top right bottom, mm (one value for all four)
//   font-size: 9                 points
//   labels: 2 7                  label grid: columns rows per page
//   label-size: 99 38            mm
//   label-padding: 3             mm inside every label
//   page-header: yes             title and print date in every page's top margin
//   ---
//   <html>...{{#rows}}...{{/rows}}...</html>
class ReportLayout
{
  public:
    static ReportLayout parse(const QString &text);

    QString title() const { return m_title; }
    QPageLayout pageLayout() const; // size, orientation and margins in millimetres
    QPageLayout::Orientation orientation() const { return m_orientation; }
    QMarginsF margins() const { return m_margins; }
    QSizeF bodySize() const; // the page inside the margins, mm
    qreal fontSize() const { return m_fontSize; }
    bool hasPageHeader() const { return m_pageHeader; }

    bool isLabels() const { return m_labelColumns > 0 && m_labelRows > 0; }
    int labelColumns() const { return m_labelColumns; }
    int labelRows() const { return m_labelRows; }
    int labelsPerPage() const { return m_labelColumns * m_labelRows; }
    QSizeF labelSize() const { return m_labelSize; }
    qreal labelPadding() const { return m_labelPadding; }

    QString templateText() const { return m_template; }
    // Every name a tag of the template refers to, with the names of the sections it stands in
    // (innermost last), e.g. {"rows", "CustName"} for {{CustName}} inside {{#rows}}.
    QList<QStringList> tagPaths() const;
    QSet<QString> tagNames() const;

    QStringList problems() const { return m_problems; }

  private:
    void setting(const QString &key, const QString &value, int line);

    QString m_title;
    QPageSize m_pageSize{QPageSize::A4};
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    QMarginsF m_margins{15, 15, 15, 15};
    qreal m_fontSize = 10;
    bool m_pageHeader = false;
    int m_labelColumns = 0, m_labelRows = 0;
    QSizeF m_labelSize;
    qreal m_labelPadding = 0;
    QString m_template;
    QStringList m_problems;
};
