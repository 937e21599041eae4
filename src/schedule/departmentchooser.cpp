#include "departmentchooser.h"

#include "datagrid.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "modifyright.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeView>
#include <QVBoxLayout>

DepartmentChooser::DepartmentChooser(store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_grid(new DataGrid(this))
{
    setObjectName(QStringLiteral("TfrmDepartment1"));
    setWindowTitle(QStringLiteral("部门选择"));
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setDataset(&dm.tblDepartment);
    m_grid->addColumn(QStringLiteral("DepartmentID"), QStringLiteral("部门代码"), 90);
    m_grid->addColumn(QStringLiteral("DepartmentName"), QStringLiteral("部门名称"), 200);
    // A double click (or Enter) on a line chooses it, as 选择 does.
    connect(m_grid, &DataGrid::rowActivated, this,
            [this] { ErrorDisplay::run(this, [this] { choose(); }); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnSelect", QStringLiteral("选择"),
                                                   [this] { choose(); }));
    buttons->addWidget(ErrorDisplay::commandButton(this, "btnClose", QStringLiteral("关闭"),
                                                   [this] { accept(); }));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("部门设置列表："), this));
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    m_grid->view()->setFocus(); // the window opens with the keyboard here
    resize(360, 320);
}

void DepartmentChooser::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ErrorDisplay::run(this, [this] { m_dm.tblDepartment.open(); });
    m_grid->view()->setFocus();
}

void DepartmentChooser::choose()
{
    store::Dataset &departments = m_dm.tblDepartment;
    store::Dataset &entries = m_dm.qryPlan;
    if (departments.currentRow() < 0 || !entries.isOpen() || entries.currentRow() < 0 ||
        !ModifyRight::allows(entries))
        return;
    if (!entries.isEditing())
        entries.edit();
    entries.setValue(QStringLiteral("AttendMan"),
                     departments.value(QStringLiteral("DepartmentName")));
}
