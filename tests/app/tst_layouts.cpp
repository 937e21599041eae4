// The whole program by eye, at the main window's own 1180x760: no label or input hides another,
// every input is wide enough for what its column holds, every page fits or scrolls, and each
// window's keys are held once.
#include "aboutwindow.h"
#include "agentcontactdialog.h"
#include "agenteditordialog.h"
#include "agentpicker.h"
#include "agentquerydialog.h"
#include "assignwindow.h"
#include "backupwindow.h"
#include "boardwindow.h"
#include "calculatordialog.h"
#include "calendardialog.h"
#include "colorwindow.h"
#include "commandenabler.h"
#include "contacteditordialog.h"
#include "contactquerydialog.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "departmentchooser.h"
#include "desktopfixture.h"
#include "dictionaryeditor.h"
#include "dictionarymember.h"
#include "envelopesetdialog.h"
#include "envelopewindow.h"
#include "filepanel.h"
#include "inoutquerydialog.h"
#include "loginwindow.h"
#include "logwindow.h"
#include "mailmemodialog.h"
#include "mailmessage.h"
#include "mailserverdialog.h"
#include "mainwindow.h"
#include "newfiledialog.h"
#include "passwordwindow.h"
#include "pastefiledialog.h"
#include "planquerydialog.h"
#include "recordentrydialog.h"
#include "recorditemdialog.h"
#include "recordquerydialog.h"
#include "referrerquerydialog.h"
#include "restorewindow.h"
#include "rightwindow.h"
#include "scheduleform.h"
#include "schedulepanel.h"
#include "serverwindow.h"
#include "session.h"
#include "smtpclient.h"
#include "systeminfodialog.h"
#include "testwidgets.h"
#include "userinfowindow.h"
#include "userwindow.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <functional>

namespace
{

// An input is wide enough when it shows as many digits as its column holds, up to thirty,
// without scrolling them: a line edit of its size and font holding them keeps the first digit
// at its left edge with the cursor after the last one.
QStringList narrowInputs(QWidget *root)
{
    QStringList narrow;
    for (const DbLineEdit *e : root->findChildren<DbLineEdit *>()) {
        if (!e->isVisible() || e->maxLength() >= 32767)
            continue;
        QLineEdit probe;
        probe.setFont(e->font());
        probe.setTextMargins(e->textMargins());
        probe.setFixedSize(e->size());
        probe.setText(QString(qMin(e->maxLength(), 30), QLatin1Char('0')));
        probe.end(false);
        probe.grab(); // the line edit scrolls its text as it paints
        if (probe.cursorPositionAt(QPoint(probe.rect().left() + 1, probe.height() / 2)) != 0)
            narrow << QStringLiteral("%1 (%2 px for %3 characters)")
                          .arg(testsupport::describe(e))
                          .arg(e->width())
                          .arg(e->maxLength());
    }
    return narrow;
}

QStringList clashesIn(QWidget *root)
{
    QStringList clashes;
    for (QWidget *w : Desktop::focusable(root)) {
        w->setFocus(Qt::TabFocusReason);
        clashes += testsupport::shortcutClashes(w);
    }
    return clashes;
}

// Everything a window must not do to the eye, each line naming the window.
QStringList problemsOf(const QString &name, QWidget *root)
{
    QStringList problems;
    const auto add = [&](const QString &kind, const QStringList &found) {
        for (const QString &f : found)
            problems << QStringLiteral("%1: %2 %3").arg(name, kind, f);
    };
    add(QStringLiteral("overlap"), testsupport::overlappingWidgets(root));
    add(QStringLiteral("cut off"), testsupport::cutOffWidgets(root));
    add(QStringLiteral("narrow"), narrowInputs(root));
    return problems;
}

} // namespace

class TestLayouts : public QObject
{
    Q_OBJECT
    std::unique_ptr<Desktop> m_desk;

  private Q_SLOTS:
    void initTestCase() { m_desk = std::make_unique<Desktop>(); }
    void cleanupTestCase() { m_desk.reset(); }

    // Every dialog as it opens: nothing hides anything, inputs are wide enough, everything is
    // in sight, and no key is held twice.
    void dialogs()
    {
        Desktop &d = *m_desk;
        // The modules' datasets open, as they are when their dialogs are used.
        for (const char *command :
             {"Act_Customers", "Act_Linkman", "Act_Operaters", "Act_OperatesInfo", "Act_Plan"})
            d.open(QLatin1String(command));
        Workspace &ws = d.main->workspace();
        store::DataModule &dm = d.dm;
        MailMessage message;
        MailServerForm server;
        SmtpClient client;
        const QString files = store::session().FilesDir;
        using Make = std::function<QDialog *()>;
        QList<Make> dialogs = {
            [&]() -> QDialog * { return new PasswordWindow(dm); },
            [&]() -> QDialog * { return new UserWindow(dm); },
            [&]() -> QDialog * { return new RightWindow(dm); },
            [&]() -> QDialog * { return new BackupWindow(dm); },
            [&]() -> QDialog * { return new RestoreWindow(dm); },
            [&]() -> QDialog * { return new LogWindow(dm); },
            [&]() -> QDialog * { return new UserInfoWindow(dm); },
            [&]() -> QDialog * { return new ServerWindow(dm); },
            [&]() -> QDialog * { return new AboutWindow; },
            [&]() -> QDialog * { return new LoginWindow(dm); },
            [&]() -> QDialog * { return new ColorWindow(dm); },
            [&]() -> QDialog * { return new AgentQueryDialog(AgentQueryDialog::Member::List, dm); },
            [&]() -> QDialog * {
                return new AgentQueryDialog(AgentQueryDialog::Member::Picker, dm);
            },
            [&]() -> QDialog * { return new AgentPicker(AgentPicker::Member::Contact, ws); },
            [&]() -> QDialog * { return new AgentPicker(AgentPicker::Member::Record, ws); },
            [&]() -> QDialog * { return new AgentPicker(AgentPicker::Member::Schedule, ws); },
            [&]() -> QDialog * { return new AgentEditorDialog(ws); },
            [&]() -> QDialog * { return new AgentContactDialog(ws); },
            [&]() -> QDialog * {
                return new ContactQueryDialog(ContactQueryDialog::Member::List, dm);
            },
            [&]() -> QDialog * {
                return new ContactQueryDialog(ContactQueryDialog::Member::Mail, dm);
            },
            [&]() -> QDialog * { return new ContactEditorDialog(ws); },
            [&]() -> QDialog * { return new RecordQueryDialog(dm); },
            [&]() -> QDialog * { return new RecordEntryDialog(ws); },
            [&]() -> QDialog * { return new RecordItemDialog(ws); },
            [&]() -> QDialog * { return new ReferrerQueryDialog(dm); },
            [&]() -> QDialog * { return new PlanQueryDialog(dm.qryPlan); },
            [&]() -> QDialog * { return new DepartmentChooser(dm); },
            [&]() -> QDialog * { return new BoardWindow(ws); },
            [&]() -> QDialog * { return new AssignWindow(ws); },
            [&]() -> QDialog * { return new InOutQueryDialog(dm); },
            [&]() -> QDialog * { return new EnvelopeWindow(ws); },
            [&]() -> QDialog * { return new EnvelopeSetDialog(dm); },
            [&]() -> QDialog * { return new MailMemoDialog(message); },
            [&]() -> QDialog * { return new MailServerDialog(server, message, client); },
            [&]() -> QDialog * { return new NewFileDialog(files); },
            [&]() -> QDialog * { return new PasteFileDialog(QStringLiteral("复制文件"), files); },
            [&]() -> QDialog * { return new CalculatorDialog; },
            [&]() -> QDialog * { return new CalendarDialog; },
            [&]() -> QDialog * { return new SystemInfoDialog; },
        };
        for (const DictionaryMember &m : DictionaryMember::all())
            dialogs << [&ws, &m]() -> QDialog * { return new DictionaryEditor(ws, m); };

        QStringList problems;
        for (const Make &make : std::as_const(dialogs)) {
            std::unique_ptr<QDialog> dialog(make());
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            dialog->activateWindow();
            d.main->enabler().update();
            const QString name =
                dialog->objectName().isEmpty() ? dialog->windowTitle() : dialog->objectName();
            problems += problemsOf(name, dialog.get());
            for (const QString &clash : clashesIn(dialog.get()))
                problems << name + QStringLiteral(": keys ") + clash;
            if (dialog->width() > 1366 || dialog->height() > 768)
                problems << QStringLiteral("%1: %2x%3 is larger than the screen")
                                .arg(name)
                                .arg(dialog->width())
                                .arg(dialog->height());
            dialog->reject();
        }
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Each module's pages (and the pages inside them) at 1180x760, with the navigation panel and
    // without it as while a record is edited: nothing hides anything, inputs are wide enough,
    // and what does not fit scrolls.
    void modulePages()
    {
        Desktop &d = *m_desk;
        QStringList problems;
        for (const char *command : Desktop::modules()) {
            for (const bool navigation : {true, false}) {
                QWidget *panel = d.open(QLatin1String(command));
                d.main->setNavigationVisible(navigation);
                QTabWidget *pages = d.pages();
                for (int page = 0; page < (pages ? pages->count() : 1); ++page) {
                    if (pages)
                        pages->setCurrentIndex(page);
                    const QString name =
                        QStringLiteral("%1 page %2%3")
                            .arg(QLatin1String(command))
                            .arg(page)
                            .arg(navigation ? QString() : QStringLiteral(" (whole window)"));
                    QCoreApplication::processEvents();
                    problems += problemsOf(name, panel);
                    for (QTabWidget *inner : panel->findChildren<QTabWidget *>()) {
                        if (inner == pages || !inner->isVisible())
                            continue;
                        for (int i = 0; i < inner->count(); ++i) {
                            inner->setCurrentIndex(i);
                            QCoreApplication::processEvents();
                            problems +=
                                problemsOf(name + QStringLiteral(" / ") + inner->tabText(i), panel);
                        }
                        inner->setCurrentIndex(0);
                    }
                }
                if (pages)
                    pages->setCurrentIndex(0);
            }
            d.main->setNavigationVisible(true);
        }
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // A contact's details show whole at 1180x760, down to its 备注, with the agent's page
    // below them: nothing to scroll for.
    void contactDetailsShowWhole()
    {
        Desktop &d = *m_desk;
        QStringList cut;
        for (const bool navigation : {false, true}) {
            QWidget *contacts = d.open(QStringLiteral("Act_Linkman"));
            contacts->findChild<QAction *>(QStringLiteral("Act_Modify"))->trigger();
            d.main->setNavigationVisible(navigation);
            QWidget *details = d.pages()->currentWidget();
            QCOMPARE(details->objectName(), QStringLiteral("tsDetail"));
            QCoreApplication::processEvents();
            cut += testsupport::cutOffWidgets(details, false);
            contacts->findChild<QAction *>(QStringLiteral("Act_Cancel"))->trigger();
        }
        d.main->setNavigationVisible(true);
        cut.removeDuplicates();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char(' '))));
    }

    // The file panel stands on top at the right edge of the main window; no input, button or
    // list of the schedule's details lies under it, with or without the navigation panel.
    void scheduleDetailsKeepClearOfTheFilePanel()
    {
        Desktop &d = *m_desk;
        d.open(QStringLiteral("Act_Plan"));
        FilePanel *files = d.main->filePanel();
        QVERIFY(files->isVisible());
        auto *schedule = qobject_cast<SchedulePanel *>(d.main->schedulePanel());
        QRect covered = files->frameGeometry();
        covered.setBottom(covered.bottom() + 32); // the title bar a window manager adds
        QStringList under;
        for (const bool navigation : {false, true}) {
            schedule->action(QStringLiteral("Act_Modify"))
                ->trigger(); // the details of the first entry
            d.main->setNavigationVisible(navigation);
            QTabWidget *sub = schedule->form()->subTabs();
            for (int i = 0; i < sub->count(); ++i) {
                sub->setCurrentIndex(i);
                QCoreApplication::processEvents();
                for (const QWidget *w : testsupport::onScreenThings(schedule->detailPage()))
                    if (QRect(w->mapToGlobal(QPoint(0, 0)), w->size()).intersects(covered))
                        under << testsupport::describe(w);
            }
            schedule->action(QStringLiteral("Act_Cancel"))->trigger();
        }
        under.removeDuplicates();
        QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
