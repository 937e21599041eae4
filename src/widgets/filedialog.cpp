#include "filedialog.h"

#include "messagebox.h"
#include "scriptqueue.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace
{
ScriptQueue<QString, FileDialog::Call> &script()
{
    static ScriptQueue<QString, FileDialog::Call> s;
    return s;
}

QString runDialog(QWidget *parent, const FileDialog::Call &call)
{
    script().calls.append(call);
    if (MessageBox::isScripted()) {
        const QString name = script().take(QString());
        return call.kind == FileDialog::Kind::Save
                   ? FileDialog::withDefaultSuffix(name, call.defaultSuffix)
                   : name;
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

void FileDialog::setNextFileName(const QString &name)
{
    script().answers.append(name);
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
