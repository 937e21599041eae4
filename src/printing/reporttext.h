#pragma once

#include "pdftext.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRectF>
#include <memory>

class QPainter;
class QTextDocument;

// Text as a report measures and draws it: on a device of 96 dots per inch whatever prints it,
// in the report's CJK font, wrapped inside its cell and never over the next one. Measuring
// and drawing take the same path, so a page is drawn exactly as it was counted.
class ReportText
{
  public:
    static constexpr qreal UnitsPerInch = 96;

    ReportText() = default;
    explicit ReportText(qreal pointSize);

    QFont regular() const { return m_regular; }
    QFont bold() const { return m_bold; }
    // The report font at another size (0: the layout's), bold or not.
    QFont font(qreal pointSize, bool bold) const;

    // Height of a text wrapped to `width`: one line at least.
    qreal height(const QString &text, const QFont &font, qreal width) const;
    // Draws the text wrapped inside `area`, from its top; returns the height it took.
    qreal drawText(QPainter &p, const QString &text, const QFont &font, const QRectF &area, Qt::Alignment align) const;
    // A cell's border.
    void frame(QPainter &p, const QRectF &cell) const;

    // An HTML band laid out at this width in the report's font.
    std::shared_ptr<QTextDocument> document(const QString &html, qreal width) const;
    // Draws `height` of a document from `from` down, with its top at `at`.
    void draw(QPainter &p, QTextDocument &doc, const QPointF &at, qreal from, qreal height) const;

    // Every character drawn so far, for the character maps of a PDF file.
    void note(QStringView text) const { m_drawn->add(text); }
    const PdfText::Characters &drawn() const { return *m_drawn; }

    // The device everything is laid out for.
    static class QPaintDevice *device();

  private:
    struct Measure {
        std::shared_ptr<QFontMetricsF> metrics;
        mutable QHash<char16_t, qreal> advances;
    };
    const Measure &measure(const QFont &font) const;
    // The text's width from the widths of its characters, or a negative value when shaping
    // could change it (surrogates, combining marks). Shaping every cell is what made counting
    // the pages of a long list slow.
    static qreal quickWidth(const QString &text, const Measure &m);
    bool fitsOnOneLine(const QString &text, const QFont &font, qreal width) const;

    QFont m_regular, m_bold;
    // Resolving a font for the device is dear; the two a report measures most are kept.
    Measure m_regularMeasure, m_boldMeasure;
    mutable Measure m_otherMeasure;
    mutable QFont m_other;
    std::shared_ptr<PdfText::Characters> m_drawn = std::make_shared<PdfText::Characters>();
};
