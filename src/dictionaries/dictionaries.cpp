#include "dictionaries.h"

#include "dictionaryeditor.h"
#include "dictionarymember.h"
#include "errordisplay.h"
#include "modulehost.h"
#include "workspace.h"

void installDictionaries(Workspace &ws)
{
    for (const DictionaryMember &m : DictionaryMember::all()) {
        const QString command = m.command;
        ws.host.setCommandWindow(
            command, [&ws, command] { openDictionaryEditor(ws, command, ws.host.frame()); });
    }
}

bool openDictionaryEditor(Workspace &ws, const QString &command, QWidget *parent)
{
    const DictionaryMember *member = DictionaryMember::forCommand(command);
    if (!member)
        return false;
    return ErrorDisplay::run(parent, [&] {
        DictionaryEditor editor(ws, *member, parent);
        editor.exec();
    });
}
