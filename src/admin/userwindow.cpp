#include "userwindow.h"
#include "gridexport.h"

#include "datagrid.h"
#include "datamodule.h"
#include "dbcheckbox.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbpicklist.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "passwords.h"
#include "rightwindow.h"
#include "session.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using store::Dataset;

namespace
{

const QString UserID = QStringLiteral("UserID");
const QString Password = QStringLiteral("Password");

} // namespace

UserWindow::UserWindow(store::DataModule &dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TfrmUser"));
    setWindowTitle(QStringLiteral("用户管理"));
    GridExport::setLogPrefix(this, QStringLiteral("系统设置-用户管理"));
    ensurePostingRules(dm);
    prepareDatasets();
    buildLayout();
    followCurrentRow();
}

bool UserWindow::isDefaultUser(const QString &userId)
{
    return userId.compare(QLatin1String("Admin"), Qt::CaseInsensitive) == 0;
}

void UserWindow::ensurePostingRules(store::DataModule &dm)
{
    static const char *installed = "tessalyUserRules";
    if (dm.tblUser.property(installed).toBool())
        return;
    dm.tblUser.setProperty(installed, true);
    dm.tblUser.addBeforePost([](Dataset &d) {
        // A user stored without a password could never sign in, and an empty one must never
        // be accepted; every new user starts with the initial password, kept as a hash.
        if (d.state() == Dataset::State::Insert && d.text(Password).isEmpty())
            d.setValue(Password, store::Passwords::hash(QLatin1String(store::Passwords::Initial)));
        if (d.state() == Dataset::State::Edit && isDefaultUser(d.text(UserID)))
            return Dataset::PostAction::Discard;
        return Dataset::PostAction::Store;
    });
}

void UserWindow::prepareDatasets()
{
    m_dm.tblDepartment.open(); // the department names of the grid and the drop-down
    Dataset &users = m_dm.tblUser;
    users.open();
    users.setSort(UserID);
    users.locate(UserID, store::session().CurrentUserID);
}

void UserWindow::buildLayout()
{
    Dataset &users = m_dm.tblUser;
    const auto button = [this](const char *name, const QString &text, void (UserWindow::*command)()) {
        return ErrorDisplay::commandButton(this, name, text, [this, command] { (this->*command)(); });
    };
    auto *bar = new QHBoxLayout;
    bar->addWidget(button("SpeedButton1", QStringLiteral("新增"), &UserWindow::addUser));
    bar->addWidget(button("SpeedButton2", QStringLiteral("保存"), &UserWindow::saveUser));
    bar->addWidget(button("SpeedButton3", QStringLiteral("删除"), &UserWindow::deleteUser));
    bar->addWidget(button("SpeedButton4", QStringLiteral("关闭"), &UserWindow::closeWindow));
    bar->addWidget(button("SpeedButton5", QStringLiteral("权限分配"), &UserWindow::assignRights));
    bar->addStretch();

    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->addColumn(UserID, QStringLiteral("用户ID"), 90);
    m_grid->addColumn(QStringLiteral("UserName"), QStringLiteral("用户名称"), 110);
    m_grid->addColumn(QStringLiteral("DeptName"), QStringLiteral("部门"), 110);
    m_grid->addColumn(QStringLiteral("Duty"), QStringLiteral("职务"), 90);
    m_grid->addColumn(QStringLiteral("State"), QStringLiteral("用户状态"), 70);
    m_grid->addColumn(QStringLiteral("Memo"), QStringLiteral("备注"), 150);
    m_grid->setGroupBandVisible(false);
    m_grid->setDataset(&users);

    const auto line = [this, &users](const char *name, const QString &field) {
        auto *e = new DbLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->bind(&users, field);
        return e;
    };
    m_userId = line("edUserID", UserID);
    m_userName = line("edUserName", QStringLiteral("UserName"));
    m_dept = new DbLookupCombo(this);
    m_dept->setObjectName(QStringLiteral("cbDept"));
    m_dept->setSource(&m_dm.tblDepartment, QStringLiteral("DepartmentName"),
                      QStringLiteral("DepartmentID"));
    m_dept->bind(&users, QStringLiteral("DeptID"));
    m_duty = line("edDuty", QStringLiteral("Duty"));
    m_state = new DbPickList(this);
    m_state->setObjectName(QStringLiteral("cbState"));
    m_state->setItems({QStringLiteral("Yes"), QStringLiteral("No")});
    m_state->setFreeText(true);
    m_state->bind(&users, QStringLiteral("State"));
    m_memo = line("edMemo", QStringLiteral("Memo"));
    m_sys = new DbCheckBox(QStringLiteral("是否系统管理员"), this);
    m_sys->setObjectName(QStringLiteral("chkSys"));
    m_sys->bind(&users, QStringLiteral("Sys"));
    new EnterChain({m_userId, m_userName, m_dept, m_duty, m_state, m_memo}, this);

    auto *form = new QGridLayout;
    const auto place = [form, this](int row, int column, const QString &caption, QWidget *field) {
        form->addWidget(new QLabel(caption, this), row, column * 2);
        form->addWidget(field, row, column * 2 + 1);
    };
    place(0, 0, QStringLiteral("用户ID："), m_userId);
    place(0, 1, QStringLiteral("用户名称："), m_userName);
    place(1, 0, QStringLiteral("部门："), m_dept);
    place(1, 1, QStringLiteral("职务："), m_duty);
    place(2, 0, QStringLiteral("用户状态："), m_state);
    place(2, 1, QStringLiteral("备注："), m_memo);
    form->addWidget(m_sys, 3, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(new QLabel(QStringLiteral("用户列表"), this));
    layout->addWidget(m_grid, 1);
    layout->addLayout(form);
    resize(640, 480);

    connect(&users, &Dataset::currentRowChanged, this, &UserWindow::followCurrentRow);
    connect(&users, &Dataset::stateChanged, this, &UserWindow::followCurrentRow);
}

// The remembered user follows the row the user chooses, by mouse or by keyboard, so the
// built-in user's protection does not depend on how its row was reached. The user ID can be
// typed only into a new row.
void UserWindow::followCurrentRow()
{
    const Dataset &users = m_dm.tblUser;
    const bool adding = users.state() == Dataset::State::Insert;
    if (!users.isEditing())
        m_remembered = users.currentRow() >= 0 ? users.text(UserID) : QString();
    else if (adding)
        m_remembered.clear();
    m_userId->setEnabled(adding);
}

void UserWindow::addUser()
{
    m_dm.writeLog(QStringLiteral("系统设置-用户管理-新增用户"));
    m_dm.tblUser.open();
    m_remembered.clear();
    m_dm.tblUser.append();
    m_userId->setFocus();
}

void UserWindow::saveUser()
{
    m_dm.writeLog(QStringLiteral("系统设置-用户管理-保存用户"));
    if (!checkFields() || refuseDefaultUser())
        return;
    Dataset &users = m_dm.tblUser;
    if (users.state() == Dataset::State::Insert) {
        postWithInitialPassword();
        return;
    }
    if (!users.isEditing())
        users.edit();
    users.post();
}

void UserWindow::deleteUser()
{
    m_dm.writeLog(QStringLiteral("系统设置-用户管理-删除用户"));
    Dataset &users = m_dm.tblUser;
    if (users.currentRow() < 0)
        return;
    if (users.value(QStringLiteral("Sys")).toBool()) {
        MessageBox::warning(this, QStringLiteral("对不起,系统用户不能删除!"));
        return;
    }
    if (!MessageBox::confirm(this, QStringLiteral("您真的要删除该用户吗？")))
        return;
    users.remove();
}

void UserWindow::closeWindow()
{
    Dataset &users = m_dm.tblUser;
    if (!users.isEditing()) {
        QDialog::reject();
        return;
    }
    if (!MessageBox::confirm(this, QStringLiteral("用户资料数据尚未保存，保存吗？"), QMessageBox::Question)) {
        users.cancel();
        QDialog::reject();
        return;
    }
    if (!checkFields() || refuseDefaultUser())
        return;
    if (users.state() == Dataset::State::Insert)
        postWithInitialPassword();
    else
        users.post();
    QDialog::reject();
}

void UserWindow::assignRights()
{
    m_dm.writeLog(QStringLiteral("系统设置-用户管理-权限分配"));
    RightWindow rights(m_dm, this);
    rights.exec();
}

void UserWindow::reject()
{
    ErrorDisplay::run(this, [this] { closeWindow(); });
}

// The required fields in screen order, tested on the text each one shows.
bool UserWindow::checkFields()
{
    const struct {
        QWidget *field;
        QString shown;
        QString message;
    } checks[] = {
        {m_userId, m_userId->text(), QStringLiteral("请输入用户编号！")},
        {m_userName, m_userName->text(), QStringLiteral("请输入用户名称！")},
        {m_dept, m_dept->currentText(), QStringLiteral("请选择输入所在部门！")},
        {m_duty, m_duty->text(), QStringLiteral("请输入用户职务！")},
    };
    for (const auto &c : checks) {
        if (c.shown.isEmpty()) {
            MessageBox::warning(this, c.message);
            c.field->setFocus();
            return false;
        }
    }
    return true;
}

bool UserWindow::refuseDefaultUser()
{
    if (!isDefaultUser(m_remembered))
        return false;
    MessageBox::warning(this, QStringLiteral("对不起，系统默认用户不能修改！"));
    return true;
}

void UserWindow::postWithInitialPassword()
{
    Dataset &users = m_dm.tblUser;
    users.setValue(Password, store::Passwords::hash(QLatin1String(store::Passwords::Initial)));
    users.post();
    MessageBox::information(this, QStringLiteral("新增用户口令为508316，请提醒用户及时修改！"));
}
