#pragma once

// The inside of a report, shared by the files that lay it out (report.cpp) and draw it
// (reportpaint.cpp).
#include "report.h"
#include "reporttemplate.h"
#include "reporttext.h"
#include "money.h"

#include <QHash>
#include <QTextDocument>
#include <list>
#include <memory>
#include <vector>

namespace report_detail
{

using Band = ReportLayout::Band;

// Where the pass over the report stands: a part of the report (the part of one row, for
// the parts that belong to rows) and how far into it a page begins.
enum class Part { ReportHeader, GroupHeader, Row, GroupFooter, Summary, Empty, End };
struct Cursor {
    Part part = Part::End;
    int row = -1;
    qreal offset = 0;
    bool operator==(const Cursor &o) const { return part == o.part && row == o.row && offset == o.offset; }
};

// One thing on a page: a part from `from` for `height`, at `y` below the body's top; or the
// column captions.
struct Placed {
    Cursor at;
    qreal y = 0, from = 0, height = 0;
    bool captions = false;
};

// A column's sum: money added exactly, other numbers as they come.
struct Sum {
    store::Money::Total money;
    double number = 0;
    void add(double v)
    {
        money.add(v);
        number += v;
    }
};

struct Group {
    int count = 0;
    QHash<int, Sum> sums; // by field
};

constexpr int BandCount = 8;

} // namespace report_detail

using namespace report_detail;

struct Report::Impl {
    ReportLayout layout;
    ReportSource source;
    QString path, printDate, message;
    bool valid = false;

    qreal u = Report::unitsPerMm();
    QSizeF body, paper;
    ReportText text; // fonts and text measures for cells and labels

    ReportTemplate bands[BandCount];
    std::vector<ReportTemplate> cells;
    QVector<int> cellField; // the field a cell prints alone, or -1
    QVector<qreal> cellX, cellWidth;
    QVector<Qt::Alignment> cellAlign;
    std::vector<ReportTemplate> labelTexts;
    QVector<int> labelField;
    int groupField = -1;
    QHash<QString, int> sumFields; // lower-case name -> field

    qreal pageHeaderHeight = 0, pageFooterHeight = 0, captionsHeight = 0;

    // the pass
    QVector<Cursor> pages;
    Cursor next;
    bool done = false;
    QHash<int, Sum> sums;        // by field, over every row laid out
    Group running;               // of the group being laid out
    QHash<int, Group> groups;    // by the group's last row
    int rowsCounted = -1;        // the last row added to the sums
    int passRow = -1;            // the last row on the pages laid out
    mutable bool stale = false;  // a row laid out has been deleted since: the pages are off

    // HTML bands rendered lately, by part and row
    mutable std::list<std::pair<QString, std::shared_ptr<QTextDocument>>> docs;

    bool labels() const { return layout.isLabels(); }
    bool grid() const { return !labels() && !layout.columns().isEmpty(); }
    int rows() const { return source.rowCount(); }

    void build();
    void labelPages();
    void restart();
    // ---- rows another seat deleted are passed over
    bool gone(int row) const;
    int nextRow(int row) const;  // the first row after `row` still held; rows() when none
    int priorRow(int row) const; // the last one before it; -1 when none
    int rowsHeld() const { return rows() - source.goneCount(); }
    // ---- values
    QVariant resolve(const QString &name, int row, const Group *group) const;
    QString sumText(int field, const Sum &total) const;
    QString cellText(int column, int row) const;
    QString groupKey(int row) const;
    bool groupStarts(int row) const;
    bool groupEnds(int row) const;
    // ---- the parts of the report
    Cursor first() const;
    Cursor after(const Cursor &c) const;
    Cursor rowStart(int row) const;
    Cursor afterRow(int row) const;
    qreal height(const Cursor &c) const;
    std::shared_ptr<QTextDocument> document(Band band, int row, const Group *group) const;
    std::shared_ptr<QTextDocument> documentFor(const Cursor &c) const;
    qreal rowHeight(int row) const;
    // ---- pages
    QVector<Placed> plan(const Cursor &start, Cursor *next) const;
    void count(const QVector<Placed> &placed);
    void paintBody(QPainter &p, int page) const;
    void paintPlaced(QPainter &p, const Placed &placed) const;
    void paintRow(QPainter &p, int row, qreal y) const;
    void paintCaptions(QPainter &p, qreal y) const;
    void paintLabels(QPainter &p, int page) const;
    // The font of a label line set at `scale` of its size, and the scale at which the lines
    // (layout line, text) of one label fit inside it.
    QFont labelFont(const ReportLayout::LabelLine &line, qreal scale) const;
    qreal labelScale(const QVector<QPair<int, QString>> &lines, const QRectF &inner) const;
    void paintDecorations(QPainter &p, int page) const;
    QString placedText(const Placed &placed) const;
};

