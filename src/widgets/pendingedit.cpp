#include "pendingedit.h"

#include "commandenabler.h"
#include "dataset.h"
#include "messagebox.h"
#include "workspace.h"

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace
{

struct Owner {
    CommandEnabler *enabler = nullptr;
    const QObject *window = nullptr; // the key to forget it by once it is gone
    QPointer<QWidget> view;
    QString question;
    QPointer<QAction> save;
    std::function<void()> reveal;
};

QHash<const store::Dataset *, Owner> &owners()
{
    static QHash<const store::Dataset *, Owner> all;
    return all;
}

} // namespace

void PendingEdit::setOwner(store::Dataset &set, Workspace &ws, QWidget *window,
                           const QString &question, QAction *save, std::function<void()> reveal)
{
    owners().insert(&set, Owner{&ws.enabler, window, window, question, save, std::move(reveal)});
    const store::Dataset *key = &set;
    QObject::connect(window, &QObject::destroyed, [key, window] {
        const auto it = owners().constFind(key);
        if (it != owners().constEnd() && it->window == window)
            owners().erase(it);
    });
    QObject::connect(&set, &QObject::destroyed, [key] { owners().remove(key); });
}

bool PendingEdit::settle(store::Dataset &set)
{
    if (!set.isOpen() || !set.isEditing())
        return true;
    const auto it = owners().constFind(&set);
    if (it == owners().constEnd() || !it->view)
        return true;
    const Owner owner = *it;
    if (!set.isModified()) {
        set.cancel(); // nothing typed: nothing to lose
        return true;
    }
    owner.enabler->update();
    const bool canSave = owner.save && owner.save->isEnabled();
    QWidget *parent = owner.view->isVisible() ? owner.view.data() : QApplication::activeWindow();
    MessageBox::Buttons buttons = QMessageBox::No | QMessageBox::Cancel;
    if (canSave)
        buttons |= QMessageBox::Yes;
    const auto answer = MessageBox::show(parent, QMessageBox::Question, MessageBox::defaultTitle(),
                                         owner.question, buttons, QMessageBox::Cancel);
    if (answer == QMessageBox::No) {
        set.cancel();
        return true;
    }
    if (answer == QMessageBox::Yes) {
        owner.save->trigger(); // logs, checks and stores; shows what stopped it
        if (!set.isEditing())
            return true;
    }
    if (owner.reveal)
        owner.reveal();
    return false;
}
