#include "reportoutput.h"

#include "diskspace.h"
#include "pdftext.h"
#include "report.h"
#include "reporttext.h"

#include <QCoreApplication>
#include <QDir>
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

// Why a file cannot be written, in words for the user; a full disk is said as such.
QString cannotWrite(const QString &path, const QString &reason)
{
    return store::DiskSpace::writeFailure(
        path, QStringLiteral("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), reason));
}

QString reasonFor(QFile &file)
{
    const QFileInfo folder(QFileInfo(file.fileName()).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("文件夹“%1”不存在").arg(QDir::toNativeSeparators(folder.filePath()));
    return file.errorString();
}

// The whole report into the file at `partial`, laid out first.
Result writePdfOnce(Report &report, const QString &partial, const Progress &progress, QString *why)
{
    report.paginate();
    QFile file(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *why = reasonFor(file);
        return Result::Failed;
    }
    Result result = Result::Failed;
    {
        QPdfWriter writer(&file);
        const QPageLayout page = report.pageLayout();
        writer.setPageLayout(
            QPageLayout(page.pageSize(), page.orientation(), QMarginsF(0, 0, 0, 0)));
        writer.setResolution(300);
        writer.setTitle(report.title());
        writer.setCreator(QStringLiteral("Tessaly"));
        QPainter painter;
        if (!painter.begin(&writer))
            return Result::Failed;
        drawPages(
            painter, report, writer.resolution(), 1, qMax(1, report.pageCount()), 1,
            [&writer] { return writer.newPage(); }, progress, &result);
        if (!painter.end() && result == Result::Done)
            result = Result::Failed;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        *why = file.errorString();
        return Result::Failed;
    }
    file.close();
    if (result == Result::Done &&
        !PdfText::mendCharacterMaps(partial, report.drawnCharacters(), report.font(), why))
        return Result::Failed;
    return result;
}

} // namespace

QString staleMessage()
{
    return QStringLiteral("打印期间其他用户删除了报表中的记录，请重新打印。");
}

Result print(Report &report, QPrinter *printer, const Progress &progress, QString *error)
{
    const QString file =
        printer->outputFormat() == QPrinter::PdfFormat ? printer->outputFileName() : QString();
    const auto fail = [&](const QString &why) {
        if (error)
            *error = file.isEmpty() ? why : cannotWrite(file, why);
        return Result::Failed;
    };
    // A file the printer cannot make is named with the reason before anything is drawn.
    if (!file.isEmpty()) {
        QFile probe(file);
        const bool existed = probe.exists();
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
            return fail(reasonFor(probe));
        probe.close();
        if (!existed)
            probe.remove();
    }
    report.paginate();
    const int pages = report.pageCount();
    QPainter painter;
    if (pages == 0 || !painter.begin(printer))
        return fail(file.isEmpty() ? QStringLiteral("无法打印：打印机没有准备好。")
                                   : QStringLiteral("PDF 文件没有写成"));
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
    QString why;
    if (result == Result::Done && !file.isEmpty() &&
        !PdfText::mendCharacterMaps(file, report.drawnCharacters(), report.font(), &why))
        return fail(why);
    if (result == Result::Failed)
        return fail(file.isEmpty() ? QStringLiteral("无法打印：打印机没有准备好。")
                                   : QStringLiteral("PDF 文件没有写成"));
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
    QString why;
    // Rows deleted by another seat after the pages were counted over them: the report is
    // laid out again from the rows held now and the file written anew, a few times at most.
    for (int attempt = 0; attempt < StaleAttempts; ++attempt) {
        if (report.isStale())
            report.relayout();
        result = writePdfOnce(report, partial, progress, &why);
        if (!report.isStale())
            break;
        QFile::remove(partial);
        result = Result::Failed;
    }
    if (report.isStale())
        return fail(staleMessage());
    if (result != Result::Done) {
        QFile::remove(partial);
        if (why.isEmpty())
            why = QStringLiteral("PDF 文件没有写成");
        return result == Result::Cancelled ? result : fail(cannotWrite(path, why));
    }
    if (QFileInfo(partial).size() == 0) {
        QFile::remove(partial);
        return fail(cannotWrite(path, QStringLiteral("PDF 文件没有写成")));
    }
    // The finished file takes the chosen name only now.
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        QFile::remove(partial);
        return fail(QStringLiteral("文件已存在且无法替换：") + path);
    }
    QFile finished(partial);
    if (!finished.rename(path)) {
        const QString reason = finished.errorString();
        QFile::remove(partial);
        return fail(cannotWrite(path, reason));
    }
    return Result::Done;
}

} // namespace ReportOutput
