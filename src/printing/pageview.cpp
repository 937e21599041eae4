#include "pageview.h"

#include "report.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace
{

constexpr int Gap = 16;      // between pages and around them
constexpr int CachePages = 12;

} // namespace

PageView::PageView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("PreviewArea"));
    viewport()->setAutoFillBackground(true);
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    viewport()->setPalette(p);
    verticalScrollBar()->setSingleStep(40);
}

void PageView::setReport(const Report *report)
{
    m_report = report;
    m_drawn = 0;
    m_cache.clear();
    m_cacheOrder.clear();
    refresh();
}

void PageView::refresh()
{
    const int pages = m_report ? m_report->pageCount() : 0;
    // Pages already drawn may carry "第 N 页" without the total: drawn again once it is known.
    if (m_report && m_report->isPaginated() && pages != m_pages) {
        m_cache.clear();
        m_cacheOrder.clear();
    }
    m_pages = pages;
    updateScrollBars();
    viewport()->update();
}

void PageView::setZoomFactor(qreal zoom)
{
    if (zoom <= 0 || qFuzzyCompare(zoom, m_zoom))
        return;
    const int page = currentPage();
    m_zoom = zoom;
    m_cache.clear();
    m_cacheOrder.clear();
    updateScrollBars();
    setCurrentPage(page);
    viewport()->update();
}

QSize PageView::pageSize() const
{
    if (!m_report)
        return {};
    return (m_report->paperSize() * m_zoom).toSize();
}

int PageView::pageTop(int page) const
{
    return Gap + page * (pageSize().height() + Gap);
}

int PageView::currentPage() const
{
    if (m_pages == 0)
        return 0;
    const int middle = verticalScrollBar()->value() + viewport()->height() / 2;
    return qBound(0, middle / (pageSize().height() + Gap), m_pages - 1);
}

void PageView::setCurrentPage(int page)
{
    if (m_pages == 0)
        return;
    page = qBound(0, page, m_pages - 1);
    verticalScrollBar()->setValue(pageTop(page) - Gap);
    viewport()->update();
}

void PageView::updateScrollBars()
{
    const QSize page = pageSize();
    const int height = m_pages > 0 ? pageTop(m_pages) : 0;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, qMax(0, height - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, qMax(0, page.width() + 2 * Gap - viewport()->width()));
}

void PageView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void PageView::scrollContentsBy(int, int)
{
    viewport()->update();
    const int page = currentPage();
    if (page != m_lastCurrent) {
        m_lastCurrent = page;
        Q_EMIT currentPageChanged(page);
    }
}

QImage PageView::pageImage(int page)
{
    if (const auto it = m_cache.constFind(page); it != m_cache.constEnd())
        return it.value();
    const QSize size = pageSize();
    const qreal ratio = devicePixelRatioF();
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(m_zoom, m_zoom);
        m_report->paintPage(painter, page);
    }
    ++m_drawn;
    if (m_report->isStale())
        QMetaObject::invokeMethod(this, &PageView::reportStale, Qt::QueuedConnection);
    m_cache.insert(page, image);
    m_cacheOrder.append(page);
    while (m_cacheOrder.size() > CachePages)
        m_cache.remove(m_cacheOrder.takeFirst());
    return image;
}

void PageView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), viewport()->palette().color(QPalette::Window));
    if (!m_report || m_pages == 0)
        return;
    const QSize size = pageSize();
    const int step = size.height() + Gap;
    const int top = verticalScrollBar()->value();
    const int x = qMax(Gap, (viewport()->width() - size.width()) / 2) - horizontalScrollBar()->value();
    const int firstPage = qMax(0, (top - Gap) / step);
    for (int page = firstPage; page < m_pages; ++page) {
        const int y = pageTop(page) - top;
        if (y > viewport()->height())
            break;
        const QRect rect(QPoint(x, y), size);
        painter.fillRect(rect.translated(3, 3), QColor(0x40, 0x40, 0x40));
        painter.drawImage(rect.topLeft(), pageImage(page));
    }
}
