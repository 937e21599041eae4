#pragma once

#include "dataset.h"
#include "listsource.h"

#include <QComboBox>

class DatasetModel;
class FieldLink;
class FindPopup;

// A code field chosen by name from a large source (every agent of the store): like
// DbLookupCombo, but the list is a view of the source read in pages as it scrolls, never a
// copy of all its rows, and the item shown is found by one keyed look-up in the source. A
// hundred thousand agents cost no more than the lines on screen. Delete empties the field;
// typing finds rows by code or name in the store (FindPopup), never by reading every line.
class DbPagedLookupCombo : public QComboBox
{
    Q_OBJECT
  public:
    explicit DbPagedLookupCombo(QWidget *parent = nullptr);

    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }

    void setSource(store::Dataset *source, const QString &listField, const QString &keyField);
    store::Dataset *source() const { return m_rows.source(); }

    // The code of the item shown; invalid when none.
    QVariant currentKey() const;
    // Takes the source row as the choice, as a click on its line does: its code is written.
    bool choose(int sourceRow);

    void showPopup() override;
    // Typing into the closed list finds rows by code or name (nullptr until then).
    FindPopup *finder() const { return m_find; }

  Q_SIGNALS:
    // The list is about to open: a window may widen the source first.
    void aboutToShowList();

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

  private:
    void refresh();
    void sourceChanged();
    int rowOfKey(const QVariant &key);
    void find(const QString &typed);

    FieldLink *m_link;
    DatasetModel *m_model;
    QString m_listField, m_keyField;
    ListSource m_rows;
    // The last key found and its row, until the source's rows change.
    QString m_foundKey;
    int m_foundRow = -1;
    FindPopup *m_find = nullptr;
};
