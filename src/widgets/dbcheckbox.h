#pragma once

#include <QCheckBox>

class FieldLink;

namespace store
{
class Dataset;
}

// A yes/no field as a check box; a click writes into the current row.
class DbCheckBox : public QCheckBox
{
    Q_OBJECT
  public:
    explicit DbCheckBox(QWidget *parent = nullptr);
    explicit DbCheckBox(const QString &text, QWidget *parent = nullptr);

    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }

  private:
    void refresh();

    FieldLink *m_link;
};
