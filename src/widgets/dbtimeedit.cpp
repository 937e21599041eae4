#include "dbtimeedit.h"

#include "dataset.h"

#include <QTime>

DbTimeEdit::DbTimeEdit(QWidget *parent) : DbFormattedEdit(parent)
{
    setInputMask(QStringLiteral("99:99:99;_"));
}

std::optional<QVariant> DbTimeEdit::parse(const QString &text) const
{
    if (!QTime::fromString(text, QStringLiteral("hh:mm:ss")).isValid())
        return std::nullopt;
    return QVariant(text);
}

QString DbTimeEdit::format(const QVariant &value) const
{
    return store::Dataset::displayText(value);
}

QString DbTimeEdit::invalidMessage(const QString &subject) const
{
    return QStringLiteral("对不起，%1不是有效的时间！").arg(subject);
}
