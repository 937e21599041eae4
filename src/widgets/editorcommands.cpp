#include "editorcommands.h"

#include "commandaction.h"
#include "dataset.h"
#include "messagebox.h"
#include "modifyright.h"
#include "rights.h"
#include "workspace.h"

#include <QBoxLayout>
#include <QToolButton>

void addEditorCommands(QWidget *editor, Workspace &ws, QBoxLayout *buttons, store::Dataset &set,
                       const QString &right, const QString &logPrefix, const EditorWork &work,
                       int buttonWidth)
{
    Rights &rights = ws.rights;
    ModifyRight::require(set, rights, right);
    const auto command = [&](const char *name, const QString &caption, const QString &shortcut,
                             std::function<bool()> enabled, const std::function<void()> &run) {
        const QString log = logPrefix.isEmpty() ? QString() : logPrefix + caption;
        addEditorButton(
            editor, buttons,
            addCommand(editor, ws, name, caption, shortcut, log, std::move(enabled), run),
            buttonWidth);
    };
    command("Act_Add", QStringLiteral("新增"), QStringLiteral("Ctrl+A"),
            canAddRecord(rights, right, set), work.add);
    command(
        "Act_Save", QStringLiteral("保存"), QStringLiteral("Ctrl+S"),
        [&set] { return set.isEditing(); }, work.save);
    command(
        "Act_Del", QStringLiteral("删除"), {},
        [&rights, right] { return rights.allows(right, QStringLiteral("Delete")); }, work.remove);
}

bool settleOnClose(QWidget *editor, store::Dataset &set, const QString &question,
                   const std::function<bool()> &save)
{
    if (!set.isEditing())
        return true;
    if (!MessageBox::question(editor, question)) {
        set.cancel();
        return true;
    }
    return save();
}

QToolButton *addEditorButton(QWidget *editor, QBoxLayout *buttons, QAction *command, int width)
{
    auto *b = new QToolButton(editor);
    b->setDefaultAction(command);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumWidth(width);
    buttons->addWidget(b);
    return b;
}
