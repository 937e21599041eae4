#pragma once

#include "gridcolumn.h"
#include "importlist.h"

#include <QHash>
#include <QList>
#include <QWidget>
#include <functional>
#include <optional>

class DataGrid;
class QAction;
class QTabWidget;
class SearchBar;
class QToolBar;
class QVBoxLayout;
struct Workspace;

namespace store
{
class Dataset;
}

// What a record window is made of: its names, its list and the pages it shows.
struct RecordWindowDescription {
    const char *objectName;
    QString title;     // none for a panel of the main window itself
    QString right;     // the module's right code
    QString logPrefix; // the module's log texts start with it; the command's caption follows
    const char *pageControl;
    const char *listPage;
    const char *detailPage;
    QString listCaption;
    QString detailCaption;
    QList<GridColumn> columns;
    // The table and column that name a row ("tblCustomers", "CustId"): 新增 proposes the code
    // after the highest stored one, and 保存 says which code it stored.
    QString codeTable{};
    QString codeField{};
};

// The commands of a record window's two tool bars, from the module's own actions. An action
// left empty leaves its command out (the detail page's 删除 falls back on the list's).
struct RecordCommands {
    using Action = std::function<void()>;
    // List tool bar: 新增, 修改, 删除, 刷新, 查询, 打印, then 导入... and Email地址导出 where the
    // module has them.
    Action insert, modify, remove, refresh, query;
    // Whether the list's 查询 left a condition in force, and how it is taken away again (the
    // filter box's 清除筛选 does both); empty where the module cannot tell.
    std::function<bool()> queryInForce;
    Action clearQuery;
    QString listReport; // the layout 打印 shows, over the list's dataset
    struct Import {
        importing::ImportList list;
        // The document folder of a new row's code, made after the rows are stored.
        std::function<std::optional<QString>(const QString &code)> folderFor;
    };
    std::optional<Import> import;
    struct Email {
        const char *button;
        QString proposedName;
        QString successText;
    };
    std::optional<Email> email;
    // Details tool bar: 新增, 保存, 删除, 打印, 查询 (where the module has it) and 放弃.
    Action add, save, removeOnDetails, queryOnDetails;
    QString detailReport;
    store::Dataset *detailReportSet = nullptr; // the list's dataset when null
    // How the module's bars have always been keyed and named.
    bool listShortcuts = true;     // Ctrl+N, M, D, Q, P on the list
    bool namedButtons = false;     // spBtnNew ... spBtnPrint1 on the list
    bool detailKeysOfList = false; // the details' 新增, 删除, 打印 with the list's keys
    bool saveNeedsRight = true;    // 保存 of a changed row needs the Modify flag
};

// The 查询 of a list whose own condition is the user's ownership (agents, records): in force
// while the list's filter is another, taken away by putting the ownership back.
void queryOverOwnership(RecordCommands &commands, Workspace &ws, store::Dataset &set);

// A record module's window: a list tab (tool bar and grid) and a details tab (tool bar and the
// module's form), built from the module's description. It makes the commands with their
// rights, logging and enabling, follows the tab in view with the keyboard, opens a row from the
// grid, and owns the module's dataset's pending row. A module adds only its own: the form, its
// checks and what its commands do.
class RecordWindow : public QWidget
{
    Q_OBJECT
  public:
    ~RecordWindow() override;

    QAction *action(const QString &name) const;
    QTabWidget *pages() const { return m_pages; }
    QWidget *listPage() const { return m_listPage; }
    QWidget *detailPage() const { return m_detailPage; }
    DataGrid *grid() const { return m_grid; }
    // The filter box above the list (Ctrl+F from anywhere in the module).
    SearchBar *searchBar() const { return m_search; }

  protected:
    RecordWindow(Workspace &ws, store::Dataset &set, const RecordWindowDescription &description,
                 QWidget *parent);

    // The commands of both tool bars, and the grid; then a row left in editing is stored only
    // through 保存, and anything else that would reread the list asks `pendingQuestion` first.
    void addCommands(const RecordCommands &commands, const QString &pendingQuestion);
    // A command of one tab: its shortcut works while the focus is on that tab.
    QAction *addBarCommand(QWidget *page, const char *name, const QString &caption,
                           const QString &shortcut, const QString &log,
                           std::function<bool()> enabled, std::function<void()> work,
                           const char *buttonName = nullptr);
    void keepAction(QAction *action);
    // The enabling test of a flag of the module's right.
    std::function<bool()> allows(const char *flag) const;

    Workspace &workspace() const { return m_ws; }
    store::Dataset &dataset() const { return m_set; }
    QToolBar *listBar() const { return m_listBar; }
    QToolBar *detailBar() const { return m_detailBar; }
    QVBoxLayout *detailLayout() const { return m_detailLayout; }
    // Where the keyboard goes on the details tab (the first input of the form).
    void setDetailFocus(std::function<QWidget *()> focus) { m_detailFocus = std::move(focus); }
    // What a click on a row of the list does besides making it current.
    void setRowClicked(std::function<void()> work) { m_rowClicked = std::move(work); }

    // Editing takes the whole main window: the navigation panel goes until the user brings it
    // back.
    void useWholeWindow();
    // A command turns to the details tab, the keyboard on its first input.
    void showDetails();
    void showDetailsForEditing();
    // True while a command, not the user's click, turns the tabs.
    bool commandSwitch() const { return m_commandSwitch; }
    void cancelEdit();

    // After the tab in view changed and the keyboard follows it.
    virtual void pageChanged(bool details);
    // Brings the pending row into view when it stays in editing.
    virtual void revealPending();

  private:
    void buildGrid(const RecordCommands &commands);
    void followPage();
    // The new row's code, the next free one, unless the user typed one already.
    void proposeCode(bool replace = false);
    void saveRow(const std::function<void()> &save);

    Workspace &m_ws;
    store::Dataset &m_set;
    QString m_right;
    QString m_logPrefix;
    QTabWidget *m_pages;
    QWidget *m_listPage;
    QWidget *m_detailPage;
    QToolBar *m_listBar;
    QToolBar *m_detailBar;
    QVBoxLayout *m_detailLayout;
    QList<GridColumn> m_columns;
    QString m_codeTable;
    QString m_codeField;
    QString m_proposedCode; // the last code proposed, while the user has not typed another
    DataGrid *m_grid = nullptr;
    SearchBar *m_search = nullptr;
    QHash<QString, QAction *> m_actions;
    std::function<QWidget *()> m_detailFocus;
    std::function<void()> m_rowClicked;
    bool m_commandSwitch = false;
};
