#pragma once

#include <QDialog>
#include <QString>

class DataGrid;
class DbCheckBox;
class DbLineEdit;
class DbLookupCombo;
class DbPickList;
class QPushButton;

namespace store
{
class DataModule;
}

// TfrmUser: the users of the store with their department, duty, state and administrator flag,
// and the way into each user's rights. Works on the shared tblUser, opened on the row of the
// signed-in user.
class UserWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit UserWindow(store::DataModule &dm, QWidget *parent = nullptr);

    // The user the window works on: the row chosen last, empty while a new user is added.
    QString rememberedUserId() const { return m_remembered; }

    // The built-in user whose row this window never changes.
    static bool isDefaultUser(const QString &userId);
    // Posting rules of tblUser that hold however a row gets stored (保存, 关闭, or a move of
    // the grid while editing): a new user gets the initial password, the built-in user's row
    // is never changed. Registered once per data module.
    static void ensurePostingRules(store::DataModule &dm);

    // Escape and the title bar's close button run 关闭 as well, so a pending row is never
    // left behind in the shared dataset without the question.
    void reject() override;

  private:
    void prepareDatasets();
    void buildLayout();
    void followCurrentRow();

    void addUser();
    void saveUser();
    void deleteUser();
    void closeWindow();
    void assignRights();

    bool checkFields();
    bool refuseDefaultUser();
    void postWithInitialPassword();

    store::DataModule &m_dm;
    QString m_remembered;

    DataGrid *m_grid;
    DbLineEdit *m_userId;
    DbLineEdit *m_userName;
    DbLookupCombo *m_dept;
    DbLineEdit *m_duty;
    DbPickList *m_state;
    DbLineEdit *m_memo;
    DbCheckBox *m_sys;
};
