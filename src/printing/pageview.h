#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QList>

class Report;

// The pages of a report one under the other, drawn only as they come into view: a report of
// thousands of pages scrolls and zooms like one of ten. The page count may still grow while
// the report is being laid out; refresh() takes the pages known now.
class PageView : public QAbstractScrollArea
{
    Q_OBJECT
  public:
    explicit PageView(QWidget *parent = nullptr);

    void setReport(const Report *report);
    void refresh();

    qreal zoomFactor() const { return m_zoom; }
    void setZoomFactor(qreal zoom);

    int pageCount() const { return m_pages; }
    int currentPage() const; // 0-based, the page in the middle of the view
    void setCurrentPage(int page);
    // Pages drawn since the report was set: a check that only pages in view are drawn.
    int pagesDrawn() const { return m_drawn; }

  Q_SIGNALS:
    void currentPageChanged(int page);
    // A page drawn found the report stale (rows deleted by another seat since it was laid out).
    void reportStale();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    QSize pageSize() const; // in pixels at the zoom
    int pageTop(int page) const;
    void updateScrollBars();
    QImage pageImage(int page);

    const Report *m_report = nullptr;
    int m_pages = 0;
    qreal m_zoom = 1.0;
    int m_drawn = 0;
    int m_lastCurrent = -1;
    QHash<int, QImage> m_cache; // pages drawn at the current zoom
    QList<int> m_cacheOrder;
};
