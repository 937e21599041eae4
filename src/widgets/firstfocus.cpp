#include "firstfocus.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace
{
constexpr const char *Property = "tessalyFirstFocus";
}

void FirstFocus::set(QWidget *panel, QWidget *target)
{
    panel->setProperty(Property, QVariant::fromValue(QPointer<QWidget>(target)));
}

QWidget *FirstFocus::of(const QWidget *panel)
{
    return panel->property(Property).value<QPointer<QWidget>>();
}
