// The modal services answer from their queues while scripted and record how they were asked;
// the built-in calculator, calendar and system-information tools work on their own.
#include "calculator.h"
#include "calculatordialog.h"
#include "calendardialog.h"
#include "colordialog.h"
#include "desktopservices.h"
#include "filedialog.h"
#include "messagebox.h"
#include "printdialog.h"
#include "systeminfodialog.h"
#include "tessalyapplication.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace
{
// Runs `read` on the modal window that the next call opens, then closes it as `answer` would.
template <typename Window> void whenShown(std::function<void(Window *)> read)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, read] {
        auto *w = qobject_cast<Window *>(QApplication::activeModalWidget());
        if (!w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        read(w);
        w->reject();
    });
    timer->start();
}

QStringList buttonTexts(const QList<QAbstractButton *> &buttons)
{
    QStringList texts;
    for (const QAbstractButton *b : buttons)
        if (b->isVisible())
            texts << b->text();
    texts.sort();
    return texts;
}
} // namespace

class TestServices : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void init()
    {
        QVERIFY(MessageBox::isScripted());
        FileDialog::clearHistory();
        ColorDialog::clearHistory();
        PrintDialog::clearHistory();
        DesktopServices::clearHistory();
        CalculatorDialog::clearHistory();
        CalendarDialog::clearHistory();
    }

    void fileDialogsTakeQueuedNames()
    {
        FileDialog::setNextFileName(QStringLiteral("/data/in.txt"));
        FileDialog::setNextFileName(QStringLiteral("/data/out"));
        FileDialog::setNextFileName(QStringLiteral("/data/list.csv"));

        QCOMPARE(FileDialog::getOpenFileName(nullptr, QStringLiteral("打开"),
                                             QStringLiteral("/data"),
                                             QStringLiteral("文本文件 (*.txt)")),
                 QStringLiteral("/data/in.txt"));
        // A name typed without an extension gets the default one; one with its own keeps it.
        QCOMPARE(
            FileDialog::getSaveFileName(nullptr, QStringLiteral("保存"), QStringLiteral("/data"),
                                        QStringLiteral("邮件地址.txt"),
                                        QStringLiteral("文本文件 (*.txt)"), QStringLiteral("txt")),
            QStringLiteral("/data/out.txt"));
        QCOMPARE(FileDialog::getSaveFileName(nullptr, QStringLiteral("保存"), QString(), QString(),
                                             QString(), QStringLiteral(".txt")),
                 QStringLiteral("/data/list.csv"));
        // Nothing queued is a cancel.
        QVERIFY(
            FileDialog::getExistingDirectory(nullptr, QStringLiteral("备份到"), QStringLiteral("/"))
                .isEmpty());

        QCOMPARE(FileDialog::calls().size(), 4);
        const FileDialog::Call save = FileDialog::calls().at(1);
        QCOMPARE(save.kind, FileDialog::Kind::Save);
        QCOMPARE(save.folder, QStringLiteral("/data"));
        QCOMPARE(save.proposedName, QStringLiteral("邮件地址.txt"));
        QCOMPARE(save.filter, QStringLiteral("文本文件 (*.txt)"));
        QCOMPARE(save.defaultSuffix, QStringLiteral("txt"));
        QCOMPARE(FileDialog::last().kind, FileDialog::Kind::Folder);
    }

    void colourNumbersKeepRedInTheLowestByte()
    {
        QCOMPARE(ColorDialog::toColorRef(QColor(255, 0, 0)), 0x0000FF);
        QCOMPARE(ColorDialog::toColorRef(QColor(0, 0, 255)), 0xFF0000);
        QCOMPARE(ColorDialog::toColorRef(QColor(0x12, 0x34, 0x56)), 0x563412);
        QCOMPARE(ColorDialog::fromColorRef(0x563412), QColor(0x12, 0x34, 0x56));

        ColorDialog::setNextColor(0x00FF00);
        ColorDialog::setNextCancel();
        QCOMPARE(ColorDialog::getColor(nullptr, 0x0000FF), std::optional<int>(0x00FF00));
        QCOMPARE(ColorDialog::getColor(nullptr, 0x123456), std::optional<int>());
        QCOMPARE(ColorDialog::getColor(nullptr, 0), std::optional<int>()); // none queued
        QCOMPARE(ColorDialog::calls().size(), 3);
        QCOMPARE(ColorDialog::calls().at(1).initial, 0x123456);
    }

    void printDialogTakesQueuedAnswers()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        PrintDialog::setNextAccept(pdf);
        PrintDialog::setNextReject();

        QPrinter printer;
        QVERIFY(PrintDialog::exec(&printer, nullptr));
        QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
        QCOMPARE(printer.outputFileName(), pdf);
        QVERIFY(!PrintDialog::exec(&printer, nullptr));
        QVERIFY(!PrintDialog::exec(&printer, nullptr)); // none queued
        QCOMPARE(PrintDialog::calls().size(), 3);
    }

    void desktopRecordsInsteadOfLaunching()
    {
        QVERIFY(DesktopServices::openAddress(QStringLiteral(" www.example.com ")));
        QVERIFY(DesktopServices::sendMail(QStringLiteral("zhang@example.cn")));
        QVERIFY(DesktopServices::sendMail(QStringLiteral("mailto:li@example.cn")));
        QVERIFY(DesktopServices::openFolder(QStringLiteral("/tmp/Files/C001")));
        DesktopServices::showCalculator(nullptr);
        DesktopServices::showSystemInfo(nullptr);

        const QList<DesktopServices::Call> calls = DesktopServices::calls();
        QCOMPARE(calls.size(), 6);
        QCOMPARE(calls[0].target, QStringLiteral("http://www.example.com"));
        QCOMPARE(calls[1].kind, DesktopServices::Kind::Mail);
        QCOMPARE(calls[1].target, QStringLiteral("mailto:zhang@example.cn"));
        QCOMPARE(calls[2].target, QStringLiteral("mailto:li@example.cn"));
        QCOMPARE(calls[3].target,
                 QUrl::fromLocalFile(QStringLiteral("/tmp/Files/C001")).toString());
        QCOMPARE(calls[4].kind, DesktopServices::Kind::Calculator);
        QCOMPARE(calls[5].kind, DesktopServices::Kind::SystemInfo);
        // Scripted tools open no window.
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    void calculatorArithmetic_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::newRow("left to right") << "12+7*2="
                                       << "38";
        QTest::newRow("decimals") << "0.1+0.2="
                                  << "0.3";
        QTest::newRow("division") << "7/2="
                                  << "3.5";
        QTest::newRow("second operator replaces") << "5+*3="
                                                  << "15";
        QTest::newRow("chained equals result") << "2*3=+4="
                                               << "10";
        QTest::newRow("negate") << "9n-1="
                                << "-10";
        QTest::newRow("backspace") << "123bb4="
                                   << "14";
        QTest::newRow("one point only") << "1..5+1="
                                        << "2.5";
        QTest::newRow("divide by zero") << "8/0="
                                        << "除数不能为零";
        QTest::newRow("digit after error starts over") << "8/0=4"
                                                       << "4";
    }

    void calculatorArithmetic()
    {
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        using Op = Calculator::Op;
        Calculator c;
        for (QChar k : keys) {
            if (k.isDigit())
                c.digit(k.digitValue());
            else if (k == u'.')
                c.point();
            else if (k == u'+')
                c.operation(Op::Add);
            else if (k == u'-')
                c.operation(Op::Subtract);
            else if (k == u'*')
                c.operation(Op::Multiply);
            else if (k == u'/')
                c.operation(Op::Divide);
            else if (k == u'=')
                c.equals();
            else if (k == u'n')
                c.negate();
            else if (k == u'b')
                c.backspace();
        }
        QCOMPARE(c.display(), shown);
    }

    void calculatorDialogButtonsAndKeys()
    {
        CalculatorDialog d;
        QCOMPARE(d.windowTitle(), QStringLiteral("计算器"));
        for (const char *name : {"btn1", "btn2", "btnMultiply", "btn3", "btnEquals"})
            QTest::mouseClick(d.findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
        QCOMPARE(d.displayText(), QStringLiteral("36"));
        QTest::keyClicks(&d, QStringLiteral("/4"));
        QTest::keyClick(&d, Qt::Key_Return); // Enter finishes the sum and keeps the dialog open
        QCOMPARE(d.displayText(), QStringLiteral("9"));
        QVERIFY(d.result() != QDialog::Accepted);

        d.setValue(2.5);
        QTest::keyClicks(&d, QStringLiteral("*2"));
        auto *ok = d.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.value(), 5.0);

        CalculatorDialog::setNextResult(12.5);
        QCOMPARE(CalculatorDialog::getValue(nullptr, 3), std::optional<double>(12.5));
        QCOMPARE(CalculatorDialog::getValue(nullptr, 4), std::optional<double>());
        QCOMPARE(CalculatorDialog::calls(), (QList<double>{3, 4}));
    }

    void calendarAndSystemInformation()
    {
        CalendarDialog cal;
        QCOMPARE(cal.windowTitle(), QStringLiteral("日历"));
        QCOMPARE(cal.findChild<QCalendarWidget *>(QStringLiteral("calendar"))->selectedDate(),
                 QDate::currentDate());
        CalendarDialog::setNextDate(QDate(2024, 2, 29));
        QCOMPARE(CalendarDialog::getDate(nullptr, QDate(2024, 1, 1)),
                 std::optional<QDate>(QDate(2024, 2, 29)));
        QCOMPARE(CalendarDialog::calls(), QList<QDate>{QDate(2024, 1, 1)});

        SystemInfoDialog info;
        QCOMPARE(info.windowTitle(), QStringLiteral("系统信息"));
        QHash<QString, QString> facts;
        for (const auto &[caption, value] : SystemInfoDialog::facts())
            facts.insert(caption, value);
        QCOMPARE(facts.value(QStringLiteral("Qt 版本")), QString::fromLatin1(qVersion()));
        QCOMPARE(facts.value(QStringLiteral("处理器数量")),
                 QString::number(QThread::idealThreadCount()));
        QVERIFY(!facts.value(QStringLiteral("操作系统")).isEmpty());
        QVERIFY(!facts.value(QStringLiteral("物理内存")).isEmpty());
        QVERIFY(facts.contains(QStringLiteral("屏幕")));
        QCOMPARE(info.findChild<QTreeWidget *>()->topLevelItemCount(),
                 int(SystemInfoDialog::facts().size()));
    }

    // The boxes and dialogs that Qt draws speak Chinese like the rest of the program.
    void qtStandardTextsAreChinese()
    {
        QVERIFY(TessalyApplication::useChineseTexts());
        MessageBox::setScripted(false);
        const auto scripted = qScopeGuard([] { MessageBox::setScripted(true); });

        QStringList box;
        whenShown<QMessageBox>([&box](QMessageBox *m) { box = buttonTexts(m->buttons()); });
        QVERIFY(!MessageBox::confirm(nullptr, QStringLiteral("您真的要删除该日程安排记录吗？")));
        QCOMPARE(box, (QStringList{QStringLiteral("取消"), QStringLiteral("确定")}));
        whenShown<QMessageBox>([&box](QMessageBox *m) { box = buttonTexts(m->buttons()); });
        QVERIFY(!MessageBox::question(nullptr, QStringLiteral("真的要退出本系统吗？")));
        QCOMPARE(box, (QStringList{QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));

        QStringList dialog;
        QString lookIn;
        whenShown<QFileDialog>([&](QFileDialog *d) {
            dialog = buttonTexts(d->findChild<QDialogButtonBox *>()->buttons());
            lookIn = d->findChild<QLabel *>(QStringLiteral("lookInLabel"))->text();
        });
        QTemporaryDir dir;
        QVERIFY(FileDialog::getSaveFileName(
                    nullptr, QStringLiteral("Email地址导出"), dir.path(), QStringLiteral("Email"),
                    QStringLiteral("文本文件(*.txt)"), QStringLiteral("txt"))
                    .isEmpty());
        QCOMPARE(dialog, (QStringList{QStringLiteral("保存(&S)"), QStringLiteral("取消")}));
        QCOMPARE(lookIn, QStringLiteral("查找范围："));

        CalendarDialog cal;
        auto *month = cal.findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"));
        cal.findChild<QCalendarWidget *>(QStringLiteral("calendar"))->setCurrentPage(2024, 12);
        QCOMPARE(month->text(), QStringLiteral("十二月"));
    }

    // On a desktop without a browser or a mail program, help, web and mail links say so
    // instead of doing nothing.
    void desktopSaysWhenNothingHereCanOpenIt()
    {
        MessageBox::setScripted(false);
        const auto scripted = qScopeGuard([] { MessageBox::setScripted(true); });
        QHash<QByteArray, QByteArray> saved;
        for (const char *name :
             {"PATH", "BROWSER", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
              "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"}) {
            if (qEnvironmentVariableIsSet(name))
                saved.insert(name, qgetenv(name));
            if (qstrcmp(name, "PATH") != 0)
                qunsetenv(name);
        }
        const auto restore = qScopeGuard([&saved] {
            for (auto it = saved.cbegin(); it != saved.cend(); ++it)
                qputenv(it.key(), it.value());
        });
        QTemporaryDir dir;
        const QString help = dir.filePath(QStringLiteral("Help.html"));
        QFile page(help);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();

        // xdg-open is there but finds no program to hand the link to.
        const auto said = [](std::function<void()> ask) {
            auto text = std::make_shared<QString>();
            whenShown<QMessageBox>([text](QMessageBox *m) { *text = m->text(); });
            ask();
            if (!QTest::qWaitFor([text] { return !text->isEmpty(); }, 15000))
                return QString();
            return *text;
        };
        QVERIFY(said([] {
                    DesktopServices::openAddress(QStringLiteral("www.example.com"));
                }).contains(QStringLiteral("浏览器")));
        QVERIFY(said([] {
                    DesktopServices::sendMail(QStringLiteral("a@example.com"));
                }).contains(QStringLiteral("邮件程序")));
        QVERIFY(said([&help] {
                    DesktopServices::openFile(help);
                }).contains(QStringLiteral("Help.html")));

        // Without xdg-open either.
        qputenv("PATH", QFile::encodeName(dir.path()));
        QVERIFY(said([] {
                    DesktopServices::openAddress(QStringLiteral("www.example.com"));
                }).contains(QStringLiteral("浏览器")));
        QVERIFY(said([] {
                    DesktopServices::openFile(QStringLiteral("/no/such/Help.html"));
                }).contains(QStringLiteral("不存在")));
    }
};

QTEST_MAIN(TestServices)
#include "tst_services.moc"
