#include "report.h"

#include "reportimpl.h"

#include <QDate>
#include <QElapsedTimer>

// ---------------------------------------------------------------- building

Report::Report() : d(std::make_unique<Impl>()) {}
Report::Report(Report &&) noexcept = default;
Report &Report::operator=(Report &&) noexcept = default;
Report::~Report() = default;

Report::Report(const ReportLayout &layout, const ReportSource &source, const QString &layoutPath,
               const QString &printDate)
    : d(std::make_unique<Impl>())
{
    d->layout = layout;
    d->source = source;
    d->path = layoutPath;
    d->printDate = printDate;
    d->valid = true;
    d->build();
}

Report Report::message(const QString &text, const QString &layoutPath)
{
    Report r;
    r.d->layout = ReportLayout::parse(QStringLiteral("title: 报表预览\n---\n[report-header]\n<p style=\"font-size: 14pt; "
                                                     "font-weight: bold\">") +
                                      text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
                                      QStringLiteral("</p>\n[record]\n"));
    r.d->path = layoutPath;
    r.d->message = text;
    r.d->printDate = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    r.d->build();
    return r;
}

void Report::Impl::build()
{
    body = layout.bodySize() * u;
    paper = layout.paperSize() * u;
    text = ReportText(layout.fontSize());
    const struct {
        Band band;
    } htmlBands[] = {{Band::ReportHeader}, {Band::PageHeader}, {Band::GroupHeader}, {Band::GroupFooter},
                     {Band::Summary},      {Band::PageFooter}, {Band::Record},      {Band::Empty}};
    for (const auto &b : htmlBands)
        if (layout.hasBand(b.band))
            bands[int(b.band)] = ReportTemplate(layout.band(b.band), true);

    const QList<qreal> widths = layout.columnWidths(layout.bodySize().width());
    qreal x = 0;
    for (int i = 0; i < layout.columns().size(); ++i) {
        const ReportLayout::Column &c = layout.columns()[i];
        cells.emplace_back(c.text, false);
        const int field = cells.back().singleTag().isEmpty() ? -1 : source.fieldIndex(cells.back().singleTag());
        cellField << field;
        cellX << x;
        cellWidth << widths[i] * u;
        x += widths[i] * u;
        // Money and numbers stand right unless the layout says otherwise.
        cellAlign << (c.align ? c.align : source.isNumeric(field) ? Qt::AlignRight : Qt::AlignLeft);
    }
    for (const ReportLayout::LabelLine &l : layout.labelLines()) {
        labelTexts.emplace_back(l.text, false);
        labelField << (labelTexts.back().singleTag().isEmpty() ? -1 : source.fieldIndex(labelTexts.back().singleTag()));
    }
    groupField = layout.groupField().isEmpty() ? -1 : source.fieldIndex(layout.groupField());
    for (const QStringList &path : layout.tagPaths()) {
        QString name = path.last();
        if (name.startsWith(QLatin1String("group."), Qt::CaseInsensitive))
            name = name.mid(6);
        if (name.startsWith(QLatin1String("sum."), Qt::CaseInsensitive)) {
            const int field = source.fieldIndex(name.mid(4));
            if (field >= 0)
                sumFields.insert(name.mid(4).toLower(), field);
        }
    }

    if (layout.hasBand(Band::PageHeader))
        pageHeaderHeight = document(Band::PageHeader, -1, nullptr)->size().height();
    if (layout.hasBand(Band::PageFooter))
        pageFooterHeight = document(Band::PageFooter, -1, nullptr)->size().height();
    if (grid()) {
        const qreal padding = layout.cellPadding() * u;
        for (int i = 0; i < int(cells.size()); ++i)
            captionsHeight = qMax(captionsHeight, text.height(layout.columns()[i].caption, text.bold(),
                                                              cellWidth[i] - 2 * padding) +
                                                      2 * padding);
    }
    next = first();
    labelPages();
}

void Report::Impl::labelPages()
{
    if (!labels())
        return;
    // Label sheets are counted, not laid out: every sheet holds the same number.
    const int perPage = layout.labelsPerPage();
    const int sheets = qMax(1, (rows() + perPage - 1) / perPage);
    for (int i = 0; i < sheets; ++i)
        pages << Cursor{Part::Row, i * perPage, 0};
    done = true;
}

// The pass starts over: pages, sums and groups are found again from the rows held now.
void Report::Impl::restart()
{
    pages.clear();
    sums.clear();
    running = Group();
    groups.clear();
    rowsCounted = -1;
    passRow = -1;
    docs.clear();
    done = false;
    stale = false;
    next = first();
    labelPages();
}

// ---------------------------------------------------------------- rows held

// A row found gone after the pages were laid out over it leaves those pages wrong: the
// report is stale and its output is made again. One found gone ahead of the pass is simply
// passed over, as the pass will pass over it too.
bool Report::Impl::gone(int row) const
{
    bool found = false;
    const bool isGone = source.isGone(row, &found);
    if (found && row <= passRow)
        stale = true;
    return isGone;
}

int Report::Impl::nextRow(int row) const
{
    int r = row + 1;
    while (r < rows() && gone(r))
        ++r;
    return r;
}

int Report::Impl::priorRow(int row) const
{
    int r = row - 1;
    while (r >= 0 && gone(r))
        --r;
    return r;
}

// ---------------------------------------------------------------- values

QString Report::Impl::sumText(int field, const Sum &total) const
{
    return source.isMoney(field) ? ReportSource::printed(total.money.value(), store::ColumnType::Currency, true)
                                 : QString::number(total.number, 'g', 15);
}

QVariant Report::Impl::resolve(const QString &name, int row, const Group *group) const
{
    const QString lower = name.toLower();
    if (lower == QLatin1String("title"))
        return layout.title();
    if (lower == QLatin1String("printdate"))
        return printDate;
    if (lower == QLatin1String("rowcount"))
        return QString::number(rowsHeld());
    if (lower == QLatin1String("rowno"))
        return row >= 0 ? QString::number(row - source.goneBefore(row) + 1) : QString();
    if (lower == QLatin1String("sender"))
        return source.sender().isEmpty() ? QVariant(false) : QVariant(source.sender());
    if (lower.startsWith(QLatin1String("sender.")))
        return source.senderText(name.mid(7));
    if (lower.startsWith(QLatin1String("sum."))) {
        const int field = sumFields.value(lower.mid(4), -1);
        return field < 0 ? QString() : sumText(field, sums.value(field));
    }
    if (lower.startsWith(QLatin1String("group."))) {
        const QString what = lower.mid(6);
        if (what == QLatin1String("value"))
            return groupField >= 0 ? source.text(row, groupField) : QString();
        if (what == QLatin1String("count"))
            return QString::number(group ? group->count : 0);
        if (what.startsWith(QLatin1String("sum."))) {
            const int field = sumFields.value(what.mid(4), -1);
            return field < 0 || !group ? QString() : sumText(field, group->sums.value(field));
        }
        return {};
    }
    const int field = source.fieldIndex(name);
    if (field >= 0)
        return row >= 0 ? source.text(row, field) : QString();
    return {};
}

QString Report::Impl::cellText(int column, int row) const
{
    if (cellField[column] >= 0)
        return source.text(row, cellField[column]);
    return cells[column].render([this, row](const QString &n) { return resolve(n, row, nullptr); });
}

QString Report::Impl::groupKey(int row) const
{
    return source.text(row, groupField);
}

bool Report::Impl::groupStarts(int row) const
{
    if (groupField < 0)
        return false;
    const int prior = priorRow(row);
    return prior < 0 || groupKey(row) != groupKey(prior);
}

bool Report::Impl::groupEnds(int row) const
{
    if (groupField < 0)
        return false;
    const int following = nextRow(row);
    return following >= rows() || groupKey(row) != groupKey(following);
}

// ---------------------------------------------------------------- the parts, in order

Cursor Report::Impl::first() const
{
    if (layout.hasBand(Band::ReportHeader))
        return {Part::ReportHeader, -1, 0};
    return after({Part::ReportHeader, -1, 0});
}

Cursor Report::Impl::rowStart(int row) const
{
    if (layout.hasBand(Band::GroupHeader) && groupStarts(row))
        return {Part::GroupHeader, row, 0};
    return {Part::Row, row, 0};
}

Cursor Report::Impl::afterRow(int row) const
{
    const int following = nextRow(row);
    if (following < rows())
        return rowStart(following);
    return layout.hasBand(Band::Summary) ? Cursor{Part::Summary, -1, 0} : Cursor{Part::End, -1, 0};
}

Cursor Report::Impl::after(const Cursor &c) const
{
    switch (c.part) {
    case Part::ReportHeader: {
        const int firstRow = nextRow(-1);
        if (firstRow >= rows())
            return layout.hasBand(Band::Empty) ? Cursor{Part::Empty, -1, 0} : Cursor{};
        return rowStart(firstRow);
    }
    case Part::GroupHeader:
        return {Part::Row, c.row, 0};
    case Part::Row:
        if (layout.hasBand(Band::GroupFooter) && groupEnds(c.row))
            return {Part::GroupFooter, c.row, 0};
        return afterRow(c.row);
    case Part::GroupFooter:
        return afterRow(c.row);
    default:
        return {};
    }
}

std::shared_ptr<QTextDocument> Report::Impl::document(Band band, int row, const Group *group) const
{
    const QString key = QString::number(int(band)) + QLatin1Char(':') + QString::number(row);
    for (auto it = docs.begin(); it != docs.end(); ++it) {
        if (it->first == key) {
            docs.splice(docs.begin(), docs, it);
            return docs.front().second;
        }
    }
    const QString html = bands[int(band)].render([this, row, group](const QString &n) { return resolve(n, row, group); });
    auto doc = text.document(html, body.width());
    docs.emplace_front(key, doc);
    if (docs.size() > 64)
        docs.pop_back();
    return doc;
}

std::shared_ptr<QTextDocument> Report::Impl::documentFor(const Cursor &c) const
{
    switch (c.part) {
    case Part::ReportHeader:
        return document(Band::ReportHeader, -1, nullptr);
    case Part::GroupHeader:
        return document(Band::GroupHeader, c.row, nullptr);
    case Part::GroupFooter: {
        const auto g = groups.constFind(c.row);
        return document(Band::GroupFooter, c.row, g == groups.constEnd() ? &running : &g.value());
    }
    case Part::Summary:
        return document(Band::Summary, -1, nullptr);
    case Part::Empty:
        return document(Band::Empty, -1, nullptr);
    case Part::Row:
        return document(Band::Record, c.row, nullptr);
    default:
        return {};
    }
}

qreal Report::Impl::rowHeight(int row) const
{
    const qreal padding = layout.cellPadding() * u;
    qreal h = 0;
    for (int i = 0; i < int(cells.size()); ++i)
        h = qMax(h, text.height(cellText(i, row), text.regular(), cellWidth[i] - 2 * padding));
    return h + 2 * padding;
}

qreal Report::Impl::height(const Cursor &c) const
{
    if (c.part == Part::Row && grid())
        return rowHeight(c.row);
    const auto doc = documentFor(c);
    return doc ? doc->size().height() : 0;
}

// ---------------------------------------------------------------- pages

// Lays out one page from `start`: what goes where, and where the next page begins. The pass
// and the drawing both come here, so a page is drawn exactly as it was counted.
QVector<Placed> Report::Impl::plan(const Cursor &start, Cursor *nextPage) const
{
    QVector<Placed> placed;
    const qreal top = pageHeaderHeight;
    const qreal bottom = qMax(top + 4 * u, body.height() - pageFooterHeight);
    qreal y = top;
    bool captioned = false;
    Cursor c = start;
    // The page began at a row that is gone now (its part shows nothing any more): the page
    // is drawn from the next row held, and the report is stale.
    if ((c.part == Part::Row || c.part == Part::GroupHeader) && c.row >= 0 && gone(c.row)) {
        if (c.row <= passRow)
            stale = true;
        const int following = nextRow(c.row);
        c = following < rows() ? rowStart(following)
                               : (layout.hasBand(Band::Summary) ? Cursor{Part::Summary, -1, 0} : Cursor{});
    }
    while (c.part != Part::End) {
        const bool needsCaptions = grid() && c.part == Part::Row && !captioned;
        const qreal extra = needsCaptions ? captionsHeight : 0;
        const qreal whole = height(c);
        const qreal left = whole - c.offset;
        const qreal room = bottom - y - extra;
        if (left <= room + 0.01) {
            if (needsCaptions) {
                placed.push_back({c, y, 0, captionsHeight, true});
                captioned = true;
            }
            placed.push_back({c, y + extra, c.offset, left, false});
            y += extra + left;
            c = after(c);
            continue;
        }
        // It does not fit: it goes to the next page, unless it would not fit on a page of its
        // own either, or this page is still empty; then it is cut here.
        const qreal fullRoom = bottom - top - extra;
        if (!placed.isEmpty() && (left <= fullRoom + 0.01 || room < 2 * u))
            break;
        if (needsCaptions) {
            placed.push_back({c, y, 0, captionsHeight, true});
            captioned = true;
        }
        const qreal slice = qMax(room, 2 * u);
        placed.push_back({c, y + extra, c.offset, slice, false});
        c.offset += slice;
        break;
    }
    *nextPage = c;
    return placed;
}

// The pass adds each row to the sums once, as it first lays it out.
void Report::Impl::count(const QVector<Placed> &placed)
{
    for (const Placed &p : placed) {
        if (p.captions || p.at.part != Part::Row || p.at.row <= rowsCounted)
            continue;
        const int row = p.at.row;
        rowsCounted = row;
        if (groupField >= 0 && groupStarts(row))
            running = Group();
        ++running.count;
        for (const int field : std::as_const(sumFields)) {
            const double v = source.number(row, field);
            sums[field].add(v);
            running.sums[field].add(v);
        }
        if (groupField >= 0 && groupEnds(row))
            groups.insert(row, running);
    }
}

bool Report::paginate(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!d->done) {
        const Cursor start = d->next;
        Cursor following;
        // The rows of the page are counted before its group footers and the summary are
        // measured, which show their sums.
        QVector<Placed> placed = d->plan(start, &following);
        d->count(placed);
        if (d->groupField >= 0 || !d->sumFields.isEmpty()) {
            d->docs.clear();
            placed = d->plan(start, &following);
            d->count(placed);
        }
        d->pages.push_back(start);
        for (const Placed &p : std::as_const(placed))
            if (!p.captions && p.at.row > d->passRow)
                d->passRow = p.at.row;
        d->next = following;
        if (following.part == Part::End || following == start)
            d->done = true;
        if (milliseconds >= 0 && clock.elapsed() >= milliseconds)
            break;
    }
    return d->done;
}

bool Report::isStale() const
{
    return d->stale;
}

void Report::relayout()
{
    d->restart();
}

int Report::rowsPrinted() const
{
    return d->rowsHeld();
}

bool Report::isPaginated() const
{
    return d->done;
}

int Report::pageCount() const
{
    return int(d->pages.size());
}

// ---------------------------------------------------------------- the rest

bool Report::isValid() const
{
    return d->valid;
}
QString Report::title() const
{
    return d->layout.title();
}
QString Report::layoutPath() const
{
    return d->path;
}
const ReportLayout &Report::layout() const
{
    return d->layout;
}
const ReportSource &Report::source() const
{
    return d->source;
}
QPageLayout Report::pageLayout() const
{
    return d->layout.pageLayout();
}
QSizeF Report::paperSize() const
{
    return d->paper;
}
QSizeF Report::bodySize() const
{
    return d->body;
}
qreal Report::unitsPerMm()
{
    return ReportText::UnitsPerInch / 25.4;
}

QFont Report::font() const
{
    return d->text.regular();
}

const PdfText::Characters &Report::drawnCharacters() const
{
    return d->text.drawn();
}
