#pragma once

#include "dataset.h"
#include "listsource.h"

#include <QComboBox>

class FieldLink;

// A code field chosen by name: the list shows one field (the name) of a source dataset, as it
// is filtered now, and the choice stores another (the code). The list follows the source's
// rows; Delete empties the field.
class DbLookupCombo : public QComboBox
{
    Q_OBJECT
  public:
    explicit DbLookupCombo(QWidget *parent = nullptr);

    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }

    void setSource(store::Dataset *source, const QString &listField, const QString &keyField);
    store::Dataset *source() const { return m_rows.source(); }

    // The code of the item shown; invalid when none.
    QVariant currentKey() const;
    // Reads the source's rows into the list now (otherwise done soon after they change).
    void reloadItems();

    void showPopup() override;

  protected:
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void refresh();
    int indexOfKey(const QVariant &key) const;

    FieldLink *m_link;
    QString m_listField, m_keyField;
    ListSource m_rows;
};
