#include "dbnumberedit.h"

#include "calculatordialog.h"
#include "datasetmodel.h"
#include "fieldlink.h"

#include <QAction>
#include <QDoubleValidator>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace
{
// A small calculator face for the drop-down button.
QIcon calculatorIcon(const QPalette &palette)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor ink = palette.color(QPalette::Text);
    p.setPen(ink);
    p.drawRect(2, 0, 11, 15);
    p.drawRect(4, 2, 7, 3);
    for (int y = 7; y <= 12; y += 3)
        for (int x = 4; x <= 10; x += 3)
            p.fillRect(x, y, 2, 2, ink);
    return QIcon(pm);
}
} // namespace

DbNumberEdit::DbNumberEdit(QWidget *parent)
    : DbFormattedEdit(parent), m_validator(new QDoubleValidator(this))
{
    m_validator->setLocale(QLocale::c());
    m_validator->setNotation(QDoubleValidator::StandardNotation);
    setValidator(m_validator);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_calculator = addAction(calculatorIcon(palette()), QLineEdit::TrailingPosition);
    m_calculator->setObjectName(QStringLiteral("actCalculator"));
    m_calculator->setToolTip(QStringLiteral("计算器"));
    connect(m_calculator, &QAction::triggered, this, &DbNumberEdit::openCalculator);
}

bool DbNumberEdit::isWhole() const
{
    const store::ColumnType t = link()->type();
    return t == store::ColumnType::Integer || t == store::ColumnType::AutoNumber;
}

void DbNumberEdit::prepare()
{
    m_validator->setDecimals(isWhole()                                       ? 0
                             : link()->type() == store::ColumnType::Currency ? 4
                                                                             : 15);
}

void DbNumberEdit::openCalculator()
{
    if (!link()->canWrite())
        return;
    const std::optional<QVariant> typed = typedValue();
    const double initial = typed ? typed->toDouble() : link()->value().toDouble();
    if (const std::optional<double> v = CalculatorDialog::getValue(this, initial))
        setChosenValue(isWhole() ? QVariant(qlonglong(std::llround(*v))) : QVariant(*v));
}

std::optional<QVariant> DbNumberEdit::parse(const QString &text) const
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    if (isWhole())
        return QVariant(qlonglong(std::llround(v)));
    return QVariant(v);
}

QString DbNumberEdit::format(const QVariant &value) const
{
    return DatasetModel::displayText(value, link()->type());
}

QString DbNumberEdit::invalidMessage(const QString &subject) const
{
    return QStringLiteral("对不起，%1不是有效的数字！").arg(subject);
}
