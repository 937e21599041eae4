#include "printing.h"

#include "dataset.h"
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
    ReportEngine engine;
    engine.setSender(sender);
    ReportPreview window(engine.render(layout, dataset), parent);
    if (!script().on) {
        window.exec();
        return;
    }
    Report &report = window.report();
    report.paginate();
    Shown shown;
    shown.layout = layout;
    shown.layoutPath = report.layoutPath();
    shown.dataset = dataset ? dataset->name() : QString();
    shown.rowCount = dataset && dataset->isOpen() ? dataset->rowCount() : 0;
    shown.pageCount = report.pageCount();
    shown.layoutFound = report.isValid();
    // The text of a long report: its first pages and its last.
    QStringList pages;
    for (int i = 0; i < report.pageCount(); ++i)
        if (i < 20 || i == report.pageCount() - 1)
            pages << report.pageText(i);
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
