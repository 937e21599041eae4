#pragma once

#include <QWidget>

class DataGrid;
class DbDateEdit;
class DbLineEdit;
class DbMemo;
class DbPickList;
class EnterChain;
class QTabWidget;
class QToolButton;

namespace store
{
class DataModule;
class Dataset;
} // namespace store

// The fields of one referrer, bound to the current row of tblOperaters, in data-entry order,
// with 发送邮件 and 打开...; below them the two sub-tabs: the referrer's contact records (a
// read-only grid over the shared record set tblOperates2) and the status section with its own
// 修改 and 保存 buttons, whose work the window gives them. Typing into a field of a row that
// is only shown starts editing it.
class ReferrerForm : public QWidget
{
    Q_OBJECT
  public:
    ReferrerForm(store::DataModule &dm, QWidget *parent = nullptr);

    store::Dataset &referrers() const { return m_referrers; }

    DbLineEdit *code() const { return m_code; }
    DbLineEdit *name() const { return m_name; }
    DbPickList *sex() const { return m_sex; }
    DbPickList *education() const { return m_education; }
    DbLineEdit *email() const { return m_email; }
    DbLineEdit *homePage() const { return m_homePage; }
    DbMemo *memo() const { return m_memo; }
    EnterChain *enterChain() const { return m_chain; }

    QTabWidget *subTabs() const { return m_subTabs; }
    QWidget *recordsPage() const { return m_recordsPage; }
    QWidget *statusPage() const { return m_statusPage; }
    DataGrid *recordGrid() const { return m_recordGrid; }
    DbDateEdit *inTime() const { return m_inTime; }
    DbDateEdit *outTime() const { return m_outTime; }
    DbMemo *outReason() const { return m_outReason; }
    DbPickList *state() const { return m_state; }
    QToolButton *stateEditButton() const { return m_stateEdit; }
    QToolButton *stateSaveButton() const { return m_stateSave; }

    // A caption with its full-width colon, padded with blanks so the colons line up.
    static QString paddedLabel(const QString &caption);

  private:
    QWidget *buildFields();
    QWidget *buildRecordsPage(store::Dataset &records);
    QWidget *buildStatusPage();
    DbLineEdit *lineEdit(const char *objectName, const QString &field);
    DbPickList *pickList(const char *objectName, const QString &field, const QStringList &items);
    DbDateEdit *dateEdit(const char *objectName, const QString &field);

    store::Dataset &m_referrers;
    DbLineEdit *m_code = nullptr, *m_name = nullptr, *m_email = nullptr, *m_homePage = nullptr;
    DbPickList *m_sex = nullptr, *m_education = nullptr, *m_state = nullptr;
    DbDateEdit *m_inTime = nullptr, *m_outTime = nullptr;
    DbMemo *m_memo = nullptr, *m_outReason = nullptr;
    EnterChain *m_chain;
    EnterChain *m_statusChain;
    QTabWidget *m_subTabs = nullptr;
    QWidget *m_recordsPage = nullptr, *m_statusPage = nullptr;
    DataGrid *m_recordGrid = nullptr;
    QToolButton *m_stateEdit = nullptr, *m_stateSave = nullptr;
};
