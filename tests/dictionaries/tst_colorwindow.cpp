// The colour window and the colour drop-downs of the dictionary editors: swatches in their
// true colour, a colour added through the chooser offered at once by the editor that opened
// the window, removal with confirmation, and refused or cancelled additions.
#include "colorcombo.h"
#include "colordialog.h"
#include "colorwindow.h"
#include "datagrid.h"
#include "dictionaryeditor.h"
#include "dictionaryfixture.h"
#include "dictionarymember.h"
#include "messagebox.h"

#include <QFrame>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

using State = store::Dataset::State;

namespace
{

QColor swatchColour(const QIcon &icon)
{
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

QColor panelColour(QWidget *window)
{
    return window->findChild<QFrame *>(QStringLiteral("pnlColor"))
        ->palette()
        .color(QPalette::Window);
}

void click(QWidget *window, const char *button)
{
    auto *b = window->findChild<QToolButton *>(QLatin1String(button));
    QVERIFY2(b, button);
    QTest::mouseClick(b, Qt::LeftButton);
}

int storedColours(DictionaryFixture &f, int colour)
{
    return f.storedRows(QStringLiteral("tblColor"), QStringLiteral("ColorID"), colour);
}

} // namespace

class TestColorWindow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init()
    {
        MessageBox::clearHistory();
        ColorDialog::clearHistory();
    }

    void dropDownShowsTrueColours()
    {
        DictionaryFixture f(QStringLiteral("sqlite"));
        DictionaryEditor editor(f.ws,
                                *DictionaryMember::forCommand(QStringLiteral("Act_CustLevel")));
        auto *combo = editor.findChild<ColorCombo *>(QStringLiteral("dxDBEdtLevelColor"));
        QVERIFY(combo);
        QCOMPARE(combo->count(),
                 f.dm.connection().scalar(QStringLiteral("SELECT COUNT(*) FROM tblColor")).toInt());
        // 0x0080FF: red in the lowest byte, so this is orange, not azure.
        const int orange = combo->findText(QString::number(0x0080FF));
        QVERIFY(orange >= 0);
        QCOMPARE(swatchColour(combo->itemIcon(orange)), QColor(0xFF, 0x80, 0x00));
        const int blue = combo->findText(QString::number(0xFF0000));
        QCOMPARE(swatchColour(combo->itemIcon(blue)), QColor(0, 0, 0xFF));

        // Choosing a colour writes its number into the level.
        QVERIFY(f.dm.tblCustLevel.locate(QStringLiteral("LevelID"), QStringLiteral("A")));
        combo->setCurrentIndex(blue);
        Q_EMIT combo->activated(blue);
        QCOMPARE(f.dm.tblCustLevel.value(QStringLiteral("LevelColor")).toInt(), 0xFF0000);
        editor.findChild<QAction *>(QStringLiteral("Act_Save"))->trigger();
        QCOMPARE(
            f.dm.connection()
                .scalar(QStringLiteral("SELECT LevelColor FROM tblCustLevel WHERE LevelID = 'A'"))
                .toInt(),
            0xFF0000);
    }

    void addedColourReachesTheOpenEditor_data() { testsupport::addEngineRows(); }
    void addedColourReachesTheOpenEditor()
    {
        QFETCH(QString, engine);
        DictionaryFixture f(engine);
        DictionaryEditor editor(f.ws, *DictionaryMember::forCommand(QStringLiteral("Act_Country")));
        editor.show();
        auto *combo = editor.findChild<ColorCombo *>(QStringLiteral("dxDBEdtCountryColor"));
        const int chosen = 0x123456;
        QVERIFY(combo->findText(QString::number(chosen)) < 0);

        ColorDialog::setNextColor(chosen);
        bool ran = false;
        whenModal(QStringLiteral("TfrmColor"), [&](QWidget *w) {
            const auto closeAnyway = qScopeGuard([w] { static_cast<QDialog *>(w)->reject(); });
            ran = true;
            QCOMPARE(w->windowTitle(), QStringLiteral("颜色设置信息"));
            click(w, "SpeedButton1");
            QCOMPARE(ColorDialog::calls().size(), 1);
            QCOMPARE(f.dm.tblColor.state(), State::Browse);
            QCOMPARE(f.dm.tblColor.value(QStringLiteral("ColorID")).toInt(), chosen);
            QCOMPARE(panelColour(w), QColor(0x56, 0x34, 0x12));
            // Still in the window, the editor's drop-down already offers the colour.
            QTRY_VERIFY(combo->findText(QString::number(chosen)) >= 0);
            click(w, "SpeedButton4");
        });
        click(&editor, "spBtnColor");
        QVERIFY(ran);
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(storedColours(f, chosen), 1);
        const int at = combo->findText(QString::number(chosen));
        QVERIFY(at >= 0);
        QCOMPARE(swatchColour(combo->itemIcon(at)), QColor(0x56, 0x34, 0x12));

        // Removing asks first; Cancel keeps the colour, OK removes it, and the editor follows.
        ColorWindow colours(f.dm, &editor);
        colours.show();
        QVERIFY(f.dm.tblColor.locate(QStringLiteral("ColorID"), chosen));
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        click(&colours, "SpeedButton3");
        QCOMPARE(MessageBox::last().text, QStringLiteral("真的要删除该条记录吗?"));
        QCOMPARE(MessageBox::last().icon, QMessageBox::Question);
        QCOMPARE(storedColours(f, chosen), 1);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click(&colours, "SpeedButton3");
        QCOMPARE(storedColours(f, chosen), 0);
        QTRY_VERIFY(combo->findText(QString::number(chosen)) < 0);
    }

    void refusedOrCancelledColoursAddNothing_data() { testsupport::addEngineRows(); }
    void refusedOrCancelledColoursAddNothing()
    {
        QFETCH(QString, engine);
        DictionaryFixture f(engine);
        ColorWindow colours(f.dm);
        colours.show();
        const int before = f.dm.tblColor.rowCount();

        ColorDialog::setNextCancel();
        click(&colours, "SpeedButton1");
        QCOMPARE(ColorDialog::calls().size(), 1);
        QCOMPARE(f.dm.tblColor.rowCount(), before);
        QVERIFY(MessageBox::history().isEmpty());

        // A colour already listed: the store's refusal is shown and the refused row does not
        // stay pending in the shared colour table.
        ColorDialog::setNextColor(0x0000FF);
        click(&colours, "SpeedButton1");
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
        QVERIFY2(MessageBox::last().text.contains(QStringLiteral("ColorID")),
                 qPrintable(MessageBox::last().text));
        QCOMPARE(f.dm.tblColor.state(), State::Browse);
        QCOMPARE(f.dm.tblColor.rowCount(), before);
        QCOMPARE(storedColours(f, 0x0000FF), 1);
    }

    void swatchFollowsTheSelectedRow()
    {
        DictionaryFixture f(QStringLiteral("sqlite"));
        f.dm.tblColor.open();
        f.dm.tblColor.first();
        ColorWindow colours(f.dm);
        colours.show();
        QVERIFY(QTest::qWaitForWindowExposed(&colours));
        QCOMPARE(panelColour(&colours),
                 ColorDialog::fromColorRef(f.dm.tblColor.value(QStringLiteral("ColorID")).toInt()));

        QTreeView *view = colours.findChild<DataGrid *>(QStringLiteral("dxDBGrid1"))->view();
        const QModelIndex third = view->model()->index(2, 0);
        QCOMPARE(third.data().toString(), QString::number(0xFF0000));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(third).center());
        QCOMPARE(f.dm.tblColor.currentRow(), 2);
        QCOMPARE(panelColour(&colours), QColor(0, 0, 0xFF));

        // 删除 on an empty list still asks, then has nothing to remove.
        f.dm.connection().exec(QStringLiteral("DELETE FROM tblColor"));
        f.dm.tblColor.refresh();
        QCOMPARE(panelColour(&colours), QColor(0, 0, 0));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click(&colours, "SpeedButton3");
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, QStringLiteral("真的要删除该条记录吗?"));
        QVERIFY(f.dm.tblColor.isEmpty());
    }

    void removedColourStaysOnItsRows()
    {
        DictionaryFixture f(QStringLiteral("sqlite"));
        DictionaryEditor editor(f.ws,
                                *DictionaryMember::forCommand(QStringLiteral("Act_CustLevel")));
        auto *combo = editor.findChild<ColorCombo *>(QStringLiteral("dxDBEdtLevelColor"));
        QVERIFY(f.dm.tblCustLevel.locate(QStringLiteral("LevelID"), QStringLiteral("A")));
        const int colour = f.dm.tblCustLevel.value(QStringLiteral("LevelColor")).toInt();
        QVERIFY(f.dm.tblColor.locate(QStringLiteral("ColorID"), colour));
        f.dm.tblColor.remove();
        QTRY_VERIFY(!combo->colours().contains(colour));
        // The level keeps its number, the field still shows it, and a save needs no new colour.
        QCOMPARE(combo->currentText(), QString::number(colour));
        QCOMPARE(swatchColour(combo->itemIcon(combo->currentIndex())),
                 ColorDialog::fromColorRef(colour));
        auto *name = editor.findChild<QLineEdit *>(QStringLiteral("dxDBEdtLevelName"));
        name->selectAll();
        typeText(name, QStringLiteral("Top"));
        editor.findChild<QAction *>(QStringLiteral("Act_Save"))->trigger();
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(f.storedRows(QStringLiteral("tblCustLevel"), QStringLiteral("LevelColor"), colour),
                 1);
        QCOMPARE(f.storedRows(QStringLiteral("tblCustLevel"), QStringLiteral("LevelName"),
                              QStringLiteral("Top")),
                 1);
    }
};

QTEST_MAIN(TestColorWindow)
#include "tst_colorwindow.moc"
