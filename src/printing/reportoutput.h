#pragma once

#include <QString>
#include <functional>

class QPrinter;
class Report;

// A report onto paper or into a PDF file, a page at a time: nothing but the page being drawn
// is held, whatever the report's length.
namespace ReportOutput
{

// Told after every page: pages done and pages in all. Answering false stops the work.
using Progress = std::function<bool(int done, int total)>;

enum class Result { Done, Cancelled, Failed };

// The pages the printer asks for (its page range, or all), in as many copies as it asks for.
// Lays out the rest of the report first. A printer that writes a PDF file gets a file whose
// text reads as drawn. `error` says why it failed, naming the file and the reason.
Result print(Report &report, QPrinter *printer, const Progress &progress = {},
             QString *error = nullptr);

// The whole report as a PDF file at `path`. It is written beside the path and put in place
// when complete: a cancelled or failed export leaves no file of its own under that name (and
// one that was there before stays as it was). `error` says why it failed.
// The answer when another seat kept deleting the report's rows while it was being made.
QString staleMessage();

Result writePdf(Report &report, const QString &path, const Progress &progress = {}, QString *error = nullptr);

} // namespace ReportOutput
