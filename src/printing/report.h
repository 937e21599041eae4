#pragma once

#include "reportlayout.h"

#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>

class QPainter;
class QPrinter;
class QTextDocument;

// A rendered report: the document the layout's template produced, cut into pages of the
// layout's paper. Pages are painted with the page number "第 N 页 / 共 M 页" in the bottom
// margin. The document is laid out in device-independent units (96 per inch), so preview,
// paper and PDF break the pages at the same places.
class Report
{
  public:
    Report();
    Report(Report &&) noexcept;
    Report &operator=(Report &&) noexcept;
    ~Report();

    // A report over `html` on the paper of `layout`, printed on `printDate` (yyyy-MM-dd).
    Report(const ReportLayout &layout, const QString &html, const QString &layoutPath,
           const QString &printDate);
    // The page shown instead of a report whose layout file could not be used.
    static Report message(const QString &text, const QString &layoutPath);

    QTextDocument *document() const { return m_document.get(); }
    QString title() const { return m_layout.title(); }
    QString layoutPath() const { return m_layoutPath; }
    const ReportLayout &layout() const { return m_layout; }
    QPageLayout pageLayout() const { return m_layout.pageLayout(); }
    bool isValid() const { return m_valid; } // false for the stand-in page of a missing layout

    int pageCount() const;
    QString toPlainText() const;
    // The size of the page inside the margins, in document units.
    QSizeF bodySize() const;

    // Paints the pages the printer asks for (its page range, or all), each with its number.
    // Returns false when the printer could not be started.
    bool print(QPrinter *printer) const;

    // Document units per millimetre.
    static qreal unitsPerMm();

  private:
    void paintPage(QPainter &painter, qreal scale, int page, int pages) const;

    ReportLayout m_layout;
    std::unique_ptr<QTextDocument> m_document;
    QString m_layoutPath;
    QString m_printDate;
    bool m_valid = false;
};
