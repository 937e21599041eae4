#pragma once

#include <QDialog>

class DbDateEdit;
class DbLineEdit;
class DbMemo;
class DbNavigator;
struct Workspace;

namespace store
{
class DataModule;
}

// TfrmOperateNewChild ("联络事宜"): the modal editor of one detail item of a contact record,
// on the shared item set tblOperateDetail (the items of the record tblOperates2 stands on).
// Its caller appends an item or puts the current one into editing before showing it. Items
// are stored one by one; the amounts are computed on every save.
class RecordItemDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit RecordItemDialog(Workspace &ws, QWidget *parent = nullptr);

    DbLineEdit *number() const { return m_number; }
    DbDateEdit *date() const { return m_date; }
    DbLineEdit *subject() const { return m_subject; }
    DbMemo *description() const { return m_description; }
    DbNavigator *navigator() const { return m_navigator; }

    // DTotal = Price x Amount and RMB = Price x Amount x Rate on the current item, exactly to
    // four decimals, empty values counting as 0; the rate is that of the item's own currency
    // in the shared currency list. Without a known rate a new item gets 0 and a stored one
    // keeps its amount.
    static void computeAmounts(store::DataModule &dm);

    // 关闭, also for Escape and the window's close box: a pending item is stored or dropped as
    // the user answers, never left half-edited.
    void reject() override;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    bool checkRequired();
    void addItem();
    void save();
    void deleteItem();
    void closeAsked();

    Workspace &m_ws;
    DbLineEdit *m_number, *m_subject;
    DbDateEdit *m_date;
    DbMemo *m_description;
    DbNavigator *m_navigator;
};
