#include "colordialog.h"

#include "messagebox.h"
#include "scriptqueue.h"

#include <QColorDialog>

namespace
{
ScriptQueue<std::optional<int>, ColorDialog::Call> &script()
{
    static ScriptQueue<std::optional<int>, ColorDialog::Call> s;
    return s;
}
} // namespace

std::optional<int> ColorDialog::getColor(QWidget *parent, int initial, const QString &title)
{
    script().calls.append({title, initial});
    if (MessageBox::isScripted())
        return script().take(std::nullopt);
    const QColor c = QColorDialog::getColor(fromColorRef(initial), parent, title);
    if (!c.isValid())
        return std::nullopt;
    return toColorRef(c);
}

int ColorDialog::toColorRef(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QColor ColorDialog::fromColorRef(int colorRef)
{
    return QColor(colorRef & 0xff, (colorRef >> 8) & 0xff, (colorRef >> 16) & 0xff);
}

void ColorDialog::setNextColor(int colorRef)
{
    script().answers.append(colorRef);
}
void ColorDialog::setNextCancel()
{
    script().answers.append(std::nullopt);
}
QList<ColorDialog::Call> &ColorDialog::calls()
{
    return script().calls;
}
void ColorDialog::clearHistory()
{
    script().clear();
}
