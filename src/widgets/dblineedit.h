#pragma once

#include <QLineEdit>

class FieldLink;

namespace store
{
class Dataset;
}

// A one-line text input bound to a field; typing writes into the current row at once.
class DbLineEdit : public QLineEdit
{
    Q_OBJECT
  public:
    explicit DbLineEdit(QWidget *parent = nullptr);

    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }

    // Wide enough to show what the field's column holds, up to thirty characters.
    QSize minimumSizeHint() const override;

  private:
    void refresh();

    FieldLink *m_link;
};
