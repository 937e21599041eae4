#include "reporttext.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>

namespace
{

QFont baseFont(qreal pointSize)
{
    QFont font(QStringList{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
                           QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("SimSun"), QStringLiteral("Sans Serif")});
    font.setPointSizeF(pointSize);
    // Without shaping features a digit is drawn with the glyph its character maps to, so a
    // PDF reader finds codes such as "C000001" again (shaped Latin runs lose them).
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QTextOption wrapping(Qt::Alignment align)
{
    QTextOption o(align | Qt::AlignTop);
    o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return o;
}

// Lays the text out in lines no wider than `width`; returns the height of all lines.
qreal layOut(QTextLayout &layout, qreal width)
{
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(1.0, width));
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

} // namespace

QPaintDevice *ReportText::device()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        const int dotsPerMeter = qRound(UnitsPerInch / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

ReportText::ReportText(qreal pointSize) : m_regular(baseFont(pointSize)), m_bold(baseFont(pointSize))
{
    m_bold.setBold(true);
    m_regularMeasure.metrics = std::make_shared<QFontMetricsF>(m_regular, device());
    m_boldMeasure.metrics = std::make_shared<QFontMetricsF>(m_bold, device());
}

QFont ReportText::font(qreal pointSize, bool bold) const
{
    QFont f = m_regular;
    if (pointSize > 0)
        f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

const ReportText::Measure &ReportText::measure(const QFont &font) const
{
    if (font == m_regular)
        return m_regularMeasure;
    if (font == m_bold)
        return m_boldMeasure;
    if (!m_otherMeasure.metrics || font != m_other) {
        m_other = font;
        m_otherMeasure.metrics = std::make_shared<QFontMetricsF>(font, device());
        m_otherMeasure.advances.clear();
    }
    return m_otherMeasure;
}

qreal ReportText::quickWidth(const QString &text, const Measure &m)
{
    qreal width = 0;
    for (const QChar c : text) {
        if (c.isSurrogate() || c.category() <= QChar::Mark_Enclosing || c == QLatin1Char('\n'))
            return -1;
        auto it = m.advances.constFind(c.unicode());
        if (it == m.advances.constEnd())
            it = m.advances.insert(c.unicode(), m.metrics->horizontalAdvance(c));
        width += it.value();
    }
    return width;
}

// One line when its characters fit with room to spare (so that kerning cannot push it over),
// or when shaping it says so.
bool ReportText::fitsOnOneLine(const QString &text, const QFont &font, qreal width) const
{
    const Measure &m = measure(font);
    const qreal quick = quickWidth(text, m);
    if (quick >= 0 && quick <= width * 0.97)
        return true;
    if (quick > width * 1.05 || text.contains(QLatin1Char('\n')))
        return false;
    return m.metrics->horizontalAdvance(text) <= width;
}

qreal ReportText::height(const QString &text, const QFont &font, qreal width) const
{
    const qreal line = std::ceil(measure(font).metrics->height());
    // Most cells hold one short line: measured without laying it out.
    if (text.isEmpty() || fitsOnOneLine(text, font, width))
        return line;
    QTextLayout layout(QString(text).replace(QLatin1Char('\n'), QChar::LineSeparator), font, device());
    layout.setTextOption(wrapping(Qt::AlignLeft));
    return qMax(line, layOut(layout, width));
}

qreal ReportText::drawText(QPainter &p, const QString &text, const QFont &font, const QRectF &area,
                           Qt::Alignment align) const
{
    const qreal h = height(text, font, area.width());
    if (text.isEmpty())
        return h;
    note(text);
    QTextLayout layout(QString(text).replace(QLatin1Char('\n'), QChar::LineSeparator), font, device());
    QTextOption option = wrapping(align & Qt::AlignHorizontal_Mask);
    // A text measured as one line is drawn as one line, so it never takes more than counted.
    if (h <= std::ceil(measure(font).metrics->height()))
        option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layOut(layout, area.width());
    p.setPen(Qt::black);
    layout.draw(&p, area.topLeft());
    return h;
}

void ReportText::frame(QPainter &p, const QRectF &cell) const
{
    p.save();
    p.setPen(QPen(Qt::black, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(cell);
    p.restore();
}

std::shared_ptr<QTextDocument> ReportText::document(const QString &html, qreal width) const
{
    auto doc = std::make_shared<QTextDocument>();
    doc->documentLayout()->setPaintDevice(device());
    doc->setDocumentMargin(0);
    doc->setDefaultFont(m_regular);
    doc->setTextWidth(width);
    doc->setHtml(html);
    return doc;
}

void ReportText::draw(QPainter &p, QTextDocument &doc, const QPointF &at, qreal from, qreal height) const
{
    note(doc.toPlainText());
    p.save();
    p.translate(at.x(), at.y() - from);
    const QRectF shown(0, from, doc.textWidth(), height);
    p.setClipRect(shown, Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = shown;
    context.palette.setColor(QPalette::Text, Qt::black);
    doc.documentLayout()->draw(&p, context);
    p.restore();
}
