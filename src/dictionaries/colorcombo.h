#pragma once

#include "dataset.h"
#include "listsource.h"

#include <QComboBox>
#include <QIcon>

class FieldLink;

// The colour field of a dictionary row: a drop-down of the ColorID numbers of tblColor, each
// shown with a swatch of its colour. The list follows the colour table's rows, so a colour
// added in the colour window is offered at once. A stored number that is no longer in the
// table (its colour was removed) is still shown, since the row keeps it.
class ColorCombo : public QComboBox
{
    Q_OBJECT
  public:
    explicit ColorCombo(QWidget *parent = nullptr);

    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }

    // The colour table whose ColorID values are offered.
    void setSource(store::Dataset *colours);
    store::Dataset *source() const { return m_rows.source(); }
    // Reads the colour rows into the list now (otherwise done soon after they change).
    void reloadItems();
    // The numbers offered, in the colour table's order.
    QList<int> colours() const;

    // A small square of the colour 0x00BBGGRR.
    static QIcon swatch(int colorRef);

    void showPopup() override;

  private:
    void refresh();
    int indexOfColour(qint64 colour) const;

    FieldLink *m_link;
    ListSource m_rows;
    bool m_hasStrayItem = false; // the last item shows a stored number missing from the table
};
