#pragma once

#include <QString>
#include <functional>

class QAction;
class QBoxLayout;
class QToolButton;
class QWidget;
struct Workspace;

namespace store
{
class Dataset;
}

// What a modal editor's 新增, 保存 and 删除 do.
struct EditorWork {
    std::function<void()> add, save, remove;
};

// The commands of a modal editor on the current row of `set`, each a text button in `buttons`:
// 新增 (Ctrl+A) with the right's Insert flag while no new row is being entered; 保存 (Ctrl+S)
// while the row is in editing, needing no right of its own (the command that opened the editor
// had it, and a user picking a row may complete the one just typed); 删除 with the Delete flag.
// Names `right` for the set's stored rows as well. Each command writes a log row of its caption
// after `logPrefix`; none without one.
void addEditorCommands(QWidget *editor, Workspace &ws, QBoxLayout *buttons, store::Dataset &set,
                       const QString &right, const QString &logPrefix, const EditorWork &work,
                       int buttonWidth = 72);

// 关闭 of a modal editor: a pending row of `set` is saved or dropped as the user answers
// `question`. False when saving stopped at a check: the editor stays open on the field to
// complete.
bool settleOnClose(QWidget *editor, store::Dataset &set, const QString &question,
                   const std::function<bool()> &save);

// One command shown as a text button in an editor's row of buttons.
QToolButton *addEditorButton(QWidget *editor, QBoxLayout *buttons, QAction *command,
                             int width = 72);
