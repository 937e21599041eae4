#pragma once

#include "calculator.h"

#include <QDialog>
#include <QList>
#include <optional>

class QLineEdit;

// "计算器": a four-function calculator, the program's own since Linux has no calc.exe. It is
// the main window's tool and the drop-down of number fields, which take its result on OK.
class CalculatorDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit CalculatorDialog(QWidget *parent = nullptr);

    void setValue(double v);
    // The number shown; an unfinished calculation is finished first.
    double value();
    QString displayText() const;

    // Presses one calculator key: a digit, ".", "+", "-", "*", "/", "=", "C", "CE", "±", "←".
    void press(const QString &key);

    // Asks for a number starting at `initial`; nothing when cancelled.
    static std::optional<double> getValue(QWidget *parent, double initial);

    // Test hooks for getValue: answers are taken in order; none queued is a cancel.
    static void setNextResult(double v);
    static void setNextCancel();
    static QList<double> &calls(); // the initial value of each request
    static void clearHistory();

  protected:
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void updateDisplay();

    Calculator m_calc;
    QLineEdit *m_display;
};
