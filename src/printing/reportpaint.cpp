#include "reportimpl.h"

#include <QFontMetricsF>
#include <QPainter>

// ---------------------------------------------------------------- drawing

void Report::paintPage(QPainter &painter, int page) const
{
    if (page < 0 || page >= pageCount())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.save();
    painter.translate(d->layout.margins().left() * d->u, d->layout.margins().top() * d->u);
    painter.setClipRect(QRectF(QPointF(0, 0), d->body), Qt::IntersectClip);
    if (d->labels())
        d->paintLabels(painter, page);
    else
        d->paintBody(painter, page);
    painter.restore();
    d->paintDecorations(painter, page);
    painter.restore();
}

void Report::Impl::paintBody(QPainter &p, int page) const
{
    if (layout.hasBand(Band::PageHeader))
        text.draw(p, *document(Band::PageHeader, -1, nullptr), QPointF(0, 0), 0, pageHeaderHeight);
    Cursor following;
    for (const Placed &placed : plan(pages[page], &following))
        paintPlaced(p, placed);
    if (layout.hasBand(Band::PageFooter))
        text.draw(p, *document(Band::PageFooter, -1, nullptr), QPointF(0, body.height() - pageFooterHeight), 0,
                  pageFooterHeight);
}

void Report::Impl::paintPlaced(QPainter &p, const Placed &placed) const
{
    if (placed.captions) {
        paintCaptions(p, placed.y);
        return;
    }
    if (placed.at.part == Part::Row && grid()) {
        p.save();
        p.setClipRect(QRectF(0, placed.y, body.width(), placed.height), Qt::IntersectClip);
        paintRow(p, placed.at.row, placed.y - placed.from);
        p.restore();
        return;
    }
    if (const auto doc = documentFor(placed.at))
        text.draw(p, *doc, QPointF(0, placed.y), placed.from, placed.height);
}

void Report::Impl::paintCaptions(QPainter &p, qreal y) const
{
    const qreal padding = layout.cellPadding() * u;
    for (int i = 0; i < int(cells.size()); ++i) {
        const QRectF cell(cellX[i], y, cellWidth[i], captionsHeight);
        p.fillRect(cell, QColor(0xe0, 0xe0, 0xe0));
        text.frame(p, cell);
        text.drawText(p, layout.columns()[i].caption, text.bold(), cell.adjusted(padding, padding, -padding, -padding),
                      Qt::AlignHCenter);
    }
}

void Report::Impl::paintRow(QPainter &p, int row, qreal y) const
{
    const qreal padding = layout.cellPadding() * u;
    const qreal h = rowHeight(row);
    for (int i = 0; i < int(cells.size()); ++i) {
        const QRectF cell(cellX[i], y, cellWidth[i], h);
        text.frame(p, cell);
        text.drawText(p, cellText(i, row), text.regular(), cell.adjusted(padding, padding, -padding, -padding),
                      cellAlign[i]);
    }
}

void Report::Impl::paintLabels(QPainter &p, int page) const
{
    const int perPage = layout.labelsPerPage();
    const int firstRow = page * perPage;
    if (rows() == 0) {
        if (layout.hasBand(Band::Empty)) {
            const auto doc = document(Band::Empty, -1, nullptr);
            text.draw(p, *doc, QPointF(0, 0), 0, doc->size().height());
        }
        return;
    }
    const QSizeF cell = layout.labelSize() * u;
    const qreal padding = layout.labelPadding() * u;
    for (int k = 0; k < perPage && firstRow + k < rows(); ++k) {
        const int row = firstRow + k;
        if (gone(row))
            continue; // deleted by another seat since the sheets were counted: left blank
        const QRectF label(QPointF((k % layout.labelColumns()) * cell.width(), (k / layout.labelColumns()) * cell.height()),
                           cell);
        const QRectF inner = label.adjusted(padding, padding, -padding, -padding);
        QVector<QPair<int, QString>>
            lines; // the layout's line and its text, when it says something
        for (int i = 0; i < int(labelTexts.size()); ++i) {
            const QString t = labelField[i] >= 0 ? source.text(row, labelField[i])
                                                 : labelTexts[i].render([this, row](const QString &n) {
                                                       return resolve(n, row, nullptr);
                                                   });
            if (!t.trimmed().isEmpty())
                lines.append({i, t}); // a line with nothing to say takes no room
        }
        // A label whose lines do not fit is set smaller, so that every line prints whole.
        const qreal scale = labelScale(lines, inner);
        p.save();
        p.setClipRect(inner, Qt::IntersectClip);
        qreal y = inner.top();
        for (const auto &[i, t] : lines) {
            const ReportLayout::LabelLine &line = layout.labelLines()[i];
            y += line.top * u * scale;
            const QRectF area(inner.left() + line.indent * u, y, inner.width() - line.indent * u, inner.bottom() - y);
            y += text.drawText(p, t, labelFont(line, scale), area, line.align);
        }
        p.restore();
    }
}

QFont Report::Impl::labelFont(const ReportLayout::LabelLine &line, qreal scale) const
{
    return text.font((line.size > 0 ? line.size : layout.fontSize()) * scale, line.bold);
}

qreal Report::Impl::labelScale(const QVector<QPair<int, QString>> &lines, const QRectF &inner) const
{
    const auto height = [&](qreal scale) {
        qreal h = 0;
        for (const auto &[i, t] : lines) {
            const ReportLayout::LabelLine &line = layout.labelLines()[i];
            h += line.top * u * scale +
                 text.height(t, labelFont(line, scale), inner.width() - line.indent * u);
        }
        return h;
    };
    constexpr qreal Smallest = 0.2;
    qreal scale = 1;
    while (scale > Smallest && height(scale) > inner.height())
        scale = qMax(Smallest, scale * 0.92);
    return scale;
}

namespace
{
// A line of the page's margins, its words set apart by half a line's height. PDF readers find
// the blanks between words by the room between them; a narrow blank between single characters,
// as in "第 1 页 / 共 3 页", reads as letter spacing and the words ran together ("第1页/共3页").
void drawSpaced(QPainter &p, const QRectF &area, Qt::Alignment align, const QString &text)
{
    const QFontMetricsF metrics(p.font());
    const qreal gap = metrics.height() * 0.5;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    qreal width = gap * qMax(0, int(words.size()) - 1);
    for (const QString &w : words)
        width += metrics.horizontalAdvance(w);
    qreal x = align & Qt::AlignRight     ? area.right() - width
              : align & Qt::AlignHCenter ? area.center().x() - width / 2
                                         : area.left();
    const qreal baseline = area.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    for (const QString &w : words) {
        p.drawText(QPointF(x, baseline), w);
        x += metrics.horizontalAdvance(w) + gap;
    }
}
} // namespace

void Report::Impl::paintDecorations(QPainter &p, int page) const
{
    const QMarginsF m = layout.margins() * u;
    QFont font = text.regular();
    font.setPixelSize(12); // a fixed size in document units, whatever the device
    p.setFont(font);
    p.setPen(Qt::black);
    if (layout.hasPageHeader()) {
        const QString date = QStringLiteral("打印日期：") + printDate;
        text.note(layout.title());
        text.note(date);
        const QRectF header(m.left(), 0, body.width(), m.top());
        drawSpaced(p, header, Qt::AlignLeft, layout.title());
        drawSpaced(p, header, Qt::AlignRight, date);
    }
    const QRectF footer(m.left(), paper.height() - m.bottom(), body.width(), m.bottom());
    const QString number = done ? QStringLiteral("第 %1 页 / 共 %2 页").arg(page + 1).arg(pages.size())
                                : QStringLiteral("第 %1 页").arg(page + 1);
    text.note(number);
    drawSpaced(p, footer, Qt::AlignHCenter, number);
}

// ---------------------------------------------------------------- texts

QString Report::Impl::placedText(const Placed &placed) const
{
    if (placed.captions) {
        QStringList captions;
        for (const ReportLayout::Column &c : layout.columns())
            captions << c.caption;
        return captions.join(QLatin1Char('\t'));
    }
    if (placed.at.part == Part::Row && grid()) {
        QStringList texts;
        for (int i = 0; i < int(cells.size()); ++i)
            texts << cellText(i, placed.at.row);
        return texts.join(QLatin1Char('\t'));
    }
    const auto doc = documentFor(placed.at);
    return doc ? doc->toPlainText().trimmed() : QString();
}

QString Report::pageText(int page) const
{
    if (page < 0 || page >= pageCount())
        return {};
    QStringList out;
    if (d->layout.hasPageHeader())
        out << d->layout.title() + QLatin1Char('\t') + QStringLiteral("打印日期：") + d->printDate;
    if (d->labels()) {
        const int perPage = d->layout.labelsPerPage();
        if (d->rows() == 0 && d->layout.hasBand(Band::Empty))
            out << d->document(Band::Empty, -1, nullptr)->toPlainText().trimmed();
        for (int row = page * perPage; row < qMin(d->rows(), (page + 1) * perPage); ++row) {
            if (d->gone(row))
                continue;
            QStringList lines;
            for (int i = 0; i < int(d->labelTexts.size()); ++i) {
                const QString t = d->labelTexts[i].render([this, row](const QString &n) { return d->resolve(n, row, nullptr); });
                if (!t.trimmed().isEmpty())
                    lines << t;
            }
            out << lines.join(QLatin1Char('\n'));
        }
    } else {
        if (d->layout.hasBand(Band::PageHeader))
            out << d->document(Band::PageHeader, -1, nullptr)->toPlainText().trimmed();
        Cursor following;
        for (const Placed &placed : d->plan(d->pages[page], &following))
            out << d->placedText(placed);
        if (d->layout.hasBand(Band::PageFooter))
            out << d->document(Band::PageFooter, -1, nullptr)->toPlainText().trimmed();
    }
    out << (d->done ? QStringLiteral("第 %1 页 / 共 %2 页").arg(page + 1).arg(pageCount())
                    : QStringLiteral("第 %1 页").arg(page + 1));
    return out.join(QLatin1Char('\n'));
}

QList<Report::PlacedBand> Report::pageBands(int page) const
{
    QList<PlacedBand> out;
    if (page < 0 || page >= pageCount())
        return out;
    if (d->labels()) {
        const int perPage = d->layout.labelsPerPage();
        const qreal h = d->layout.labelSize().height() * d->u;
        for (int k = 0; k < perPage && page * perPage + k < d->rows(); ++k)
            out.push_back({QStringLiteral("label"), page * perPage + k, (k / d->layout.labelColumns()) * h, h, 0});
        return out;
    }
    static const char *names[] = {"report-header", "group-header", "row", "group-footer", "summary", "empty", "end"};
    if (d->layout.hasBand(Band::PageHeader))
        out.push_back({QStringLiteral("page-header"), -1, 0, d->pageHeaderHeight, 0});
    Cursor following;
    for (const Placed &p : d->plan(d->pages[page], &following))
        out.push_back({p.captions ? QStringLiteral("captions") : QLatin1String(names[int(p.at.part)]),
                       p.captions ? -1 : p.at.row, p.y, p.height, p.from});
    if (d->layout.hasBand(Band::PageFooter))
        out.push_back({QStringLiteral("page-footer"), -1, d->body.height() - d->pageFooterHeight, d->pageFooterHeight, 0});
    return out;
}

QString Report::toPlainText()
{
    paginate();
    QStringList pages;
    for (int i = 0; i < pageCount(); ++i)
        pages << pageText(i);
    return pages.join(QStringLiteral("\n\f\n"));
}

