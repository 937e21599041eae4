#pragma once

#include "pdftext.h"
#include "reportlayout.h"
#include "reportsource.h"

#include <QSizeF>
#include <QString>
#include <memory>

class QPainter;

// A report being laid out: the bands of a layout over the rows of one dataset, cut into pages
// of the layout's paper. Pages are found in a pass over the rows that keeps only where each
// page starts, so a report of 100,000 rows holds no more than one of ten; a page is drawn by
// reading its own rows again. Everything is measured and drawn in device-independent units
// (96 per inch), so preview, paper and PDF break the pages at the same places. Every page
// carries "第 N 页 / 共 M 页" in its bottom margin.
class Report
{
  public:
    Report();
    Report(const ReportLayout &layout, const ReportSource &source, const QString &layoutPath,
           const QString &printDate);
    Report(Report &&) noexcept;
    Report &operator=(Report &&) noexcept;
    ~Report();

    // The page shown instead of a report whose layout cannot be used; it names the fault.
    static Report message(const QString &text, const QString &layoutPath);

    bool isValid() const; // false for a message page
    QString title() const;
    QString layoutPath() const;
    const ReportLayout &layout() const;
    const ReportSource &source() const;
    QPageLayout pageLayout() const;
    QSizeF paperSize() const; // document units
    QSizeF bodySize() const;  // the page inside the margins, document units

    // Lays out further pages for about this long (all that remain when negative); true once
    // every page is known. Rows are read as they are needed.
    bool paginate(int milliseconds = -1);
    bool isPaginated() const;
    int pageCount() const; // the pages known so far: all of them once paginated
    // Rows another seat deletes while the report is being made are passed over. One deleted
    // after the pages were laid out over it makes the report stale: what was drawn from it
    // no longer matches its pages, and it is laid out again (relayout) and drawn anew.
    bool isStale() const;
    void relayout();
    // The rows the report prints: those of the dataset less the ones found gone.
    int rowsPrinted() const;

    // Draws a known page with its top-left corner at the painter's origin, in document units.
    void paintPage(QPainter &painter, int page) const;
    // What a page says, band by band (cells separated by tabs): for tests and checks.
    QString pageText(int page) const;
    // What a page holds, top to bottom, in document units below the body's top: the page
    // header and footer, the report header, "captions", "row" (a row's part from `from`),
    // the group header and footer, the summary, "empty", or "label" (left to right).
    struct PlacedBand {
        QString part;
        int row = -1;
        qreal top = 0, height = 0, from = 0;
    };
    QList<PlacedBand> pageBands(int page) const;
    // Every page's text; lays out all pages first.
    QString toPlainText();

    static qreal unitsPerMm();

    // The report's font, and every character drawn so far (for the text of a PDF file).
    QFont font() const;
    const PdfText::Characters &drawnCharacters() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
