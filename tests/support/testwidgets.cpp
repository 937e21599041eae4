#include "testwidgets.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QTextEdit>
#include <QTest>
#include <QTimer>

namespace testsupport
{

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

void typeIntoFocus(const QString &text)
{
    QWidget *focus = QApplication::focusWidget();
    QVERIFY2(focus, "nothing has the focus");
    typeText(focus, text);
}

void pressOnFocus(QKeyCombination key)
{
    QWidget *focus = QApplication::focusWidget();
    QVERIFY2(focus, "nothing has the focus");
    QTest::keyClick(focus, key.key(), key.keyboardModifiers());
}

void tabToAndPress(QWidget *from, QWidget *button)
{
    QVERIFY(button && (button->focusPolicy() & Qt::TabFocus));
    from->setFocus();
    for (int i = 0; i < 60 && QApplication::focusWidget() != button; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button);
    QTest::keyClick(button, Qt::Key_Space);
}

namespace
{

// Runs `work` on the window `shown` gives once it has this objectName and is visible.
void whenShown(std::function<QWidget *()> shown, const QString &objectName,
               std::function<void(QWidget *)> work)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, shown, objectName, work] {
        QWidget *w = shown();
        if (!w || w->objectName() != objectName || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        work(w);
    });
    timer->start();
}

} // namespace

void whenModal(const QString &objectName, std::function<void(QWidget *)> work)
{
    whenShown(&QApplication::activeModalWidget, objectName, std::move(work));
}

void whenPopup(const QString &objectName, std::function<void(QWidget *)> work)
{
    whenShown(&QApplication::activePopupWidget, objectName, std::move(work));
}

namespace
{

// Whether a shortcut of `owner` in `context` is live while `focus` has the keyboard, by the
// rules Qt's shortcut map applies.
bool ownerAnswers(Qt::ShortcutContext context, const QWidget *owner, const QWidget *focus)
{
    if (!owner->isVisible() || !owner->isEnabled())
        return false;
    switch (context) {
    case Qt::ApplicationShortcut:
        return true;
    case Qt::WindowShortcut:
        return owner->window() == focus->window();
    case Qt::WidgetWithChildrenShortcut:
        return owner == focus || owner->isAncestorOf(focus);
    case Qt::WidgetShortcut:
        return owner == focus;
    }
    return false;
}

bool actionAnswers(const QAction *action, Qt::ShortcutContext context, const QWidget *focus)
{
    for (QObject *o : action->associatedObjects()) {
        if (auto *menu = qobject_cast<QMenu *>(o)) {
            // An entry of a menu is live where the menu's own entry is.
            if (menu->menuAction() && menu->menuAction() != action &&
                actionAnswers(menu->menuAction(), context, focus))
                return true;
        } else if (auto *owner = qobject_cast<QWidget *>(o);
                   owner && ownerAnswers(context, owner, focus)) {
            return true;
        }
    }
    return false;
}

// The labels, inputs, buttons and lists whose rectangles must stay apart. A widget inside
// another of them (the line edit of a combo box, the buttons of a calendar) is a part of it.
bool isOnScreenThing(const QWidget *w)
{
    if (auto *label = qobject_cast<const QLabel *>(w))
        return !label->text().isEmpty() || !label->pixmap().isNull();
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
           qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w) ||
           qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w) ||
           qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QCalendarWidget *>(w);
}

// The part of `w` that its parents leave in sight, in `window`'s coordinates.
QRect shownRect(const QWidget *w, const QWidget *window)
{
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
        r &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    return r;
}

} // namespace

QString describe(const QWidget *w)
{
    if (!w)
        return QStringLiteral("(none)");
    if (!w->objectName().isEmpty())
        return w->objectName();
    QString text;
    if (auto *label = qobject_cast<const QLabel *>(w))
        text = label->text();
    else if (auto *button = qobject_cast<const QAbstractButton *>(w))
        text = button->text();
    return QString::fromLatin1(w->metaObject()->className()) +
           (text.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(text));
}

QStringList shortcutClashes(QWidget *focus)
{
    QWidget *window = focus->window();
    QMap<QString, QStringList> holders;
    QList<QAction *> actions = window->findChildren<QAction *>();
    for (QAction *a : window->actions())
        if (!actions.contains(a))
            actions << a;
    for (const QAction *a : std::as_const(actions)) {
        if (!a->isEnabled() || !actionAnswers(a, a->shortcutContext(), focus))
            continue;
        for (const QKeySequence &keys : a->shortcuts())
            holders[keys.toString()] << a->objectName() + QLatin1Char('/') + a->text();
    }
    for (const QShortcut *s : window->findChildren<QShortcut *>()) {
        auto *owner = qobject_cast<QWidget *>(s->parent());
        if (s->isEnabled() && owner && ownerAnswers(s->context(), owner, focus))
            for (const QKeySequence &keys : s->keys())
                holders[keys.toString()] << QStringLiteral("QShortcut of ") + describe(owner);
    }
    for (const QAbstractButton *b : window->findChildren<QAbstractButton *>())
        if (!b->shortcut().isEmpty() && ownerAnswers(Qt::WindowShortcut, b, focus))
            holders[b->shortcut().toString()] << describe(b);
    QStringList clashes;
    for (auto it = holders.cbegin(); it != holders.cend(); ++it)
        if (it.value().size() > 1)
            clashes << QStringLiteral("%1 at %2: %3")
                           .arg(it.key(), describe(focus), it.value().join(QStringLiteral(", ")));
    return clashes;
}

QList<const QWidget *> onScreenThings(QWidget *root)
{
    QList<const QWidget *> things;
    for (const QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisible() || !isOnScreenThing(w))
            continue;
        bool part = false;
        for (const QWidget *p = w->parentWidget(); p && p != root && !part; p = p->parentWidget())
            part = isOnScreenThing(p);
        if (!part)
            things << w;
    }
    return things;
}

QStringList overlappingWidgets(QWidget *root)
{
    QList<const QWidget *> things = onScreenThings(root);
    things.removeIf([root](const QWidget *w) { return shownRect(w, root).isEmpty(); });
    QStringList overlaps;
    for (int i = 0; i < things.size(); ++i)
        for (int j = i + 1; j < things.size(); ++j)
            if (shownRect(things[i], root).intersects(shownRect(things[j], root)))
                overlaps << describe(things[i]) + QStringLiteral(" / ") + describe(things[j]);
    return overlaps;
}

QStringList cutOffWidgets(QWidget *root, bool scrollingCounts)
{
    QStringList cut;
    for (const QWidget *w : onScreenThings(root)) {
        const QRect whole(w->mapTo(root, QPoint(0, 0)), w->size());
        if (shownRect(w, root) == whole)
            continue;
        // Inside a scroll area that can scroll, the rest is a turn of the wheel away.
        bool scrolls = false;
        for (const QWidget *p = w->parentWidget(); p && p != root && !scrolls && scrollingCounts;
             p = p->parentWidget())
            if (auto *area = qobject_cast<const QAbstractScrollArea *>(p))
                scrolls = area->verticalScrollBar()->maximum() > 0 ||
                          area->horizontalScrollBar()->maximum() > 0;
        if (!scrolls)
            cut << describe(w);
    }
    return cut;
}

} // namespace testsupport
