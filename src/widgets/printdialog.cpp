#include "printdialog.h"

#include "messagebox.h"
#include "scriptqueue.h"

#include <QPrintDialog>
#include <QPrinter>
#include <optional>

namespace
{
// An accepted answer carries the PDF file to print to (possibly empty); a reject is nothing.
ScriptQueue<std::optional<QString>, PrintDialog::Call> &script()
{
    static ScriptQueue<std::optional<QString>, PrintDialog::Call> s;
    return s;
}
} // namespace

bool PrintDialog::exec(QPrinter *printer, QWidget *parent, const QString &title)
{
    script().calls.append({title, printer->fromPage(), printer->toPage()});
    if (MessageBox::isScripted()) {
        const std::optional<QString> answer = script().take(std::nullopt);
        if (!answer)
            return false;
        if (!answer->isEmpty()) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(*answer);
        }
        return true;
    }
    QPrintDialog dialog(printer, parent);
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

void PrintDialog::setNextAccept(const QString &pdfFile)
{
    script().answers.append(pdfFile);
}
void PrintDialog::setNextReject()
{
    script().answers.append(std::nullopt);
}
QList<PrintDialog::Call> &PrintDialog::calls()
{
    return script().calls;
}
void PrintDialog::clearHistory()
{
    script().clear();
}
