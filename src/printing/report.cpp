#include "report.h"

#include <QAbstractTextDocumentLayout>
#include <QDate>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QUrl>

namespace
{

constexpr qreal unitsPerInch = 96;

// The device every report is laid out for: 96 dots per inch whatever the screen, so that a
// report breaks its pages the same way on every machine and for every printer.
QImage *layoutDevice()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        const int dotsPerMeter = qRound(unitsPerInch / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

// A transparent picture the label layouts float in every label so that each label keeps its
// height however little it holds (table rows in rich text have no height of their own).
QImage spacerImage()
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

Report::Report() = default;
Report::Report(Report &&) noexcept = default;
Report &Report::operator=(Report &&) noexcept = default;
Report::~Report() = default;

Report::Report(const ReportLayout &layout, const QString &html, const QString &layoutPath,
               const QString &printDate)
    : m_layout(layout), m_document(std::make_unique<QTextDocument>()), m_layoutPath(layoutPath),
      m_printDate(printDate), m_valid(true)
{
    QTextDocument &doc = *m_document;
    doc.documentLayout()->setPaintDevice(layoutDevice());
    doc.setDocumentMargin(0);
    QFont font(QStringList{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
                           QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("SimSun"),
                           QStringLiteral("Sans Serif")});
    font.setPointSizeF(layout.fontSize());
    doc.setDefaultFont(font);
    doc.setPageSize(bodySize());
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("tessaly:label-spacer")),
                    spacerImage());
    doc.setHtml(html);
    doc.setMetaInformation(QTextDocument::DocumentTitle, layout.title());
}

Report Report::message(const QString &text, const QString &layoutPath)
{
    const ReportLayout layout = ReportLayout::parse(QStringLiteral("title: 报表预览\n---\n"));
    Report report(layout,
                  QStringLiteral("<p style=\"font-size:14pt; font-weight:bold\">") +
                      text.toHtmlEscaped() + QStringLiteral("</p>"),
                  layoutPath, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    report.m_valid = false;
    return report;
}

qreal Report::unitsPerMm()
{
    return unitsPerInch / 25.4;
}

QSizeF Report::bodySize() const
{
    return m_layout.bodySize() * unitsPerMm();
}

int Report::pageCount() const
{
    return m_document ? m_document->pageCount() : 0;
}

QString Report::toPlainText() const
{
    return m_document ? m_document->toPlainText() : QString();
}

bool Report::print(QPrinter *printer) const
{
    if (!m_document)
        return false;
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    const int pages = pageCount();
    int from = 1, to = pages;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        from = qBound(1, printer->fromPage(), pages);
        to = printer->toPage() > 0 ? qBound(from, printer->toPage(), pages) : pages;
    }
    // Printers that cannot make copies themselves (PDF among them) get the pages repeated.
    const int copies = printer->supportsMultipleCopies() ? 1 : qMax(1, printer->copyCount());
    if (!printer->fullPage())
        painter.translate(-printer->pageRect(QPrinter::DevicePixel).topLeft());
    const qreal scale = printer->logicalDpiY() / unitsPerInch;
    bool first = true;
    for (int copy = 0; copy < copies; ++copy) {
        for (int page = from; page <= to; ++page) {
            if (!first && !printer->newPage())
                return false;
            first = false;
            paintPage(painter, scale, page - 1, pages);
        }
    }
    return painter.end();
}

void Report::paintPage(QPainter &painter, qreal scale, int page, int pages) const
{
    const qreal u = unitsPerMm();
    const QMarginsF margins = m_layout.margins() * u;
    const QSizeF body = bodySize();
    const QSizeF paper = m_layout.pageLayout().fullRect(QPageLayout::Millimeter).size() * u;

    painter.save();
    painter.scale(scale, scale);

    painter.save();
    painter.translate(margins.left(), margins.top());
    painter.setClipRect(QRectF(QPointF(0, 0), body));
    painter.translate(0, -page * body.height());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, page * body.height(), body.width(), body.height());
    context.palette.setColor(QPalette::Text, Qt::black);
    m_document->documentLayout()->draw(&painter, context);
    painter.restore();

    // The page number sits in the middle of the bottom margin; label sheets, whose body
    // belongs to the labels, carry their title and date in the top margin.
    QFont font = m_document->defaultFont();
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    if (m_layout.hasPageHeader()) {
        const QRectF header(margins.left(), 0, body.width(), margins.top());
        painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, m_layout.title());
        painter.drawText(header, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("打印日期：") + m_printDate);
    }
    const QRectF footer(margins.left(), paper.height() - margins.bottom(), body.width(),
                        margins.bottom());
    painter.drawText(footer, Qt::AlignCenter,
                     QStringLiteral("第 %1 页 / 共 %2 页").arg(page + 1).arg(pages));
    painter.restore();
}
