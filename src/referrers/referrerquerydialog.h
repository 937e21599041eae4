#pragma once

#include "choicequerydialog.h"

namespace store
{
class DataModule;
}

// TfrmOperaterQuery: the search of the referrer list. One of five choices (all referrers, or a
// column to look in) and a text; 确定 narrows tblOperaters to the rows whose column contains
// the trimmed text, matched literally (the text is bound, never part of the statement), or
// lifts the search. The filter stays until the next search or until the module opens again.
class ReferrerQueryDialog : public ChoiceQueryDialog
{
    Q_OBJECT
  public:
    explicit ReferrerQueryDialog(store::DataModule &dm, QWidget *parent = nullptr);

    QLineEdit *text() const { return value(); }

  private:
    bool search(const QueryChoice *choice, const QString &value);

    store::DataModule &m_dm;
};
