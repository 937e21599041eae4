#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

class QAbstractButton;
class QWidget;

// Enter moves the focus along a fixed chain of inputs, as a window's data-entry order says:
// to the next input that is enabled and shown. Enter in the last one can press a button
// (the window's 确定 or 保存). A multi-line input marked to keep Enter takes it as a new line.
class EnterChain : public QObject
{
    Q_OBJECT
  public:
    explicit EnterChain(QObject *parent = nullptr);
    explicit EnterChain(const QList<QWidget *> &widgets, QObject *parent = nullptr);

    void setWidgets(const QList<QWidget *> &widgets);
    void append(QWidget *widget);
    QList<QWidget *> widgets() const;

    void setKeepsEnter(QWidget *widget, bool keeps = true);
    bool keepsEnter(QWidget *widget) const;

    // The button Enter presses in the last input (or when no later input can take the focus).
    void setFinalButton(QAbstractButton *button) { m_finalButton = button; }

    // Does what Enter in `from` does; false when it did nothing.
    bool advance(QWidget *from);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    int positionOf(QObject *o) const;
    static bool canTakeFocus(QWidget *w);

    QList<QPointer<QWidget>> m_widgets;
    QSet<QWidget *> m_keepsEnter;
    QPointer<QAbstractButton> m_finalButton;
};
