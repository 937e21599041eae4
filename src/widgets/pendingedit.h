#pragma once

#include <QString>
#include <functional>

class QAction;
class QWidget;
struct Workspace;

namespace store
{
class Dataset;
}

// A row left in editing in a shared dataset belongs to the window that edits it, and is stored
// only through that window's 保存, with its checks. Whatever else is about to reread, refilter,
// reorder or close such a dataset (a module command, another module's window, a search, a
// header click, a 刷新) first has the row settled here, and the user says what becomes of it.
namespace PendingEdit
{

// `window` edits `set`: `question` asks whether its pending row is to be stored, `save` is the
// window's 保存 command, `reveal` brings the row into view when it stays in editing.
void setOwner(store::Dataset &set, Workspace &ws, QWidget *window, const QString &question,
              QAction *save, std::function<void()> reveal);

// Settles the row pending in `set`. A row nothing was typed into is dropped. For a typed one
// the user is asked: Yes stores it through its window's 保存 (offered only while 保存 is
// enabled), No drops it, Cancel keeps it; a row that stays in editing (Cancel, or 保存 stopped
// by a check or the store) is revealed. True when nothing is pending any more, so the caller
// may go on; false when the caller must leave the dataset as it stands. A dataset no window
// owns is left to the caller.
bool settle(store::Dataset &set);

} // namespace PendingEdit
