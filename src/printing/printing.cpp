#include "printing.h"

#include "dataset.h"
#include "gridexport.h"
#include "messagebox.h"
#include "reportengine.h"
#include "reportpreview.h"

namespace Printing
{

namespace
{

struct Script {
    bool on = qEnvironmentVariableIsSet("TESSALY_SCRIPTED_MESSAGES");
    QList<Shown> history;
};

Script &script()
{
    static Script s;
    return s;
}

} // namespace

void preview(QWidget *parent, const QString &layout, store::Dataset *dataset,
             const QVariantMap &sender)
{
    if (dataset)
        if (const QString why = GridExport::incompleteList(*dataset, QStringLiteral("打印"));
            !why.isEmpty()) {
            MessageBox::warning(parent, why);
            return;
        }
    ReportEngine engine;
    engine.setSender(sender);
    ReportPreview window(engine.render(layout, dataset), parent);
    if (!script().on) {
        window.exec();
        return;
    }
    Report &report = window.report();
    // The text of a long report: its first pages and its last, read again from the start
    // when rows were deleted after their pages were laid out.
    QStringList pages;
    for (int attempt = 0; attempt == 0 || (report.isStale() && attempt < 3); ++attempt) {
        if (report.isStale())
            report.relayout();
        report.paginate();
        pages.clear();
        for (int i = 0; i < report.pageCount(); ++i)
            if (i < 20 || i == report.pageCount() - 1)
                pages << report.pageText(i);
    }
    Shown shown;
    shown.layout = layout;
    shown.layoutPath = report.layoutPath();
    shown.dataset = dataset ? dataset->name() : QString();
    shown.rowCount = report.isValid() ? report.rowsPrinted()
                     : dataset && dataset->isOpen() ? dataset->rowCount()
                                                    : 0;
    shown.pageCount = report.pageCount();
    shown.layoutFound = report.isValid();
    shown.text = pages.join(QStringLiteral("\n\f\n"));
    script().history.append(shown);
}

void setScripted(bool on)
{
    script().on = on;
}
bool isScripted()
{
    return script().on;
}
QList<Shown> &history()
{
    return script().history;
}
Shown last()
{
    return script().history.isEmpty() ? Shown() : script().history.last();
}
void clearHistory()
{
    script().history.clear();
}

} // namespace Printing
