#pragma once

#include <QComboBox>

class FieldLink;

namespace store
{
class Dataset;
}

// A text field chosen from a fixed list ("男", "女"). With free text allowed the user may also
// type a text that is not in the list.
class DbPickList : public QComboBox
{
    Q_OBJECT
  public:
    explicit DbPickList(QWidget *parent = nullptr);

    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }

    void setItems(const QStringList &items);
    QStringList items() const;
    void setFreeText(bool allowed);
    bool freeText() const { return isEditable(); }
    // The text shown, typed or chosen.
    QString shownText() const;

  private:
    void refresh();

    FieldLink *m_link;
};
