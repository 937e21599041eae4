// The general error display: a command's store error or other failure is shown with its own
// text and the program carries on; the application object does the same for an exception that
// escapes an event handler.
#include "dataset.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "storeerror.h"
#include "tessalyapplication.h"
#include "teststore.h"

#include <QTest>
#include <stdexcept>

namespace
{
// Throws what it is told to from its event handler, as a slot run by a click might.
class Thrower : public QObject
{
  public:
    enum class What { Store, Std };
    What what = What::Store;
    int handled = 0;

  protected:
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++handled;
        if (what == What::Store)
            throw store::StoreError(QStringLiteral("对不起，数据文件已被锁定。"));
        throw std::runtime_error("disk full");
    }
};
} // namespace

class TestErrorDisplay : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void init() { MessageBox::clearHistory(); }

    void storeErrorIsShownWithItsText()
    {
        testsupport::TempStore ts(QStringLiteral("sqlite"));
        auto db = ts.connect();
        const QString duplicate = QStringLiteral(
            "INSERT INTO tblCountry (CountryID, CountryName, Memo) VALUES (?, ?, ?)");
        const QVariantList china{QStringLiteral("China"), QStringLiteral("中国"),
                                 QStringLiteral("重复")};

        QString expected;
        try {
            db->exec(duplicate, china);
        } catch (const store::StoreError &e) {
            expected = e.text();
        }
        QVERIFY(!expected.isEmpty());

        QVERIFY(!ErrorDisplay::run(nullptr, [&] { db->exec(duplicate, china); }));
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QCOMPARE(MessageBox::last().title, QStringLiteral("系统提示"));
        QCOMPARE(MessageBox::last().text, expected);

        // The next command runs as usual.
        bool ran = false;
        QVERIFY(ErrorDisplay::run(nullptr, [&] { ran = true; }));
        QVERIFY(ran);
        QCOMPARE(MessageBox::history().size(), 1);
    }

    void refusedPostLeavesTheRowInEditing()
    {
        testsupport::TempStore ts(QStringLiteral("sqlite"));
        auto db = ts.connect();
        store::Dataset countries(*db, QStringLiteral("tblCountry"));
        countries.setTable(QStringLiteral("tblCountry"));
        countries.open();
        QVERIFY(countries.locate(QStringLiteral("CountryID"), QStringLiteral("Japan")));
        countries.setValue(QStringLiteral("CountryID"), QStringLiteral("china"));

        QVERIFY(!ErrorDisplay::run(nullptr, [&] { countries.post(); }));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QCOMPARE(countries.state(), store::Dataset::State::Edit);
        QCOMPARE(countries.value(QStringLiteral("CountryID")).toString(), QStringLiteral("china"));
    }

    void otherFailuresShowTheirMessage()
    {
        QVERIFY(!ErrorDisplay::run(nullptr, [] { throw std::runtime_error("out of range"); }));
        QCOMPARE(MessageBox::last().text, QStringLiteral("out of range"));
        QVERIFY(!ErrorDisplay::run(nullptr, [] { throw 42; }));
        QCOMPARE(MessageBox::history().size(), 2);
        QVERIFY(!MessageBox::last().text.isEmpty());
    }

    void exceptionsEscapingEventHandlersAreShown()
    {
        QVERIFY(qobject_cast<TessalyApplication *>(QCoreApplication::instance()));
        Thrower t;
        QEvent sent(QEvent::User);
        QCoreApplication::sendEvent(&t, &sent);
        QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，数据文件已被锁定。"));

        t.what = Thrower::What::Std;
        QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(t.handled, 2);
        QCOMPARE(MessageBox::history().size(), 2);
        QCOMPARE(MessageBox::last().text, QStringLiteral("disk full"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
    }
};

int main(int argc, char **argv)
{
    TessalyApplication app(argc, argv);
    TestErrorDisplay test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errordisplay.moc"
