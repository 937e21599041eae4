#pragma once

class QWidget;

// Where the keyboard goes when a panel or page is shown: its list, or the first field of the
// record being edited. Kept apart from Qt's focus proxy on purpose: a proxy that points further
// down its panel makes Tab jump from the panel straight to it, over the tool bar above it, so
// those commands could only be reached backwards with Shift+Tab.
namespace FirstFocus
{

void set(QWidget *panel, QWidget *target);
// The target named for the panel, or null when it names none (or the target is gone).
QWidget *of(const QWidget *panel);

} // namespace FirstFocus
