#pragma once

#include <QPlainTextEdit>

class FieldLink;

namespace store
{
class Dataset;
}

// A multi-line text input bound to a field; typing writes into the current row at once.
class DbMemo : public QPlainTextEdit
{
    Q_OBJECT
  public:
    explicit DbMemo(QWidget *parent = nullptr);

    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }

  private:
    void refresh();

    FieldLink *m_link;
};
