#include "reportoutput.h"

#include "diskspace.h"
#include "report.h"
#include "reporttext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace ReportOutput
{

namespace
{

// Pages are drawn in document units: the painter scales them to the device.
void drawPages(QPainter &painter, Report &report, qreal dotsPerInch, int from, int to, int copies,
               const std::function<bool()> &newPage, const Progress &progress, Result *result)
{
    const int total = (to - from + 1) * copies;
    int done = 0;
    const qreal scale = dotsPerInch / ReportText::UnitsPerInch;
    for (int copy = 0; copy < copies; ++copy) {
        for (int page = from; page <= to; ++page) {
            if (done > 0 && !newPage()) {
                *result = Result::Failed;
                return;
            }
            painter.save();
            painter.scale(scale, scale);
            report.paintPage(painter, page - 1);
            painter.restore();
            if (report.isStale()) {
                // Rows drawn no longer match the pages counted: the output is made again.
                *result = Result::Failed;
                return;
            }
            ++done;
            if (progress && !progress(done, total)) {
                *result = Result::Cancelled;
                return;
            }
        }
    }
    *result = Result::Done;
}

constexpr int StaleAttempts = 3;

// The whole report into the file at `partial`, laid out first.
Result writePdfOnce(Report &report, const QString &partial, const Progress &progress)
{
    report.paginate();
    Result result = Result::Failed;
    // Our own file, so that a write the disk refused (it is full) is seen: the PDF writer
    // itself goes on as if it had written everything.
    QFile file(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Result::Failed;
    QPdfWriter writer(&file);
    const QPageLayout page = report.pageLayout();
    writer.setPageLayout(QPageLayout(page.pageSize(), page.orientation(), QMarginsF(0, 0, 0, 0)));
    writer.setResolution(300);
    writer.setTitle(report.title());
    writer.setCreator(QStringLiteral("Tessaly"));
    QPainter painter;
    if (!painter.begin(&writer))
        return Result::Failed;
    drawPages(painter, report, writer.resolution(), 1, qMax(1, report.pageCount()), 1,
              [&writer] { return writer.newPage(); }, progress, &result);
    if (!painter.end() && result == Result::Done)
        result = Result::Failed;
    // The writer may have closed the file already; either way a refused write left its error.
    if (file.isOpen())
        file.close();
    if (file.error() != QFileDevice::NoError && result == Result::Done)
        result = Result::Failed;
    return result;
}

} // namespace

QString staleMessage()
{
    return QStringLiteral("打印期间其他用户删除了报表中的记录，请重新打印。");
}

Result print(Report &report, QPrinter *printer, const Progress &progress)
{
    report.paginate();
    const int pages = report.pageCount();
    QPainter painter;
    if (pages == 0 || !painter.begin(printer))
        return Result::Failed;
    int from = 1, to = pages;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        from = qBound(1, printer->fromPage(), pages);
        to = printer->toPage() > 0 ? qBound(from, printer->toPage(), pages) : pages;
    }
    // Printers that cannot make copies themselves (PDF among them) get the pages repeated.
    const int copies = printer->supportsMultipleCopies() ? 1 : qMax(1, printer->copyCount());
    if (!printer->fullPage())
        painter.translate(-printer->pageRect(QPrinter::DevicePixel).topLeft());
    Result result = Result::Failed;
    drawPages(painter, report, printer->logicalDpiY(), from, to, copies, [printer] { return printer->newPage(); },
              progress, &result);
    if (result == Result::Cancelled || report.isStale())
        printer->abort();
    if (!painter.end() && result == Result::Done)
        result = Result::Failed;
    return result;
}

Result writePdf(Report &report, const QString &path, const Progress &progress, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return Result::Failed;
    };
    const QString partial = path + QStringLiteral(".part-%1").arg(QCoreApplication::applicationPid());
    Result result = Result::Failed;
    // Rows deleted by another seat after the pages were counted over them: the report is
    // laid out again from the rows held now and the file written anew, a few times at most.
    for (int attempt = 0; attempt < StaleAttempts; ++attempt) {
        if (report.isStale())
            report.relayout();
        result = writePdfOnce(report, partial, progress);
        if (!report.isStale())
            break;
        QFile::remove(partial);
        result = Result::Failed;
    }
    if (report.isStale())
        return fail(staleMessage());
    const QString cannotWrite =
        store::DiskSpace::writeFailure(path, QStringLiteral("无法写入文件：") + path);
    if (result != Result::Done) {
        QFile::remove(partial);
        return result == Result::Cancelled ? result : fail(cannotWrite);
    }
    if (QFileInfo(partial).size() == 0) {
        QFile::remove(partial);
        return fail(cannotWrite);
    }
    // The finished file takes the chosen name only now.
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        QFile::remove(partial);
        return fail(QStringLiteral("文件已存在且无法替换：") + path);
    }
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        return fail(cannotWrite);
    }
    return Result::Done;
}

} // namespace ReportOutput
