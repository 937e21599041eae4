#include "calculatordialog.h"

#include "messagebox.h"
#include "scriptqueue.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
ScriptQueue<std::optional<double>, double> &script()
{
    static ScriptQueue<std::optional<double>, double> s;
    return s;
}

struct Key {
    const char *name; // objectName of the button
    const char16_t *key;
    int row, column;
};

// Laid out as a desk calculator: clear keys on top, digits in a block, operators on the right.
const Key keys[] = {
    {"btnClear", u"C", 0, 0},  {"btnClearEntry", u"CE", 0, 1}, {"btnBack", u"←", 0, 2},
    {"btnDivide", u"/", 0, 3}, {"btn7", u"7", 1, 0},           {"btn8", u"8", 1, 1},
    {"btn9", u"9", 1, 2},      {"btnMultiply", u"*", 1, 3},    {"btn4", u"4", 2, 0},
    {"btn5", u"5", 2, 1},      {"btn6", u"6", 2, 2},           {"btnSubtract", u"-", 2, 3},
    {"btn1", u"1", 3, 0},      {"btn2", u"2", 3, 1},           {"btn3", u"3", 3, 2},
    {"btnAdd", u"+", 3, 3},    {"btnSign", u"±", 4, 0},        {"btn0", u"0", 4, 1},
    {"btnPoint", u".", 4, 2},  {"btnEquals", u"=", 4, 3},
};
} // namespace

CalculatorDialog::CalculatorDialog(QWidget *parent) : QDialog(parent), m_display(new QLineEdit)
{
    setObjectName(QStringLiteral("CalculatorDialog"));
    setWindowTitle(QStringLiteral("计算器"));

    m_display->setObjectName(QStringLiteral("display"));
    m_display->setReadOnly(true);
    m_display->setAlignment(Qt::AlignRight);
    m_display->setFocusPolicy(Qt::NoFocus);
    QFont f = m_display->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    m_display->setFont(f);

    auto *grid = new QGridLayout;
    for (const Key &k : keys) {
        const QString key = QString::fromUtf16(k.key);
        auto *b = new QPushButton(key == QLatin1String("*")   ? QStringLiteral("×")
                                  : key == QLatin1String("/") ? QStringLiteral("÷")
                                                              : key);
        b->setObjectName(QLatin1String(k.name));
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, key] { press(key); });
        grid->addWidget(b, k.row, k.column);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    for (QAbstractButton *b : buttons->buttons())
        static_cast<QPushButton *>(b)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        m_calc.equals();
        updateDisplay();
        if (!m_calc.hasError()) // an error is no number to hand back
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_display);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    updateDisplay();
}

void CalculatorDialog::setValue(double v)
{
    m_calc.setValue(v);
    updateDisplay();
}

double CalculatorDialog::value()
{
    m_calc.equals();
    updateDisplay();
    return m_calc.value();
}

QString CalculatorDialog::displayText() const
{
    return m_display->text();
}

void CalculatorDialog::press(const QString &key)
{
    using Op = Calculator::Op;
    if (key.size() == 1 && key[0].isDigit())
        m_calc.digit(key[0].digitValue());
    else if (key == QLatin1String("."))
        m_calc.point();
    else if (key == QLatin1String("+"))
        m_calc.operation(Op::Add);
    else if (key == QLatin1String("-"))
        m_calc.operation(Op::Subtract);
    else if (key == QLatin1String("*"))
        m_calc.operation(Op::Multiply);
    else if (key == QLatin1String("/"))
        m_calc.operation(Op::Divide);
    else if (key == QLatin1String("="))
        m_calc.equals();
    else if (key == QLatin1String("C"))
        m_calc.clear();
    else if (key == QLatin1String("CE"))
        m_calc.clearEntry();
    else if (key == QStringLiteral("←"))
        m_calc.backspace();
    else if (key == QStringLiteral("±"))
        m_calc.negate();
    updateDisplay();
}

void CalculatorDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter finishes the sum rather than closing the dialog, as on a calculator.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        press(QStringLiteral("="));
        return;
    case Qt::Key_Backspace:
        press(QStringLiteral("←"));
        return;
    case Qt::Key_Delete:
        press(QStringLiteral("CE"));
        return;
    default:
        break;
    }
    const QString t = event->text();
    if (t.size() == 1 && QStringLiteral("0123456789.+-*/=").contains(t)) {
        press(t);
        return;
    }
    if (t == QLatin1String(",")) {
        press(QStringLiteral("."));
        return;
    }
    QDialog::keyPressEvent(event);
}

void CalculatorDialog::updateDisplay()
{
    m_display->setText(m_calc.display());
}

std::optional<double> CalculatorDialog::getValue(QWidget *parent, double initial)
{
    script().calls.append(initial);
    if (MessageBox::isScripted())
        return script().take(std::nullopt);
    CalculatorDialog dialog(parent);
    dialog.setValue(initial);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.value();
}

void CalculatorDialog::setNextResult(double v)
{
    script().answers.append(v);
}
void CalculatorDialog::setNextCancel()
{
    script().answers.append(std::nullopt);
}
QList<double> &CalculatorDialog::calls()
{
    return script().calls;
}
void CalculatorDialog::clearHistory()
{
    script().clear();
}
