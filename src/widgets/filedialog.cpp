#include "filedialog.h"

#include "messagebox.h"
#include "scriptqueue.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace
{
struct Answer {
    QString name;
    QString filter;
};

ScriptQueue<Answer, FileDialog::Call> &script()
{
    static ScriptQueue<Answer, FileDialog::Call> s;
    return s;
}

// The name as the chosen type wants it: the type decides the extension.
QString withTypeSuffix(const QString &name, const QString &filter)
{
    const QString suffix = FileDialog::suffixOf(filter);
    if (name.isEmpty() || suffix.isEmpty() ||
        QFileInfo(name).suffix().compare(suffix, Qt::CaseInsensitive) == 0)
        return name;
    return name + QLatin1Char('.') + suffix;
}

QString runDialog(QWidget *parent, const FileDialog::Call &call, QString *chosenFilter = nullptr)
{
    script().calls.append(call);
    const QString firstFilter = call.filter.section(QStringLiteral(";;"), 0, 0);
    if (MessageBox::isScripted()) {
        const Answer answer = script().take({});
        if (chosenFilter) {
            *chosenFilter = answer.filter.isEmpty() ? firstFilter : answer.filter;
            return withTypeSuffix(answer.name, *chosenFilter);
        }
        return call.kind == FileDialog::Kind::Save
                   ? FileDialog::withDefaultSuffix(answer.name, call.defaultSuffix)
                   : answer.name;
    }

    QFileDialog dialog(parent, call.caption, call.folder, call.filter);
    switch (call.kind) {
    case FileDialog::Kind::Open:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case FileDialog::Kind::Save:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(call.defaultSuffix);
        if (chosenFilter) {
            // A name typed without an extension gets the one of the type chosen last.
            dialog.selectNameFilter(firstFilter);
            dialog.setDefaultSuffix(FileDialog::suffixOf(firstFilter));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog](const QString &filter) {
                                 dialog.setDefaultSuffix(FileDialog::suffixOf(filter));
                             });
        }
        if (!call.proposedName.isEmpty())
            dialog.selectFile(QDir(call.folder).filePath(call.proposedName));
        break;
    case FileDialog::Kind::Folder:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosenFilter) {
        *chosenFilter = dialog.selectedNameFilter();
        return withTypeSuffix(dialog.selectedFiles().constFirst(), *chosenFilter);
    }
    return dialog.selectedFiles().constFirst();
}
} // namespace

QString FileDialog::getOpenFileName(QWidget *parent, const QString &caption, const QString &folder,
                                    const QString &filter)
{
    return runDialog(parent, {Kind::Open, caption, folder, {}, filter, {}});
}

QString FileDialog::getSaveFileName(QWidget *parent, const QString &caption, const QString &folder,
                                    const QString &proposedName, const QString &filter,
                                    const QString &defaultSuffix)
{
    return runDialog(parent, {Kind::Save, caption, folder, proposedName, filter, defaultSuffix});
}

QString FileDialog::getSaveFileName(QWidget *parent, const QString &caption, const QString &folder,
                                    const QString &proposedName, const QString &filters,
                                    QString *chosenFilter)
{
    return runDialog(parent, {Kind::Save, caption, folder, proposedName, filters, {}},
                     chosenFilter);
}

QString FileDialog::suffixOf(const QString &filter)
{
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    if (star < 0)
        return {};
    qsizetype end = star + 2;
    while (end < filter.size() && filter[end].isLetterOrNumber())
        ++end;
    return filter.mid(star + 2, end - star - 2);
}

QString FileDialog::getExistingDirectory(QWidget *parent, const QString &caption,
                                         const QString &folder)
{
    return runDialog(parent, {Kind::Folder, caption, folder, {}, {}, {}});
}

QString FileDialog::withDefaultSuffix(const QString &name, const QString &defaultSuffix)
{
    if (name.isEmpty() || defaultSuffix.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    QString suffix = defaultSuffix;
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    return name + QLatin1Char('.') + suffix;
}

void FileDialog::setNextFileName(const QString &name, const QString &filter)
{
    script().answers.append({name, filter});
}
QList<FileDialog::Call> &FileDialog::calls()
{
    return script().calls;
}
FileDialog::Call FileDialog::last()
{
    return script().calls.isEmpty() ? Call{} : script().calls.constLast();
}
void FileDialog::clearHistory()
{
    script().clear();
}
