// The shared record window, on a small module of its own over the referrer table: the commands
// each style of module gets, their log rows, rights and enabling, the keyboard following the
// tab in view, the grid's click and double click, and the pending row's question.
#include "datagrid.h"
#include "firstfocus.h"
#include "messagebox.h"
#include "pendingedit.h"
#include "recordwindow.h"
#include "referrersfixture.h"

#include <QAction>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"样本-"_s;

// A module of the shared window: it keeps the log of what its actions did.
class SampleWindow : public RecordWindow
{
  public:
    SampleWindow(Workspace &ws, const RecordCommands &style)
        : RecordWindow(ws, ws.dm.tblOperaters,
                       {"TfrmSample",
                        u"样本"_s,
                        u"303"_s,
                        Prefix,
                        "PageControl1",
                        "tsList",
                        "tsDetail",
                        u"样本列表"_s,
                        u"样本详细"_s,
                        {{u"OperaterID"_s, u"代码"_s, 90}, {u"Name"_s, u"名称"_s, 120}}},
                       nullptr),
          code(new QLineEdit(detailPage()))
    {
        RecordCommands c = style;
        const auto note = [this](const char *what) {
            return [this, what] { done << QLatin1String(what); };
        };
        c.insert = [this] {
            done << u"insert"_s;
            dataset().append();
            showDetailsForEditing();
        };
        c.modify = note("modify");
        c.remove = note("remove");
        c.refresh = note("refresh");
        c.query = note("query");
        c.add = note("add");
        c.save = note("save");
        addCommands(c, u"样本尚未保存，保存吗？"_s);
        code->setObjectName(u"edCode"_s);
        detailLayout()->addWidget(code);
        setDetailFocus([this] { return code; });
        setRowClicked(note("click"));
    }

    using RecordWindow::showDetails;

    QLineEdit *code;
    QStringList done;
    QList<std::pair<bool, bool>> changes; // (details, by a command) at each change of tab

  protected:
    void pageChanged(bool details) override { changes << std::pair{details, commandSwitch()}; }
};

QString keyOf(const SampleWindow &w, const char *name)
{
    return w.action(QLatin1String(name))->shortcut().toString();
}

} // namespace

class TestRecordWindow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // The commands of a module in the default style: list keys, no button names, 新增 on the
    // details with Ctrl+A, no 查询 there, and neither import nor e-mail export.
    void defaultStyle()
    {
        ReferrersFixture f(u"sqlite"_s);
        f.openReferrersModule();
        SampleWindow w(f.ws, {});
        QStringList names;
        for (QAction *a : w.listPage()->actions())
            names << a->objectName();
        QCOMPARE(names, (QStringList{u"Act_Insert"_s, u"Act_Modify"_s, u"Act_Delete"_s,
                                     u"spBtnRefresh"_s, u"Act_Query"_s, u"Act_Print"_s}));
        names.clear();
        for (QAction *a : w.detailPage()->actions())
            names << a->objectName();
        QCOMPARE(names, (QStringList{u"Act_Add"_s, u"Act_Save"_s, u"Act_Del"_s, u"Act_Prt"_s,
                                     u"Act_Cancel"_s}));
        QCOMPARE(keyOf(w, "Act_Insert"), u"Ctrl+N"_s);
        QCOMPARE(keyOf(w, "Act_Print"), u"Ctrl+P"_s);
        QCOMPARE(keyOf(w, "spBtnRefresh"), QString());
        QCOMPARE(keyOf(w, "Act_Add"), u"Ctrl+A"_s);
        QCOMPARE(keyOf(w, "Act_Del"), QString());
        QVERIFY(!w.findChild<QToolButton *>(u"spBtnNew"_s));
        QCOMPARE(w.action(u"Act_Insert"_s)->shortcutContext(), Qt::WidgetWithChildrenShortcut);
    }

    // The other styles: no keys on the list, named list buttons, the details keyed as the
    // list, 查询 on the details, and the import and e-mail export after 打印.
    void otherStyles()
    {
        ReferrersFixture f(u"sqlite"_s);
        f.openReferrersModule();
        RecordCommands style;
        style.listShortcuts = false;
        style.namedButtons = true;
        style.detailKeysOfList = true;
        style.queryOnDetails = [] {};
        style.email = RecordCommands::Email{"spBtnMail", u"Sample"_s, u"好了"_s};
        SampleWindow w(f.ws, style);
        QCOMPARE(keyOf(w, "Act_Insert"), QString());
        QCOMPARE(keyOf(w, "Act_Query"), QString());
        QCOMPARE(keyOf(w, "Act_Add"), u"Ctrl+N"_s);
        QCOMPARE(keyOf(w, "Act_Del"), u"Ctrl+D"_s);
        QCOMPARE(keyOf(w, "Act_Prt"), u"Ctrl+P"_s);
        QVERIFY(w.action(u"Act_Qry"_s));
        for (const auto &[button, action] : {std::pair{"spBtnNew", "Act_Insert"},
                                             {"spBtnModify", "Act_Modify"},
                                             {"spBtnDelete", "Act_Delete"},
                                             {"spBtnQuery", "Act_Query"},
                                             {"spBtnPrint1", "Act_Print"}}) {
            auto *b = w.findChild<QToolButton *>(QLatin1String(button));
            QVERIFY2(b, button);
            QCOMPARE(b->defaultAction(), w.action(QLatin1String(action)));
        }
        // The e-mail export, last on the list's bar.
        QCOMPARE(w.action(u"spBtnMail"_s)->text(), u"Email地址导出"_s);
        QCOMPARE(w.listPage()->actions().last(), w.action(u"spBtnMail"_s));
    }

    // A command writes its log row (the module's prefix and its caption) before its work; 放弃
    // writes none. Enabling follows the flags of the module's right.
    void logAndRights()
    {
        ReferrersFixture f(u"sqlite"_s);
        f.openReferrersModule();
        SampleWindow w(f.ws, {});
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.grid()->view()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(w.done, QStringList{u"modify"_s});
        w.action(u"Act_Query"_s)->trigger();
        w.action(u"spBtnRefresh"_s)->trigger();
        QCOMPARE(f.logRows(),
                 (QStringList{Prefix + u"修改"_s, Prefix + u"查询"_s, Prefix + u"刷新"_s}));

        f.setRightFlag(u"303"_s, u"Delete"_s, false);
        f.enabler.update();
        QVERIFY(!w.action(u"Act_Delete"_s)->isEnabled());
        QVERIFY(!w.action(u"Act_Del"_s)->isEnabled());
        QVERIFY(w.action(u"Act_Modify"_s)->isEnabled());
        QVERIFY(w.action(u"spBtnRefresh"_s)->isEnabled());
        QVERIFY(!w.action(u"Act_Cancel"_s)->isEnabled());

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.dm.tblOperaters.state(), store::Dataset::State::Insert);
        f.enabler.update();
        QVERIFY(w.action(u"Act_Cancel"_s)->isEnabled());
        QVERIFY(!w.action(u"Act_Add"_s)->isEnabled()); // one new row at a time
        const int rows = f.logRows().size();
        w.action(u"Act_Cancel"_s)->trigger();
        QCOMPARE(f.dm.tblOperaters.state(), store::Dataset::State::Browse);
        QCOMPARE(f.logRows().size(), rows);
    }

    // 保存 of a changed row needs the Modify flag, unless the module says whoever types may
    // store.
    void saveEnabling()
    {
        ReferrersFixture f(u"sqlite"_s);
        f.addReferrer(u"R1"_s, u"甲"_s);
        f.openReferrersModule();
        f.setRightFlag(u"303"_s, u"Modify"_s, false);
        SampleWindow strict(f.ws, {});
        RecordCommands anyone;
        anyone.saveNeedsRight = false;
        SampleWindow open(f.ws, anyone);
        f.dm.tblOperaters.edit();
        f.enabler.update();
        QVERIFY(!strict.action(u"Act_Save"_s)->isEnabled());
        QVERIFY(open.action(u"Act_Save"_s)->isEnabled());
        f.dm.tblOperaters.cancel();
    }

    // The keyboard follows the tab in view; the module hears of each change and whether a
    // command made it. A click on a row runs the module's click, a double click 修改.
    void focusAndGrid()
    {
        ReferrersFixture f(u"sqlite"_s);
        f.addReferrer(u"R1"_s, u"甲"_s);
        f.openReferrersModule();
        SampleWindow w(f.ws, {});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(FirstFocus::of(&w), static_cast<QWidget *>(w.grid()->view()));
        w.pages()->setCurrentWidget(w.detailPage());
        QCOMPARE(FirstFocus::of(&w), static_cast<QWidget *>(w.code));
        w.pages()->setCurrentWidget(w.listPage());
        QCOMPARE(FirstFocus::of(&w), static_cast<QWidget *>(w.grid()->view()));
        w.showDetails();
        QTRY_VERIFY(w.code->hasFocus());
        QCOMPARE(w.changes,
                 (QList<std::pair<bool, bool>>{{true, false}, {false, false}, {true, true}}));

        w.pages()->setCurrentWidget(w.listPage());
        QTreeView *view = w.grid()->view();
        const QRect cell = view->visualRect(view->model()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(w.done, QStringList{u"click"_s});
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(w.done, (QStringList{u"click"_s, u"modify"_s}));
    }

    // A row typed into and left in editing is the window's: settling it asks the module's
    // question, and Cancel keeps it and brings the details into view.
    void pendingRow()
    {
        ReferrersFixture f(u"sqlite"_s);
        f.openReferrersModule();
        SampleWindow w(f.ws, {});
        w.show();
        w.action(u"Act_Insert"_s)->trigger();
        f.dm.tblOperaters.setValue(u"Name"_s, u"乙"_s);
        w.pages()->setCurrentWidget(w.listPage());
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        QVERIFY(!PendingEdit::settle(f.dm.tblOperaters));
        QCOMPARE(MessageBox::last().text, u"样本尚未保存，保存吗？"_s);
        QCOMPARE(w.pages()->currentWidget(), w.detailPage());
        QCOMPARE(f.dm.tblOperaters.state(), store::Dataset::State::Insert);
        f.dm.tblOperaters.cancel();
    }
};

QTEST_MAIN(TestRecordWindow)
#include "tst_recordwindow.moc"
