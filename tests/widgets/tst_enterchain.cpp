// Enter moves along the chain to the next input that can take the focus, a memo may keep Enter
// for new lines, and Enter in the last input presses the window's button.
#include "enterchain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

class TestEnterChain : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void enterMovesToTheNextUsableInput()
    {
        QWidget w;
        auto *layout = new QVBoxLayout(&w);
        auto *code = new QLineEdit, *locked = new QLineEdit, *hidden = new QLineEdit;
        auto *kind = new QComboBox;
        auto *name = new QLineEdit;
        auto *memo = new QPlainTextEdit, *note = new QPlainTextEdit;
        auto *save = new QPushButton(QStringLiteral("保存"));
        kind->setEditable(true);
        const QList<QWidget *> all{code, locked, hidden, kind, name, memo, note, save};
        for (QWidget *x : all)
            layout->addWidget(x);
        locked->setEnabled(false);
        hidden->hide();

        EnterChain chain({code, locked, hidden, kind, name, memo, note});
        chain.setKeepsEnter(note);
        chain.setFinalButton(save);
        QSignalSpy saved(save, &QPushButton::clicked);

        QTest::keyClick(code, Qt::Key_Return);
        // Past the disabled and the hidden input to the combo box (its line edit takes keys).
        QVERIFY(w.focusWidget() == kind || w.focusWidget() == kind->lineEdit());

        // The key goes to the editable combo box's own line edit.
        QTest::keyClick(kind->lineEdit(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w.focusWidget(), name);

        locked->setEnabled(true); // the chain looks at the inputs as they are now
        QTest::keyClick(code, Qt::Key_Return);
        QCOMPARE(w.focusWidget(), locked);

        // A memo without the option moves on; Shift+Enter still breaks the line.
        QTest::keyClick(memo, Qt::Key_Return, Qt::ShiftModifier);
        const QString broken = memo->toPlainText();
        QCOMPARE(broken, QStringLiteral("\n"));
        QTest::keyClick(memo, Qt::Key_Return);
        QCOMPARE(w.focusWidget(), note);
        QCOMPARE(memo->toPlainText(), broken);

        // The memo that keeps Enter takes it as a new line; it is last, so nothing is saved.
        QTest::keyClicks(note, QStringLiteral("a"));
        QTest::keyClick(note, Qt::Key_Return);
        QCOMPARE(note->blockCount(), 2);
        QCOMPARE(saved.count(), 0);

        // Enter in the last input that passes it on presses the button.
        chain.setKeepsEnter(note, false);
        QTest::keyClick(note, Qt::Key_Return);
        QCOMPARE(saved.count(), 1);
        save->setEnabled(false);
        QVERIFY(!chain.advance(note));
        QCOMPARE(saved.count(), 1);
    }
};

QTEST_MAIN(TestEnterChain)
#include "tst_enterchain.moc"
