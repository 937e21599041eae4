#include "dbdateedit.h"

#include "calendardialog.h"
#include "fieldlink.h"

#include <QAction>
#include <QDateTime>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace
{
const QString DateFormat = QStringLiteral("yyyy-MM-dd");

// A small calendar sheet for the drop-down button.
QIcon calendarIcon(const QPalette &palette)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor ink = palette.color(QPalette::Text);
    p.setPen(ink);
    p.drawRect(1, 2, 13, 12);
    p.fillRect(1, 2, 14, 3, ink);
    for (int y = 7; y <= 12; y += 3)
        for (int x = 3; x <= 12; x += 3)
            p.fillRect(x, y, 2, 2, ink);
    return QIcon(pm);
}
} // namespace

DbDateEdit::DbDateEdit(QWidget *parent) : DbFormattedEdit(parent)
{
    setInputMask(QStringLiteral("9999-99-99;_"));
    m_calendar = addAction(calendarIcon(palette()), QLineEdit::TrailingPosition);
    m_calendar->setObjectName(QStringLiteral("actCalendar"));
    m_calendar->setToolTip(QStringLiteral("日历"));
    m_clear = addAction(style()->standardIcon(QStyle::SP_LineEditClearButton),
                        QLineEdit::TrailingPosition);
    m_clear->setObjectName(QStringLiteral("actClearDate"));
    m_clear->setToolTip(QStringLiteral("清除日期"));
    connect(m_calendar, &QAction::triggered, this, &DbDateEdit::chooseDate);
    connect(m_clear, &QAction::triggered, this, &DbDateEdit::clearDate);
}

QDate DbDateEdit::date() const
{
    const std::optional<QVariant> v = typedValue();
    return v ? v->toDate() : QDate();
}

QDate DbDateEdit::toDate(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date();
    return QDate::fromString(value.toString().left(10), Qt::ISODate);
}

void DbDateEdit::chooseDate()
{
    if (!link()->canWrite())
        return;
    QDate initial = date();
    if (!initial.isValid())
        initial = toDate(link()->value());
    if (const std::optional<QDate> d = CalendarDialog::getDate(this, initial))
        setChosenValue(*d);
}

void DbDateEdit::clearDate()
{
    if (!link()->canWrite())
        return;
    setChosenValue(QVariant());
}

std::optional<QVariant> DbDateEdit::parse(const QString &text) const
{
    const QDate d = QDate::fromString(text, DateFormat);
    if (!d.isValid())
        return std::nullopt;
    return QVariant(d);
}

QString DbDateEdit::format(const QVariant &value) const
{
    const QDate d = toDate(value);
    return d.isValid() ? d.toString(DateFormat) : QString();
}

QString DbDateEdit::invalidMessage(const QString &subject) const
{
    return QStringLiteral("对不起，%1不是有效的日期！").arg(subject);
}
