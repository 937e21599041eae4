#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace store
{
class DataModule;
}

// TfrmOperaterQuery: the search of the referrer list. One of five choices (all referrers, or a
// column to look in) and a text; 确定 narrows tblOperaters to the rows whose column contains
// the trimmed text, matched literally (the text is bound, never part of the statement), or
// lifts the search. The filter stays until the next search or until the module opens again.
class ReferrerQueryDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit ReferrerQueryDialog(store::DataModule &dm, QWidget *parent = nullptr);

    QComboBox *choice() const { return m_choice; }
    QLineEdit *text() const { return m_text; }

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void choiceChanged(const QString &choice);
    void apply();

    store::DataModule &m_dm;
    QComboBox *m_choice;
    QLineEdit *m_text;
};
