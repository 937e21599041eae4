// Group mail and envelopes reached from the main window (F8, F9, the file panel's picture), and
// the envelope window's list and prints.
#include "datagrid.h"
#include "datamodule.h"
#include "datasetmodel.h"
#include "envelopewindow.h"
#include "filepanel.h"
#include "mail.h"
#include "mailfixture.h"
#include "mailwindow.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "printing.h"
#include "reportengine.h"
#include "reportoutput.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace
{

void addContacts(MailFixture &f)
{
    f.addAgent(u"A01"_s, u"星桥贸易"_s, u"Admin"_s,
               {{u"PostCode"_s, u"100080"_s}, {u"Address"_s, u"北京市海淀区一号"_s}});
    f.addAgent(u"B02"_s, u"远方公司"_s, u"someone"_s,
               {{u"PostCode"_s, u"200000"_s}, {u"Address"_s, u"上海市二号"_s}});
    f.addContact(u"L1"_s, u"王一"_s, u"A01"_s, u"Admin"_s, {{u"Email"_s, u"wang@example.com"_s}});
    f.addContact(u"L2"_s, u"张三"_s, u"B02"_s, u"someone"_s);
    f.addContact(u"L3"_s, u"孤儿"_s, u"GONE"_s); // its agent no longer exists
}

// Runs `check` on the envelope window when it opens, then closes it with 关闭.
void onEnvelopes(std::function<void(EnvelopeWindow *)> check)
{
    testsupport::whenModal(u"TfrmEnvelop"_s, [check](QWidget *d) {
        CloseOnExit closing{d};
        auto *w = static_cast<EnvelopeWindow *>(d);
        check(w);
        w->button(u"btnClose"_s)->click();
    });
}

int listed(EnvelopeWindow *w)
{
    return w->grid()->model()->rowCount();
}

// A PDF file's text as pdftotext reads it, lines joined.
QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).remove(QLatin1Char('\n'));
}

} // namespace

class TestEnvelopes : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void fromTheMainWindow_data() { testsupport::addEngineRows(); }
    void fromTheMainWindow()
    {
        QFETCH(QString, engine);
        MailFixture f(engine);
        addContacts(f);
        MainWindow main(f.dm);
        QVERIFY(main.runShowStep());
        installMail(main.workspace());
        main.show();

        // Before anything filled the envelope list, F9 lists nobody.
        int rows = -1;
        bool maximised = false;
        onEnvelopes([&](EnvelopeWindow *w) {
            rows = listed(w);
            maximised = w->isMaximized();
        });
        main.action(u"Act_Envelop"_s)->trigger();
        QCOMPARE(rows, 0);
        QVERIFY(maximised);
        QCOMPARE(f.logCount(u"工具-信封标签"_s), 1);

        // F8 hosts group mail over every contact, without the navigation panel.
        main.action(u"Act_Mail"_s)->trigger();
        QCOMPARE(f.logCount(u"工具-邮件群发"_s), 1);
        auto *mail = main.currentContent()->findChild<MailWindow *>(u"TfrmMail"_s);
        if (!mail)
            mail = qobject_cast<MailWindow *>(main.currentContent());
        QVERIFY(mail);
        QVERIFY(!main.isNavigationVisible());
        QCOMPARE(f.dm.qryLinkmans3.rowCount(), 3);

        // Its query narrows the list; F9 then shows that query's contacts.
        testsupport::whenModal(u"TfrmLinkmanQuery"_s, [](QWidget *d) {
            CloseOnExit closing{d};
            d->findChild<QComboBox *>(u"cbCondition"_s)->setCurrentIndex(2);
            testsupport::typeText(d->findChild<QLineEdit *>(u"edValue"_s), u"王"_s);
            d->findChild<QPushButton *>(u"btnOK"_s)->click();
            if (d->isVisible())
                d->close();
        });
        mail->action(u"Act_Query"_s)->trigger();
        onEnvelopes([&](EnvelopeWindow *w) { rows = listed(w); });
        main.action(u"Act_Envelop"_s)->trigger();
        QCOMPARE(rows, 1);

        // The file panel's picture always starts from every contact.
        onEnvelopes([&](EnvelopeWindow *w) { rows = listed(w); });
        main.filePanel()->printEnvelopes();
        QCOMPARE(rows, 3);
        QCOMPARE(f.logCount(u"工具-信封标签"_s), 3);

        // 关闭 gives back the navigation panel on "业务管理" and the schedule.
        mail->action(u"Act_Close"_s)->trigger();
        QVERIFY(main.isNavigationVisible());
        QVERIFY(main.action(u"N_Navigation"_s)->isChecked());
        QCOMPARE(main.currentNavigationPage(), u"业务管理"_s);
        QCOMPARE(main.currentContent(), main.schedulePanel());
        QCOMPARE(main.action(u"Act_Mail"_s)->shortcut(), QKeySequence(Qt::Key_F8));
        QCOMPARE(main.action(u"Act_Envelop"_s)->shortcut(), QKeySequence(Qt::Key_F9));
    }

    void listAndPrints_data() { testsupport::addEngineRows(); }
    void listAndPrints()
    {
        QFETCH(QString, engine);
        MailFixture f(engine);
        addContacts(f);
        f.installLayouts();
        f.dm.connection().exec(
            u"INSERT INTO tblUserInfo (UserName, Address, Telephone, PostCode) VALUES (?, ?, ?, ?)"_s,
            {u"星桥通有限公司"_s, u"杭州市三号"_s, u"0571-1234567"_s, u"310000"_s});
        f.openMailContacts();
        EnvelopeWindow w(f.ws);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(f.dm.tblUserInfo.isOpen());

        // The agent's name, post code and address beside each contact; empty for a lost agent.
        DatasetModel *model = w.grid()->model();
        QCOMPARE(model->rowCount(), 3);
        const auto cell = [model](int row, int column) {
            return model->index(row, column).data().toString();
        };
        QCOMPARE(QStringList({cell(0, 1), cell(0, 3), cell(0, 4)}),
                 QStringList({u"星桥贸易"_s, u"100080"_s, u"北京市海淀区一号"_s}));
        QCOMPARE(cell(1, 1), u"远方公司"_s); // another user's agent: no ownership here
        QCOMPARE(QStringList({cell(2, 2), cell(2, 1), cell(2, 3), cell(2, 4)}),
                 QStringList({u"孤儿"_s, QString(), QString(), QString()}));

        // 预览 prints the whole list; the dialog stays open for the print with the sender.
        QStringList layouts;
        QList<int> counts;
        QString withSender, without;
        bool stayedOpen = false;
        testsupport::whenModal(u"TfrmEnvelopSet"_s, [&](QWidget *d) {
            CloseOnExit closing{d};
            auto *tick = d->findChild<QCheckBox *>(u"chkPrintUser"_s);
            QVERIFY(!tick->isChecked());
            d->findChild<QPushButton *>(u"btnPreview"_s)->click();
            without = Printing::last().text;
            stayedOpen = d->isVisible();
            tick->setChecked(true);
            d->findChild<QPushButton *>(u"btnPreview"_s)->click();
            withSender = Printing::last().text;
            for (const Printing::Shown &s : Printing::history()) {
                layouts << s.layout;
                counts << s.rowCount;
                QVERIFY(s.layoutFound);
                QCOMPARE(s.dataset, u"qryLinkmans3"_s);
            }
            d->findChild<QPushButton *>(u"btnCancel"_s)->click();
        });
        w.button(u"btnPreview"_s)->click();
        QVERIFY(stayedOpen);
        QCOMPARE(layouts, QStringList({u"frEnvelop.frf"_s, u"frEnvelop6.frf"_s}));
        QCOMPARE(counts, QList<int>({3, 3}));
        for (const QString &text : {without, withSender}) {
            QVERIFY2(text.contains(u"王一"_s) && text.contains(u"北京市海淀区一号"_s) &&
                         text.contains(u"孤儿"_s),
                     qPrintable(text));
        }
        QVERIFY(!without.contains(u"星桥通有限公司"_s));
        QVERIFY2(withSender.contains(u"星桥通有限公司"_s) && withSender.contains(u"0571-1234567"_s),
                 qPrintable(withSender));

        // The other buttons and their log rows; 关闭 logs nothing.
        testsupport::whenModal(u"TfrmLinkmanQuery"_s, [](QWidget *d) { d->close(); });
        w.button(u"btnQuery"_s)->click();
        testsupport::whenModal(u"TfrmUserInfo"_s, [](QWidget *d) { d->close(); });
        w.button(u"btnUserInfo"_s)->click();
        const QStringList logs = f.logRows();
        QCOMPARE(logs.mid(logs.size() - 3),
                 QStringList({u"工具-信封标签-预览"_s, u"工具-信封标签-联系人查询"_s,
                              u"工具-信封标签-用户登记信息"_s}));
        w.button(u"btnClose"_s)->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(f.logRows().size(), logs.size());
    }

    // A label whose agent name and address each take two lines prints every line, the
    // recipient's last, whole and inside the label: its text is set smaller to fit. Read back
    // with pdftotext, word by word with their places.
    void everyLineOfALabelPrints()
    {
        MailFixture f(u"sqlite"_s);
        f.installLayouts();
        const QString name =
            u"星桥通国际贸易（集团）股份有限公司华东地区商务代理服务中心第一分部"_s;
        const QString address =
            u"上海市浦东新区张江高科技园区碧波路六百九十号三号楼五层五百零一室东侧"_s;
        f.addAgent(u"A01"_s, name, u"Admin"_s,
                   {{u"PostCode"_s, u"201203"_s}, {u"Address"_s, address}});
        for (int i = 1; i <= 3; ++i)
            f.addContact(u"L%1"_s.arg(i), u"王%1"_s.arg(i), u"A01"_s, u"Admin"_s,
                         {{u"NickName"_s, u"先生"_s}});
        f.openMailContacts();
        Report report = ReportEngine().render(u"frEnvelop.frf"_s, &f.dm.qryLinkmans3);
        QVERIFY(report.isValid());
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"labels.pdf"_s);
        QCOMPARE(ReportOutput::writePdf(report, pdf), ReportOutput::Result::Done);

        QProcess p;
        p.start(u"pdftotext"_s, {u"-bbox"_s, pdf, u"-"_s});
        QVERIFY(p.waitForFinished(60000));
        const QString html = QString::fromUtf8(p.readAllStandardOutput());
        static const QRegularExpression word(
            uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
        const qreal mm = 72 / 25.4;
        const ReportLayout &layout = report.layout();
        const QMarginsF margins = layout.margins();
        const QSizeF cell = layout.labelSize();
        const qreal padding = layout.labelPadding();
        QStringList recipients, outside;
        for (const QRegularExpressionMatch &m : word.globalMatch(html)) {
            const QRectF box(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                             QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
            if (box.top() < margins.top() * mm ||
                box.bottom() > (layout.paperSize().height() - margins.bottom()) * mm)
                continue; // the title and the page number in the margins
            const int column = int((box.center().x() / mm - margins.left()) / cell.width());
            const int row = int((box.center().y() / mm - margins.top()) / cell.height());
            const QRectF inner((margins.left() + column * cell.width() + padding) * mm,
                               (margins.top() + row * cell.height() + padding) * mm,
                               (cell.width() - 2 * padding) * mm,
                               (cell.height() - 2 * padding) * mm);
            if (!inner.adjusted(-0.5, -0.5, 0.5, 0.5).contains(box))
                outside << m.captured(5);
            if (m.captured(5) == u"收"_s)
                recipients << QString::number(row * layout.labelColumns() + column);
        }
        QCOMPARE(recipients, QStringList({u"0"_s, u"1"_s, u"2"_s}));
        QCOMPARE(outside, QStringList());
        const QString text = pdfText(pdf);
        for (const QString &part : {name, address})
            QVERIFY2(text.count(part) == 3, qPrintable(text));
    }
};

QTEST_MAIN(TestEnvelopes)
#include "tst_envelopes.moc"
