// The details tab of the referrer window: the fields, the Enter chain, 保存 and its checks, the
// status section, code changes, 放弃, 删除, 打印, 查询 and the two link buttons.
#include "condition.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dbdateedit.h"
#include "dblineedit.h"
#include "dbmemo.h"
#include "dbpicklist.h"
#include "desktopservices.h"
#include "enterchain.h"
#include "messagebox.h"
#include "printing.h"
#include "recordfolders.h"
#include "referrerform.h"
#include "referrersfixture.h"
#include "session.h"
#include "storeerror.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace
{

const QString Prefix = u"客户业务管理-业务员资料-"_s;

QString folderOf(const QString &code)
{
    return RecordFolders::operatersFolder() + u"/"_s + code;
}

void retype(DbLineEdit *field, const QString &text)
{
    field->selectAll();
    testsupport::typeText(field, text);
}

// Empties a field as a user would: everything selected, then deleted.
void clearField(DbLineEdit *field)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
}

void typeDate(DbDateEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    field->setCursorPosition(0);
    testsupport::typeText(field, text);
}

} // namespace

class TestReferrerEditor : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // Every field shows its column; Enter walks them in data-entry order; the choice lists
    // hold their fixed items only.
    void fieldsChainAndChoices()
    {
        ReferrersFixture f(u"sqlite"_s);
        f.addReferrer(u"F1"_s, u"字段"_s,
                      {{u"NickName"_s, u"小字"_s},
                       {u"Sex"_s, u"女"_s},
                       {u"DepartmentID"_s, u"03"_s},
                       {u"Duty"_s, u"经理"_s},
                       {u"Education"_s, u"硕士"_s},
                       {u"Birth"_s, QDate(1980, 5, 6)},
                       {u"ID"_s, u"310101198005060011"_s},
                       {u"Native"_s, u"杭州"_s},
                       {u"CTelephone"_s, u"021-1"_s},
                       {u"Fax"_s, u"021-2"_s},
                       {u"HTelephone"_s, u"021-3"_s},
                       {u"Mobile"_s, u"139"_s},
                       {u"Address"_s, u"南京路1号"_s},
                       {u"Email"_s, u"f@x.cn"_s},
                       {u"HomePage"_s, u"www.x.cn"_s},
                       {u"Memo"_s, u"备注"_s},
                       {u"InTime"_s, QDate(2020, 1, 2)},
                       {u"OutTime"_s, QDate(2024, 3, 4)},
                       {u"State"_s, u"离职"_s},
                       {u"OutReason"_s, u"另有高就"_s}});
        ShownReferrers win(f);
        ReferrerForm *form = win.w.form();
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        const QList<QWidget *> chain = form->enterChain()->widgets();
        QStringList shown;
        for (QWidget *w : chain) {
            if (auto *e = qobject_cast<QLineEdit *>(w))
                shown << e->text();
            else if (auto *p = qobject_cast<DbPickList *>(w))
                shown << p->shownText();
            else if (auto *m = qobject_cast<DbMemo *>(w))
                shown << m->toPlainText();
        }
        QCOMPARE(shown, (QStringList{u"F1"_s, u"字段"_s, u"小字"_s, u"女"_s, u"03"_s, u"经理"_s,
                                     u"硕士"_s, u"1980-05-06"_s, u"310101198005060011"_s, u"杭州"_s,
                                     u"021-1"_s, u"021-2"_s, u"021-3"_s, u"139"_s, u"南京路1号"_s,
                                     u"f@x.cn"_s, u"www.x.cn"_s, u"备注"_s}));
        QCOMPARE(form->inTime()->text(), u"2020-01-02"_s);
        QCOMPARE(form->outTime()->text(), u"2024-03-04"_s);
        QCOMPARE(form->state()->shownText(), u"离职"_s);
        QCOMPARE(form->outReason()->toPlainText(), u"另有高就"_s);

        QCOMPARE(form->sex()->items(), (QStringList{u"男"_s, u"女"_s}));
        QCOMPARE(form->education()->items(),
                 (QStringList{u"专科"_s, u"本科"_s, u"硕士"_s, u"中专"_s, u"高中"_s, u"初中"_s}));
        QCOMPARE(form->state()->items(), (QStringList{u"在职"_s, u"离职"_s}));
        for (DbPickList *p : {form->sex(), form->education(), form->state()})
            QVERIFY(!p->freeText());
        // A choice is stored as its text.
        form->education()->setCurrentIndex(1);
        Q_EMIT form->education()->activated(1);
        QCOMPARE(win.referrers().value(u"Education"_s).toString(), u"本科"_s);
        win.referrers().cancel();

        // Labels end in a full-width colon, padded so the colons line up.
        QCOMPARE(ReferrerForm::paddedLabel(u"推荐人代码"_s), u"推荐人代码："_s);
        QCOMPARE(ReferrerForm::paddedLabel(u"名称"_s), u"名称\u3000\u3000\u3000："_s);
        QCOMPARE(ReferrerForm::paddedLabel(u"Email邮箱"_s), u"Email邮箱 ："_s);
        QVERIFY(!form->findChildren<QLabel *>().isEmpty());

        // Enter from the code reaches every field in turn; the memo takes Enter as a new line.
        QCOMPARE(chain.size(), 18);
        chain.first()->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return chain.first()->hasFocus(); }, 2000));
        for (int i = 1; i < chain.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), chain[i]);
        }
        QTest::keyClick(form->memo(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->memo()));
        QVERIFY(form->memo()->toPlainText().contains(u'\n'));
    }

    // 保存 checks the code, then the name (blanks count as content), each check after its log
    // row; a saved referrer has its folder, and FilePath and the owner are left alone.
    void saveChecksCodeThenName_data() { testsupport::addEngineRows(); }
    void saveChecksCodeThenName()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        ShownReferrers win(f);
        ReferrerForm *form = win.w.form();
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        form->code()->setFocus();
        QTest::keyClick(form->code(), Qt::Key_A, Qt::ControlModifier); // 新增, not select-all
        QCOMPARE(win.referrers().state(), store::Dataset::State::Insert);
        const auto saveSays = [&](const QString &message, QWidget *focus) {
            resetScripts();
            win.act("Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList{message});
            QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
            QCOMPARE(MessageBox::last().title, u"系统提示"_s);
            QVERIFY(QTest::qWaitFor([&] { return focus->hasFocus(); }, 2000));
            QCOMPARE(win.referrers().state(), store::Dataset::State::Insert);
        };
        saveSays(u"请输入业务员代码！"_s, form->code()); // the name is empty too
        testsupport::typeText(form->name(), u"只有名称"_s);
        saveSays(u"请输入业务员代码！"_s, form->code());
        clearField(form->name());
        testsupport::typeText(form->code(), u"N01"_s);
        saveSays(u"请输入业务员名称！"_s, form->name());
        testsupport::typeText(form->name(), u"  "_s);
        resetScripts();
        QTest::keyClick(form->name(), Qt::Key_S, Qt::ControlModifier); // 保存
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(win.referrers().state(), store::Dataset::State::Browse);
        QCOMPARE(f.scalar(u"SELECT Name FROM tblOperaters WHERE OperaterID = 'N01'"_s).toString(),
                 u"  "_s);
        QVERIFY(f.scalar(u"SELECT FilePath FROM tblOperaters WHERE OperaterID = 'N01'"_s)
                    .toString()
                    .isEmpty());
        QVERIFY(f.scalar(u"SELECT SUser FROM tblOperaters WHERE OperaterID = 'N01'"_s)
                    .toString()
                    .isEmpty());
        QVERIFY(QFileInfo(folderOf(u"N01"_s)).isDir());
        QCOMPARE(f.host.lastFolder(), folderOf(u"N01"_s));
        QCOMPARE(f.logCount(Prefix + u"保存"_s), 4);
        QCOMPARE(f.logCount(Prefix + u"新增"_s), 1);
    }

    // Codes that cannot name a folder never reach the store or the disk, from either 保存.
    void unsafeCodesAreRefused_data() { testsupport::addEngineRows(); }
    void unsafeCodesAreRefused()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        ShownReferrers win(f);
        ReferrerForm *form = win.w.form();
        for (const QString &code : {u"   "_s, u"../x"_s, u".."_s, u"a/b"_s, u"a\\b"_s}) {
            for (const char *save : {"Act_Save", "Act_StateSave"}) {
                resetScripts();
                win.act("Act_Add")->trigger();
                testsupport::typeText(form->code(), code);
                testsupport::typeText(form->name(), u"名称"_s);
                win.act(save)->trigger();
                QCOMPARE(shownTexts(), QStringList{RecordFolders::refusalText(code)});
                QCOMPARE(win.referrers().state(), store::Dataset::State::Insert);
                win.act("Act_Cancel")->trigger();
            }
        }
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters"_s).toInt(), 0);
        QCOMPARE(
            QDir(RecordFolders::operatersFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList());
        QVERIFY(!QFileInfo::exists(store::session().FilesDir + u"x"_s));
    }

    // The status section: its 修改 starts editing with the focus on 入职时间; its 保存 checks
    // neither code nor name and stores FilePath with the platform's separators.
    void statusSectionSaves_data() { testsupport::addEngineRows(); }
    void statusSectionSaves()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"T01"_s, u"状态"_s);
        ShownReferrers win(f);
        ReferrerForm *form = win.w.form();
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        form->subTabs()->setCurrentWidget(form->statusPage());
        QCOMPARE(form->stateEditButton()->text(), u"修改"_s);
        QCOMPARE(form->stateSaveButton()->text(), u"保存"_s);
        form->stateEditButton()->click();
        QCOMPARE(win.referrers().state(), store::Dataset::State::Edit);
        QVERIFY(QTest::qWaitFor([&] { return form->inTime()->hasFocus(); }, 2000));
        typeDate(form->inTime(), u"2021-07-01"_s);
        form->state()->setCurrentIndex(1);
        Q_EMIT form->state()->activated(1);
        testsupport::typeText(form->outReason(), u"回老家"_s);
        clearField(form->name()); // the name check is not this section's
        QVERIFY(win.referrers().text(u"Name"_s).isEmpty());
        form->stateSaveButton()->click();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(win.referrers().state(), store::Dataset::State::Browse);
        const QString folder = folderOf(u"T01"_s);
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(f.host.lastFolder(), folder);
        QCOMPARE(f.scalar(u"SELECT FilePath FROM tblOperaters"_s).toString(),
                 QDir::toNativeSeparators(folder));
        QCOMPARE(f.scalar(u"SELECT State FROM tblOperaters"_s).toString(), u"离职"_s);
        QCOMPARE(f.scalar(u"SELECT OutReason FROM tblOperaters"_s).toString(), u"回老家"_s);
        QCOMPARE(DbDateEdit::toDate(f.scalar(u"SELECT InTime FROM tblOperaters"_s)),
                 QDate(2021, 7, 1));
        QVERIFY(f.scalar(u"SELECT Name FROM tblOperaters"_s).toString().isEmpty());
        QCOMPARE(f.logRows().filter(Prefix), QStringList()); // neither button logs

        // Browsing, it only makes and shows the folder; a new row without a code is refused
        // as a folder name and nothing is stored.
        QDir(folder).removeRecursively();
        form->stateSaveButton()->click();
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(win.referrers().state(), store::Dataset::State::Browse);
        win.act("Act_Add")->trigger();
        testsupport::typeText(form->name(), u"无代码"_s);
        form->stateSaveButton()->click();
        QCOMPARE(shownTexts(), QStringList{RecordFolders::refusalText(QString())});
        QCOMPARE(win.referrers().state(), store::Dataset::State::Insert);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters"_s).toInt(), 1);
    }

    // A date typed in part is refused with one message naming it, the focus on it and the text
    // kept: the birth date by 保存 (Ctrl+S where the user types), the date of joining by the
    // status section's 保存. The stored dates stay until whole ones are typed.
    void partialDatesAreRefused_data() { testsupport::addEngineRows(); }
    void partialDatesAreRefused()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"T01"_s, u"甲"_s, {{u"Birth"_s, QDate(1990, 1, 2)}});
        ShownReferrers win(f);
        ReferrerForm *form = win.w.form();
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        auto *birth = form->findChild<DbDateEdit *>(u"deBirth"_s);
        birth->setFocus();
        birth->selectAll();
        testsupport::typeIntoFocus(u"1991"_s);
        testsupport::untilIdle();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts(), QStringList{u"对不起，出生年月不是有效的日期！"_s});
        QVERIFY(birth->hasFocus());
        QCOMPARE(birth->displayText(), u"1991-__-__"_s);
        QCOMPARE(DbDateEdit::toDate(f.scalar(u"SELECT Birth FROM tblOperaters"_s)),
                 QDate(1990, 1, 2));
        testsupport::typeIntoFocus(u"0304"_s);
        resetScripts();
        testsupport::pressOnFocus(Qt::ControlModifier | Qt::Key_S);
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(DbDateEdit::toDate(f.scalar(u"SELECT Birth FROM tblOperaters"_s)),
                 QDate(1991, 3, 4));

        form->subTabs()->setCurrentWidget(form->statusPage());
        form->stateEditButton()->click();
        QVERIFY(QTest::qWaitFor([&] { return form->inTime()->hasFocus(); }, 2000));
        testsupport::typeIntoFocus(u"202107"_s);
        form->stateSaveButton()->click();
        QCOMPARE(shownTexts(), QStringList{u"对不起，入职时间不是有效的日期！"_s});
        QVERIFY(form->inTime()->hasFocus());
        QVERIFY(f.scalar(u"SELECT InTime FROM tblOperaters"_s).isNull());
        QVERIFY(f.scalar(u"SELECT FilePath FROM tblOperaters"_s).isNull());
    }

    // A code change is stored while nothing names the referrer (its folder and stored path
    // move along), refused once records or agents name it, also when the row is stored by
    // moving away; a change of letter case keeps every reference.
    void codeChange_data() { testsupport::addEngineRows(); }
    void codeChange()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"M01"_s, u"改号"_s,
                      {{u"FilePath"_s, QDir::toNativeSeparators(folderOf(u"M01"_s))}});
        f.addReferrer(u"M09"_s, u"另一个"_s);
        ShownReferrers win(f);
        ReferrerForm *form = win.w.form();
        QVERIFY(win.referrers().locate(u"OperaterID"_s, u"M01"_s));
        QDir().mkpath(folderOf(u"M01"_s));
        win.act("Act_Modify")->trigger();
        retype(form->code(), u"M02"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters WHERE OperaterID = 'M02'"_s).toInt(),
                 1);
        QVERIFY(QFileInfo(folderOf(u"M02"_s)).isDir());
        QVERIFY(!QFileInfo::exists(folderOf(u"M01"_s)));
        QCOMPARE(
            f.scalar(u"SELECT FilePath FROM tblOperaters WHERE OperaterID = 'M02'"_s).toString(),
            QDir::toNativeSeparators(folderOf(u"M02"_s)));

        struct Case {
            QString sql, message;
        };
        const Case cases[] = {
            {u"INSERT INTO tblCustomers (CustId, OperaterID, SUser) VALUES ('A1', 'm02', 'other')"_s,
             u"对不起，该推荐人已有推荐的商务代理，不能修改推荐人代码！"_s},
            {u"INSERT INTO tblOperates (OperateID, OperaterID, SUser) VALUES ('R1', 'M02', 'other')"_s,
             u"对不起，该推荐人已有业务资料，不能修改推荐人代码！"_s},
        };
        for (const Case &c : cases) {
            f.dm.connection().exec(c.sql);
            resetScripts();
            retype(form->code(), u"M03"_s);
            win.act("Act_Save")->trigger();
            QCOMPARE(shownTexts(), QStringList{c.message});
            QCOMPARE(win.referrers().state(), store::Dataset::State::Edit);
            QVERIFY(!QFileInfo::exists(folderOf(u"M03"_s)));
            // Stored another way (moving to another referrer posts): the store refuses it too.
            QVERIFY_THROWS_EXCEPTION(store::StoreError, win.referrers().post());
            QCOMPARE(
                f.scalar(u"SELECT COUNT(*) FROM tblOperaters WHERE OperaterID = 'M03'"_s).toInt(),
                0);
            win.referrers().cancel();
        }
        // Only the letter case: allowed, the references still find it.
        resetScripts();
        retype(form->code(), u"m02"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(
            f.scalar(u"SELECT OperaterID FROM tblOperaters WHERE OperaterID = 'M02'"_s).toString(),
            u"m02"_s);
        QCOMPARE(win.referrers().state(), store::Dataset::State::Browse);
    }

    // Both 新增 empty the record grid; a second referrer with a taken code is refused by the
    // store and stays in insertion; 放弃 drops it.
    void addDuplicateAndCancel_data() { testsupport::addEngineRows(); }
    void addDuplicateAndCancel()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"D01"_s, u"已有"_s);
        f.addRecord(u"R1"_s, u"D01"_s);
        ShownReferrers win(f);
        ReferrerForm *form = win.w.form();
        win.act("Act_Modify")->trigger();
        QCOMPARE(win.records().rowCount(), 1);
        win.referrers().cancel();
        win.act("Act_Add")->trigger();
        QVERIFY(!win.records().isOpen());
        QCOMPARE(form->recordGrid()->model()->rowCount(), 0);
        QVERIFY(QTest::qWaitFor([&] { return form->code()->hasFocus(); }, 2000));
        testsupport::typeText(form->code(), u"d01"_s);
        testsupport::typeText(form->name(), u"重复"_s);
        win.act("Act_Save")->trigger();
        QCOMPARE(shownTexts().size(), 1);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QCOMPARE(win.referrers().state(), store::Dataset::State::Insert);
        QCOMPARE(form->code()->text(), u"d01"_s);
        QVERIFY(!QFileInfo::exists(folderOf(u"d01"_s)));
        win.act("Act_Cancel")->trigger();
        QCOMPARE(win.referrers().rowCount(), 1);
        QCOMPARE(form->code()->text(), u"D01"_s);
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters"_s).toInt(), 1);
    }

    // The details tab's 删除 is the list's; after it the grid shows the next referrer's records.
    // Turning to the tab shows the records of the referrer it shows.
    void deleteAndTurningToTheTab_data() { testsupport::addEngineRows(); }
    void deleteAndTurningToTheTab()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"G01"_s, u"甲"_s);
        f.addReferrer(u"G02"_s, u"乙"_s);
        f.addRecord(u"R1"_s, u"G01"_s);
        f.addRecord(u"R2"_s, u"G02"_s);
        ShownReferrers win(f);
        QVERIFY(win.referrers().locate(u"OperaterID"_s, u"G02"_s));
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        QCOMPARE(win.records().rowCount(), 1);
        QCOMPARE(win.records().text(u"OperateID"_s), u"R2"_s);
        win.w.pages()->setCurrentWidget(win.w.listPage());
        QVERIFY(win.referrers().locate(u"OperaterID"_s, u"G01"_s));
        win.w.pages()->setCurrentWidget(win.w.detailPage());
        QCOMPARE(win.records().text(u"OperateID"_s), u"R1"_s);

        win.act("Act_Del")->trigger();
        QCOMPARE(shownTexts(), QStringList{u"对不起，该业务员存在业务资料信息，不能删除！"_s});
        f.dm.connection().exec(u"DELETE FROM tblOperates WHERE OperateID = 'R1'"_s);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        win.act("Act_Del")->trigger();
        QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblOperaters"_s).toInt(), 1);
        QCOMPARE(win.referrers().text(u"OperaterID"_s), u"G02"_s);
        QCOMPARE(win.records().text(u"OperateID"_s), u"R2"_s);
        QCOMPARE(f.logCount(Prefix + u"删除"_s), 2);
    }

    void printQueryAndLinks_data() { testsupport::addEngineRows(); }
    void printQueryAndLinks()
    {
        QFETCH(QString, engine);
        ReferrersFixture f(engine);
        f.addReferrer(u"W1"_s, u"网"_s,
                      {{u"Email"_s, u"w@x.cn"_s}, {u"HomePage"_s, u"www.x.cn"_s}});
        f.addReferrer(u"W2"_s, u"页"_s);
        ShownReferrers win(f);
        win.act("Act_Prt")->trigger();
        QCOMPARE(Printing::last().layout, u"frOperaterDetail.frf"_s);
        QVERIFY(Printing::last().layoutFound);
        QCOMPARE(Printing::last().rowCount, 2);
        QVERIFY(Printing::last().text.contains(u"w@x.cn"_s));
        QCOMPARE(f.logCount(Prefix + u"打印"_s), 1);

        bool opened = false;
        testsupport::whenModal(u"TfrmOperaterQuery"_s, [&opened](QWidget *dialog) {
            opened = true;
            dialog->close();
        });
        win.act("Act_Qry")->trigger();
        QVERIFY(opened);
        QCOMPARE(f.logCount(Prefix + u"查询"_s), 1);

        win.w.findChild<QPushButton *>(u"btnSendMail"_s)->click();
        QCOMPARE(DesktopServices::last().kind, DesktopServices::Kind::Mail);
        QCOMPARE(DesktopServices::last().target, u"mailto:w@x.cn"_s);
        win.w.findChild<QPushButton *>(u"btnOpenHomePage"_s)->click();
        QCOMPARE(DesktopServices::last().kind, DesktopServices::Kind::Url);
        QVERIFY(DesktopServices::last().target.contains(u"www.x.cn"_s));
        QCOMPARE(shownTexts(), QStringList());
    }
};

QTEST_MAIN(TestReferrerEditor)
#include "tst_referrereditor.moc"
