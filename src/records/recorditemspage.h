#pragma once

#include <QWidget>
#include <functional>

class DataGrid;
class QPushButton;
struct Workspace;

// The page "联络事宜" of the record editor: the detail items of the current record
// (tblOperateDetail, which follows tblOperates2) in a grid, with 新增联络事宜, 修改, 删除 and 刷新.
// The item commands check no rights and write no log rows.
class RecordItemsPage : public QWidget
{
    Q_OBJECT
  public:
    // `storeRecord` is asked before an item is opened: items belong to a stored record, so a
    // record being entered or changed is saved first (false when its checks stopped that).
    RecordItemsPage(Workspace &ws, std::function<bool()> storeRecord, QWidget *parent = nullptr);

    DataGrid *grid() const { return m_grid; }
    QPushButton *button(const char *objectName) const;

  private:
    bool prepareItems();
    void addItem();
    void modifyItem();
    void deleteItem();
    void refreshItems();

    Workspace &m_ws;
    std::function<bool()> m_storeRecord;
    DataGrid *m_grid;
};
