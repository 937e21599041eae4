#pragma once

#include "exportwriter.h"

#include <QString>
#include <functional>

class DataGrid;
class QWidget;
namespace store
{
class Dataset;
}

// The export of what a data grid shows: its dataset's rows in the current filter and order,
// its visible columns under their captions, and, when it is grouped, the rows in the order
// of their groups with the group values in leading columns. Rows are streamed from the store;
// a grouped export first spools them to a temporary file, so memory stays flat either way.
namespace GridExport
{

// Told every few hundred rows; returning false cancels the export.
using Progress = std::function<bool(qint64 done, qint64 total)>;

struct Result {
    qint64 rows = 0;
    bool cancelled = false;
};

// Reads the rest of a list that a print or an export takes whole. Empty when every row is
// there; else the message that refuses `doing` ("打印", "导出"): the store failed while the list
// was being read, and a print or a file of part of the list, with its sums, would pass for
// the whole.
QString incompleteList(store::Dataset &d, const QString &doing);

// Writes the grid's rows to `path`. Throws ExportWriter::Failure or store::StoreError; a
// cancelled or failed export leaves no file under `path` (an existing one is kept as it was).
Result write(const DataGrid &grid, ExportWriter::Format format, const QString &path,
             const Progress &progress = {});

// The "导出..." command of every grid: the log row "<module>-导出", a save dialog (XLSX or
// CSV by the file type chosen in it), the export under a progress dialog that can be cancelled, and
// a message with the outcome.
void run(DataGrid *grid);

// The module a widget belongs to, as its commands' log texts begin
// ("商务代理业务管理-商务代理资料"): the nearest prefix set on it or on a widget around it in its
// window.
enum PrefixRule { Replace, KeepSet };
void setLogPrefix(QWidget *owner, const QString &prefix, PrefixRule rule = Replace);
QString logPrefix(const QWidget *widget);

} // namespace GridExport
