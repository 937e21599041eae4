#pragma once

#include <QString>

// The arithmetic of the built-in four-function calculator, kept apart from its dialog: digits
// build the entry, an operator applies the pending one (left to right, as a pocket
// calculator does), "=" finishes.
class Calculator
{
  public:
    enum class Op { None, Add, Subtract, Multiply, Divide };

    void digit(int d);
    void point();
    void operation(Op op);
    void equals();
    void clear();      // everything
    void clearEntry(); // the number being typed
    void backspace();
    void negate();

    // Starts over showing this number, as when the dialog opens on a field's value.
    void setValue(double v);
    double value() const;
    QString display() const;
    bool hasError() const { return m_error; }

    static QString format(double v);

  private:
    void apply();

    QString m_entry = QStringLiteral("0");
    double m_accumulator = 0;
    Op m_pending = Op::None;
    bool m_newEntry = true;
    bool m_error = false;
    QString m_errorText;
};
