#pragma once

#include "dataset.h"

#include <QPointer>
#include <QWidget>

class QToolButton;

// First, previous, next and last buttons over a dataset, each enabled only where it can move.
class DbNavigator : public QWidget
{
    Q_OBJECT
  public:
    enum class Button { First, Prior, Next, Last };

    explicit DbNavigator(QWidget *parent = nullptr);

    void setDataset(store::Dataset *dataset);
    store::Dataset *dataset() const { return m_dataset; }
    QToolButton *button(Button b) const;

  public Q_SLOTS:
    void updateButtons();

  private:
    void move(Button b);

    QPointer<store::Dataset> m_dataset;
    QToolButton *m_buttons[4];
};
