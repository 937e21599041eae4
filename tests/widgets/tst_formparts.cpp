// The parts the forms and editors share: a choice list following its source's rows, the
// required-field check, Ctrl+A left to the window, and an editor's 关闭 with a pending row.
#include "dataset.h"
#include "dblineedit.h"
#include "editorcommands.h"
#include "formfields.h"
#include "listsource.h"
#include "messagebox.h"
#include "teststore.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using State = store::Dataset::State;

namespace
{

std::unique_ptr<store::Dataset> openTable(store::Connection &db, const QString &table)
{
    auto d = std::make_unique<store::Dataset>(db, table);
    d->setTable(table);
    d->open();
    return d;
}

void addCountry(store::Dataset &countries, const QString &id)
{
    countries.append();
    countries.setValue(QStringLiteral("CountryID"), id);
    countries.setValue(QStringLiteral("CountryName"), id);
    countries.setValue(QStringLiteral("Continent"), QStringLiteral("欧洲"));
    countries.setValue(QStringLiteral("Memo"), QStringLiteral("新增"));
    countries.post();
}

// A list that counts how often it read its source's rows, and which source it read.
struct CountingList {
    QObject owner;
    int reads = 0;
    store::Dataset *readFrom = nullptr;
    ListSource rows;
    explicit CountingList(int changes, ListSource::Timing timing)
        : rows(&owner, changes, timing, [this] {
              rows.markRead();
              ++reads;
              readFrom = rows.source();
          })
    {
    }
};

constexpr int StoredRows = ListSource::Reset | ListSource::Content | ListSource::Inserted |
                           ListSource::Removed | ListSource::Destroyed;

} // namespace

class TestFormParts : public QObject
{
    Q_OBJECT
  private:
    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::Connection> m_db;

  private Q_SLOTS:
    void init()
    {
        MessageBox::setScripted(true);
        MessageBox::clearHistory();
        // The store tests run on each engine, named by the data row; the others on SQLite.
        const QByteArray engine = QTest::currentDataTag();
        m_store = std::make_unique<testsupport::TempStore>(
            engine.isEmpty() ? QStringLiteral("sqlite") : QString::fromLatin1(engine));
        m_db = m_store->connect();
    }
    void cleanup()
    {
        m_db.reset();
        m_store.reset();
    }

    // A post sends several signals in a row; the list reads the rows once after them, and at
    // once when it is about to open with rows changed since.
    void deferredListReadsABurstOnce_data() { testsupport::addEngineRows(); }
    void deferredListReadsABurstOnce()
    {
        auto countries = openTable(*m_db, QStringLiteral("tblCountry"));
        CountingList list(StoredRows, ListSource::Timing::Deferred);
        list.rows.setSource(countries.get());
        QCOMPARE(list.reads, 1);
        QCOMPARE(list.readFrom, countries.get());

        addCountry(*countries, QStringLiteral("Atlantis"));
        addCountry(*countries, QStringLiteral("Lemuria"));
        QCOMPARE(list.reads, 1); // nothing read in the middle of the work
        QCoreApplication::processEvents();
        QCOMPARE(list.reads, 2);
        QCoreApplication::processEvents();
        QCOMPARE(list.reads, 2);

        addCountry(*countries, QStringLiteral("Mu"));
        list.rows.reloadIfStale();
        QCOMPARE(list.reads, 3);
        QCoreApplication::processEvents(); // the queued read finds nothing left to do
        QCOMPARE(list.reads, 3);
        list.rows.reloadIfStale();
        QCOMPARE(list.reads, 3);
    }

    // Typing into a row is followed only by a list that asks for it.
    void editsAreFollowedOnlyWhenAsked_data() { testsupport::addEngineRows(); }
    void editsAreFollowedOnlyWhenAsked()
    {
        auto countries = openTable(*m_db, QStringLiteral("tblCountry"));
        CountingList stored(StoredRows, ListSource::Timing::Deferred);
        CountingList typed(StoredRows | ListSource::Edited, ListSource::Timing::Deferred);
        stored.rows.setSource(countries.get());
        typed.rows.setSource(countries.get());
        countries->edit();
        countries->setValue(QStringLiteral("CountryName"), QStringLiteral("改名"));
        QCoreApplication::processEvents();
        QCOMPARE(stored.reads, 1);
        QCOMPARE(typed.reads, 2);
        countries->cancel();
    }

    void immediateListReadsAtEveryChange_data() { testsupport::addEngineRows(); }
    void immediateListReadsAtEveryChange()
    {
        auto countries = openTable(*m_db, QStringLiteral("tblCountry"));
        CountingList list(ListSource::Reset | ListSource::Inserted, ListSource::Timing::Immediate);
        list.rows.setSource(countries.get());
        countries->append();
        QCOMPARE(list.reads, 2);
        countries->cancel();
        countries->close();
        QCOMPARE(list.reads, 3);
    }

    // A list given another source no longer hears the first; a source that goes away leaves
    // the list empty-handed, not pointing at it.
    void listLetsItsOldSourceGo_data() { testsupport::addEngineRows(); }
    void listLetsItsOldSourceGo()
    {
        auto first = openTable(*m_db, QStringLiteral("tblCountry"));
        auto second = openTable(*m_db, QStringLiteral("tblCountry"));
        CountingList list(StoredRows, ListSource::Timing::Immediate);
        list.rows.setSource(first.get());
        list.rows.setSource(second.get());
        QCOMPARE(list.reads, 2);
        addCountry(*first, QStringLiteral("Atlantis"));
        QCOMPARE(list.reads, 2);
        second.reset();
        QCOMPARE(list.reads, 3);
        QCOMPARE(list.readFrom, nullptr);
        QCOMPARE(list.rows.source(), nullptr);
    }

    // The first empty field with a message is named and takes the focus; fields without a
    // message, null ones and filled ones pass.
    void requiredFieldsNameTheFirstEmptyOne()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *filled = new QLineEdit(QStringLiteral("有"), &window);
        auto *optional = new QLineEdit(&window);
        auto *code = new QLineEdit(&window);
        auto *name = new QLineEdit(&window);
        for (QWidget *w : {filled, optional, code, name})
            layout->addWidget(w);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        filled->setFocus();

        QVERIFY(!FormFields::requireShown(&window, {{nullptr, QStringLiteral("不问")},
                                                    {filled, QStringLiteral("请输入甲！")},
                                                    {optional, QString()},
                                                    {code, QStringLiteral("请输入代码！")},
                                                    {name, QStringLiteral("请输入名称！")}}));
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, QStringLiteral("请输入代码！"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
        QCOMPARE(QApplication::focusWidget(), code);

        code->setText(QStringLiteral(" "));
        name->setText(QStringLiteral("名"));
        MessageBox::clearHistory();
        QVERIFY(FormFields::requireShown(&window, {{code, QStringLiteral("请输入代码！")},
                                                   {name, QStringLiteral("请输入名称！")}}));
        QVERIFY(MessageBox::history().isEmpty());
    }

    // Ctrl+A in a field is the window's command, not select-all, once the form leaves the key
    // to it; without that the field keeps the key.
    void ctrlAIsLeftToTheWindow()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *kept = new QLineEdit(QStringLiteral("abc"), &window);
        auto *left = new QLineEdit(QStringLiteral("abc"), &window);
        layout->addWidget(kept);
        layout->addWidget(left);
        auto *add = new QAction(&window);
        add->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
        add->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        window.addAction(add);
        int added = 0;
        connect(add, &QAction::triggered, &window, [&added] { ++added; });
        FormFields::leaveCtrlAToWindow(&window, {left});
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        kept->setFocus();
        QTest::keyClick(kept, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(added, 0);
        QCOMPARE(kept->selectedText(), QStringLiteral("abc"));

        left->setFocus();
        left->deselect();
        QTest::keyClick(left, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(added, 1);
        QVERIFY(left->selectedText().isEmpty());
    }

    // 关闭 with a pending row: No drops it, Yes saves it and a failed save keeps the editor
    // open with the row still being edited. Nothing pending: no question at all.
    void closingSettlesThePendingRow_data() { testsupport::addEngineRows(); }
    void closingSettlesThePendingRow()
    {
        auto countries = openTable(*m_db, QStringLiteral("tblCountry"));
        const int before = countries->rowCount();
        QWidget editor;
        int saves = 0;
        const auto failingSave = [&saves] {
            ++saves;
            return false;
        };

        QVERIFY(
            settleOnClose(&editor, *countries, QStringLiteral("尚未保存，保存吗？"), failingSave));
        QVERIFY(MessageBox::history().isEmpty());

        countries->append();
        countries->setValue(QStringLiteral("CountryID"), QStringLiteral("Atlantis"));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QVERIFY(
            !settleOnClose(&editor, *countries, QStringLiteral("尚未保存，保存吗？"), failingSave));
        QCOMPARE(saves, 1);
        QCOMPARE(countries->state(), State::Insert);
        QCOMPARE(MessageBox::last().text, QStringLiteral("尚未保存，保存吗？"));

        MessageBox::setNextAnswer(QMessageBox::No);
        QVERIFY(
            settleOnClose(&editor, *countries, QStringLiteral("尚未保存，保存吗？"), failingSave));
        QCOMPARE(saves, 1);
        QCOMPARE(countries->state(), State::Browse);
        QCOMPARE(countries->rowCount(), before);
    }
};

QTEST_MAIN(TestFormParts)
#include "tst_formparts.moc"
