// Every control of the toolkit on one form, bound to the live datasets of a new store: what
// each shows follows the current row, and the navigator moves them all.
#include "commandenabler.h"
#include "datagrid.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "dbcheckbox.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dblinklabel.h"
#include "dblookupcombo.h"
#include "dbmemo.h"
#include "dbnavigator.h"
#include "dbnumberedit.h"
#include "dbpicklist.h"
#include "dbtimeedit.h"
#include "enterchain.h"
#include "rights.h"
#include "session.h"
#include "teststore.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QEventLoop>
#include <QFormLayout>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace
{
// Runs the event loop until it is about to wait for events: one idle moment.
void untilIdle()
{
    QEventLoop loop;
    const QMetaObject::Connection c =
        QObject::connect(QAbstractEventDispatcher::instance(),
                         &QAbstractEventDispatcher::aboutToBlock, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
}
} // namespace

class TestDemoForm : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void everyControlOnALiveStore()
    {
        testsupport::TempStore ts(QStringLiteral("sqlite"));
        auto db = ts.connect();
        db->exec(QStringLiteral(
                     "INSERT INTO tblLinkmans (LinkmanID, CustID, Main, Name, Department, Email, "
                     "SpecialDate, Memo) VALUES (?, 'C01', ?, ?, ?, ?, ?, ?)"),
                 {QStringLiteral("L1"), true, QStringLiteral("张三"), QStringLiteral("销售部"),
                  QStringLiteral("zhang@example.cn"), QStringLiteral("1980-05-06"),
                  QStringLiteral("喜欢茶")});
        db->exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Main, Name) "
                                "VALUES ('L2', 'C01', 0, '李四')"));
        db->exec(QStringLiteral(
            "INSERT INTO tblPlan (PlanDate, PlanTime) VALUES ('2024-05-06', '08:00:00')"));
        db->exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, CountryID) "
                                "VALUES ('C01', '华东代理', 'Japan')"));

        const auto table = [&](const char *name) {
            auto d = std::make_unique<store::Dataset>(*db, QLatin1String(name));
            d->setTable(QLatin1String(name));
            d->open();
            return d;
        };
        auto linkmans = table("tblLinkmans");
        auto countries = table("tblCountry");
        auto agents = table("tblCustomers");
        auto plans = table("tblPlan");
        auto rates = table("tblCurrencyRate");
        auto rights = table("tblUserRight");

        QWidget form;
        auto *layout = new QFormLayout(&form);
        auto *grid = new DataGrid;
        grid->setObjectName(QStringLiteral("dxDBGrid1"));
        grid->setColumns({{QStringLiteral("CountryID"), QStringLiteral("编号"), 80, true},
                          {QStringLiteral("CountryName"), QStringLiteral("名称"), 80, true},
                          {QStringLiteral("Continent"), QStringLiteral("洲"), 60, true},
                          {QStringLiteral("CountryColor"), QStringLiteral("颜色"), 60, true}});
        grid->setDataset(countries.get());
        grid->setGroupColumns({QStringLiteral("Continent")});
        auto *name = new DbLineEdit, *department = new DbLineEdit;
        auto *memo = new DbMemo;
        auto *main = new DbCheckBox(QStringLiteral("主联系人"));
        auto *special = new DbDateEdit;
        auto *time = new DbTimeEdit;
        auto *rate = new DbNumberEdit;
        auto *sex = new DbPickList;
        auto *country = new DbLookupCombo;
        auto *mail = new DbLinkLabel(nullptr, DbLinkLabel::Kind::Mail);
        auto *nav = new DbNavigator;
        auto *save = new QPushButton(QStringLiteral("保存"));
        name->bind(linkmans.get(), QStringLiteral("Name"));
        department->bind(linkmans.get(), QStringLiteral("Department"));
        memo->bind(linkmans.get(), QStringLiteral("Memo"));
        main->bind(linkmans.get(), QStringLiteral("Main"));
        special->bind(linkmans.get(), QStringLiteral("SpecialDate"));
        time->bind(plans.get(), QStringLiteral("PlanTime"));
        rate->bind(rates.get(), QStringLiteral("Rate"));
        sex->setItems({QStringLiteral("销售部"), QStringLiteral("财务部")});
        sex->bind(linkmans.get(), QStringLiteral("Department"));
        country->setSource(countries.get(), QStringLiteral("CountryName"),
                           QStringLiteral("CountryID"));
        country->bind(agents.get(), QStringLiteral("CountryID"));
        mail->bind(linkmans.get(), QStringLiteral("Email"));
        nav->setDataset(linkmans.get());
        layout->addRow(grid);
        layout->addRow(QStringLiteral("姓名"), name);
        layout->addRow(QStringLiteral("部门"), department);
        layout->addRow(QStringLiteral("备注"), memo);
        layout->addRow(main);
        layout->addRow(QStringLiteral("纪念日"), special);
        layout->addRow(QStringLiteral("时间"), time);
        layout->addRow(QStringLiteral("汇率"), rate);
        layout->addRow(QStringLiteral("部门选择"), sex);
        layout->addRow(QStringLiteral("国家"), country);
        layout->addRow(QStringLiteral("邮件"), mail);
        layout->addRow(nav);
        layout->addRow(save);
        EnterChain chain({name, department, memo, special}, &form);
        chain.setFinalButton(save);

        Rights rightRows(rights.get());
        store::session().CurrentUserID = QStringLiteral("Admin");
        CommandEnabler enabler;
        QAction insert;
        enabler.add(&insert, [&] {
            return rightRows.allows(QStringLiteral("301"), QStringLiteral("Insert")) &&
                   linkmans->state() == store::Dataset::State::Browse;
        });

        form.resize(700, 900);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!form.grab().isNull()); // paints every control, grid cells included

        QCOMPARE(name->text(), QStringLiteral("张三"));
        QCOMPARE(department->text(), QStringLiteral("销售部"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("喜欢茶"));
        QVERIFY(main->isChecked());
        QCOMPARE(special->text(), QStringLiteral("1980-05-06"));
        QCOMPARE(time->text(), QStringLiteral("08:00:00"));
        QCOMPARE(rate->text(), DatasetModel::displayText(rates->value(QStringLiteral("Rate")),
                                                         store::ColumnType::Number));
        QCOMPARE(sex->shownText(), QStringLiteral("销售部"));
        QCOMPARE(country->currentText(), QStringLiteral("日本"));
        QVERIFY(mail->text().contains(QStringLiteral("zhang@example.cn")));
        QCOMPARE(
            grid->view()->model()->rowCount(),
            db->scalar(QStringLiteral("SELECT COUNT(DISTINCT Continent) FROM tblCountry")).toInt());
        QCOMPARE(grid->model()->datasetRow(grid->view()->currentIndex()), countries->currentRow());
        QCOMPARE(nav->button(DbNavigator::Button::Next)->isEnabled(), true);
        untilIdle();
        QVERIFY(insert.isEnabled());

        QTest::mouseClick(nav->button(DbNavigator::Button::Next), Qt::LeftButton);
        QCOMPARE(name->text(), QStringLiteral("李四"));
        QVERIFY(department->text().isEmpty());
        QCOMPARE(sex->currentIndex(), -1);
        QVERIFY(!main->isChecked());
        QVERIFY(special->isBlank());
        QVERIFY(mail->text().isEmpty());
        QVERIFY(!nav->button(DbNavigator::Button::Next)->isEnabled());

        // Typing starts editing; the command that needs Browse goes off at the next idle moment.
        QTest::keyClicks(department, QStringLiteral("R&D"));
        QTest::keyClick(department, Qt::Key_Return);
        QCOMPARE(form.focusWidget(), memo);
        QCOMPARE(linkmans->state(), store::Dataset::State::Edit);
        untilIdle();
        QVERIFY(!insert.isEnabled());
        linkmans->post();
        untilIdle();
        QVERIFY(insert.isEnabled());
        QCOMPARE(
            db->scalar(QStringLiteral("SELECT Department FROM tblLinkmans WHERE LinkmanID = 'L2'"))
                .toString(),
            QStringLiteral("R&D"));
    }
};

QTEST_MAIN(TestDemoForm)
#include "tst_demoform.moc"
