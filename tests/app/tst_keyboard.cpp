// The whole program with the keyboard alone: no key is held by two commands where the focus
// is, the main window's function keys work from every module, and Tab reaches the commands.
#include "commandenabler.h"
#include "desktopfixture.h"
#include "mainwindow.h"
#include "testwidgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

class TestKeyboard : public QObject
{
    Q_OBJECT
    std::unique_ptr<Desktop> m_desk;

  private Q_SLOTS:
    void init() { m_desk = std::make_unique<Desktop>(); }
    void cleanup() { m_desk.reset(); }

    // Wherever the focus stands in a module, on any of its pages, every key answers one
    // command at most.
    void noKeyIsHeldTwiceWhereverTheFocusIs()
    {
        QStringList clashes;
        for (const char *command : Desktop::modules()) {
            QWidget *panel = m_desk->open(QLatin1String(command));
            QTabWidget *pages = m_desk->pages();
            for (int page = 0; page < (pages ? pages->count() : 1); ++page) {
                if (pages)
                    pages->setCurrentIndex(page);
                m_desk->main->enabler().update();
                for (QWidget *w : Desktop::focusable(panel)) {
                    w->setFocus(Qt::TabFocusReason);
                    clashes += testsupport::shortcutClashes(w);
                }
            }
            if (pages)
                pages->setCurrentIndex(0);
        }
        clashes.removeDuplicates();
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
    }

    // F2 to F9 pressed where each module puts the focus when it is shown, as real key events
    // to the focused widget: each key shows its module or opens its window.
    void functionKeysWorkFromEveryModule()
    {
        const struct {
            Qt::Key key;
            const char *shows; // the module panel, or the modal window it opens
            bool modal;
        } keys[] = {{Qt::Key_F2, "TfrmCustomers", false}, {Qt::Key_F3, "TfrmLinkman", false},
                    {Qt::Key_F4, "TfrmOperaters", false}, {Qt::Key_F5, "TfrmOperates", false},
                    {Qt::Key_F6, "PnClient", false},      {Qt::Key_F7, "TfrmBoard", true},
                    {Qt::Key_F8, "TfrmMail", false},      {Qt::Key_F9, "TfrmEnvelop", true}};
        QStringList failed;
        for (const char *command : Desktop::modules()) {
            for (const auto &k : keys) {
                QWidget *panel = m_desk->open(QLatin1String(command));
                testsupport::untilIdle(); // the enabling of the idle moment
                QWidget *focus = QApplication::focusWidget();
                if (!focus || !panel->isAncestorOf(focus)) {
                    failed << QStringLiteral("%1: the focus is not in the module")
                                  .arg(QLatin1String(command));
                    break;
                }
                // The hook outlives a window that never opens; it writes into its own copy.
                auto opened = std::make_shared<QString>();
                if (k.modal) {
                    testsupport::whenModal(QLatin1String(k.shows), [opened](QWidget *w) {
                        *opened = w->objectName();
                        static_cast<QDialog *>(w)->reject();
                    });
                }
                const QString at = testsupport::describe(focus);
                QTest::keyClick(focus, k.key); // a modal window runs and is closed in here
                if (!k.modal)
                    *opened = m_desk->main->currentContent()->objectName();
                if (*opened != QLatin1String(k.shows))
                    failed << QStringLiteral("%1 from %2 (%3) did not reach %4")
                                  .arg(QKeySequence(k.key).toString(), QLatin1String(command), at,
                                       QLatin1String(k.shows));
            }
        }
        QVERIFY2(failed.isEmpty(), qPrintable(failed.join(QLatin1Char('\n'))));
    }

    // Tab, pressed from where a module puts the focus, comes to every command of the page on
    // view, in the order of its tool bar, on its way round the window.
    void tabReachesEveryCommandOfThePage()
    {
        QStringList missed;
        for (const char *command : Desktop::modules()) {
            QWidget *panel = m_desk->open(QLatin1String(command));
            QTabWidget *pages = m_desk->pages();
            for (int page = 0; page < (pages ? pages->count() : 1); ++page) {
                m_desk->open(QLatin1String(command)); // the module's own first focus
                if (pages)
                    pages->setCurrentIndex(page);
                testsupport::untilIdle();
                QWidget *start = QApplication::focusWidget();
                QList<QWidget *> visited{start};
                for (int i = 0; i < 400; ++i) {
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    if (QApplication::focusWidget() == start)
                        break;
                    visited << QApplication::focusWidget();
                }
                for (QToolBar *bar : panel->findChildren<QToolBar *>()) {
                    if (!bar->isVisible())
                        continue;
                    QList<QWidget *> buttons;
                    for (QAction *a : bar->actions())
                        if (QWidget *b = bar->widgetForAction(a); b && b->isVisible() &&
                                                                  b->isEnabled() &&
                                                                  (b->focusPolicy() & Qt::TabFocus))
                            buttons << b;
                    // The bar's buttons, in their order, among the widgets Tab came to.
                    qsizetype at = 0;
                    for (QWidget *b : std::as_const(buttons)) {
                        at = visited.indexOf(b, at);
                        if (at < 0) {
                            missed << QStringLiteral("%1 page %2: %3")
                                          .arg(QLatin1String(command))
                                          .arg(page)
                                          .arg(testsupport::describe(b));
                            break;
                        }
                    }
                }
            }
        }
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
