#pragma once

#include "choicequerydialog.h"

namespace store
{
class DataModule;
class Dataset;
} // namespace store

// The contact queries: one condition chosen from a list, one value typed, and the statement of
// a contact set rebuilt from them and read again. The value is bound exactly as typed (not
// trimmed): quotes, "%" and "_" in it match themselves. One class for both members:
//   List — TfrmLinkmanQuery1, 查询 of the contact list, rebuilds qryLinkmans1 and keeps the
//          ownership rule (a user who is not an administrator finds only own contacts);
//   Mail — TfrmLinkmanQuery, used by group mail and envelopes, rebuilds qryLinkmans3 over
//          every user's contacts.
// A query that finds nothing keeps the dialog open with the set behind it empty.
class ContactQueryDialog : public ChoiceQueryDialog
{
    Q_OBJECT
  public:
    enum class Member { List, Mail };
    ContactQueryDialog(Member member, store::DataModule &dm, QWidget *parent = nullptr);

    // The contact set this member rebuilds.
    store::Dataset &dataset() const;

  private:
    bool search(const QueryChoice *choice, const QString &value);

    Member m_member;
    store::DataModule &m_dm;
};
