#pragma once

#include <QDialog>

class DataGrid;

namespace store
{
class DataModule;
}

// TfrmDepartment1 ("部门选择"): the departments, from which 选择 writes a name into the schedule
// entry's 负责处室. It stays open, so the user may choose again; the last choice wins.
class DepartmentChooser : public QDialog
{
    Q_OBJECT
  public:
    explicit DepartmentChooser(store::DataModule &dm, QWidget *parent = nullptr);

    DataGrid *grid() const { return m_grid; }

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void choose();

    store::DataModule &m_dm;
    DataGrid *m_grid;
};
