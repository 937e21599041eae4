#include "connection.h"
#include "dataset.h"
#include "filedialog.h"
#include "messagebox.h"
#include "pageview.h"
#include "printing.h"
#include "reportengine.h"
#include "reportpreview.h"
#include "session.h"
#include "teststore.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

// The preview window TfrmReport and the print flow that opens it.
class TestReportPreview : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void windowAndControls();
    void zoomList();
    void longReportShowsItsFirstPageAtOnce();
    void pagesAreDrawnOnlyInView();
    void exportsPdf();
    void exportShowsOneProgressBoxGoneBeforeItsMessage();
    void pdfThatCannotBeWrittenIsNamedWithItsReason();
    void printToPdf();
    void cancelledPrintWritesNothing();
    void helpOpensTheHelpPage();
    void printFlow();

  private:
    Report render(const QString &layout)
    {
        return ReportEngine().render(layout, m_countries.get());
    }
    QPushButton *button(QWidget &w, const QString &text);

    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::Connection> m_db;
    std::unique_ptr<store::Dataset> m_countries;
};

void TestReportPreview::initTestCase()
{
    m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
    store::session().setAppDir(m_store->appDir());
    QVERIFY(QDir().mkpath(m_store->appDir() + QStringLiteral("Data/Report")));
    QFile layout(m_store->appDir() + QStringLiteral("Data/Report/countries.frf"));
    QVERIFY(layout.open(QIODevice::WriteOnly));
    layout.write(QStringLiteral("title: 国家列表\norientation: landscape\n---\n[report-header]\n<h1>{{title}}</h1>\n"
                                "[record]\n<p style=\"font-size: 30pt\">{{CountryName}}</p>\n")
                     .toUtf8());
    layout.close();
    QFile list(m_store->appDir() + QStringLiteral("Data/Report/long.frf"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(QStringLiteral("title: 长列表\npage: A6\n---\n[columns]\n代码 | | | {{CountryID}}\n").toUtf8());
    list.close();
    m_db = m_store->connect();
    m_countries = std::make_unique<store::Dataset>(*m_db, QStringLiteral("tblCountry"));
    m_countries->setTable(QStringLiteral("tblCountry"));
    m_countries->open();
    QVERIFY(m_countries->rowCount() > 3);
}

void TestReportPreview::cleanup()
{
    ReportPreview::setPrintDialogHook({});
    ReportPreview::setOpenFileHook({});
    ReportPreview::setProgressDelay(400);
    Printing::clearHistory();
}

QPushButton *TestReportPreview::button(QWidget &w, const QString &text)
{
    for (QPushButton *b : w.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

void TestReportPreview::windowAndControls()
{
    ReportPreview preview(render(QStringLiteral("countries.frf")));
    QCOMPARE(preview.objectName(), QStringLiteral("TfrmReport"));
    QCOMPARE(preview.windowTitle(), QStringLiteral("报表预览"));
    QVERIFY(preview.isModal());
    QVERIFY(preview.windowState() & Qt::WindowMaximized);
    for (const char *caption : {"打印", "帮助", "关闭"})
        QVERIFY2(button(preview, QString::fromUtf8(caption)), caption);
    auto *zoom = preview.findChild<QComboBox *>(QStringLiteral("cbZoom"));
    QVERIFY(zoom);
    bool labelled = false;
    for (QLabel *l : preview.findChildren<QLabel *>())
        labelled |= l->text() == QStringLiteral("显示比例：") && l->buddy() == zoom;
    QVERIFY(labelled);

    for (const char *caption : {"导出PDF"})
        QVERIFY2(button(preview, QString::fromUtf8(caption)), caption);
    // The preview area shows every page of the report, on the report's paper; the buttons
    // leaf through them.
    PageView *area = preview.pageView();
    QVERIFY(area);
    QTRY_VERIFY(preview.report().isPaginated());
    QVERIFY(preview.report().pageCount() >= 2);
    QCOMPARE(area->pageCount(), preview.report().pageCount());
    QVERIFY(preview.report().paperSize().width() > preview.report().paperSize().height()); // landscape
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    preview.findChild<QToolButton *>(QStringLiteral("btnLast"))->click();
    QCOMPARE(area->currentPage(), area->pageCount() - 1);
    QCOMPARE(preview.findChild<QSpinBox *>(QStringLiteral("sePage"))->value(), area->pageCount());
    preview.findChild<QToolButton *>(QStringLiteral("btnFirst"))->click();
    QCOMPARE(area->currentPage(), 0);
    preview.findChild<QSpinBox *>(QStringLiteral("sePage"))->setValue(2);
    QCOMPARE(area->currentPage(), 1);
    QCOMPARE(preview.findChild<QLabel *>(QStringLiteral("lbPages"))->text(),
             QStringLiteral("共 %1 页").arg(area->pageCount()));

    // 关闭 ends the window.
    preview.show();
    QVERIFY(preview.isVisible());
    button(preview, QStringLiteral("关闭"))->click();
    QVERIFY(!preview.isVisible());
}

void TestReportPreview::zoomList()
{
    ReportPreview preview(render(QStringLiteral("countries.frf")));
    auto *zoom = preview.findChild<QComboBox *>(QStringLiteral("cbZoom"));
    QVERIFY(zoom);
    QStringList entries;
    for (int i = 0; i < zoom->count(); ++i)
        entries << zoom->itemText(i);
    QCOMPARE(entries, (QStringList{"100%", "75%", "50%", "150%", "200%"}));
    QVERIFY(!zoom->isEditable());
    QCOMPARE(zoom->currentText(), QStringLiteral("100%"));
    QCOMPARE(preview.zoomFactor(), 1.0);

    // Each choice sets the zoom it names, and a resize keeps it.
    preview.show();
    const qreal before = preview.zoomFactor();
    zoom->setCurrentIndex(zoom->findText(QStringLiteral("75%")));
    QCOMPARE(preview.zoomFactor(), 0.75);
    QVERIFY(preview.zoomFactor() != before);
    zoom->setCurrentIndex(zoom->findText(QStringLiteral("200%")));
    QCOMPARE(preview.zoomFactor(), 2.0);
    preview.resize(preview.size() + QSize(50, 50));
    QCOMPARE(preview.zoomFactor(), 2.0);
    zoom->setCurrentIndex(zoom->findText(QStringLiteral("50%")));
    QCOMPARE(preview.zoomFactor(), 0.5);
    zoom->setCurrentIndex(zoom->findText(QStringLiteral("150%")));
    QCOMPARE(preview.zoomFactor(), 1.5);
}

// A report of thousands of pages: the window comes up with its first page while the rest
// is counted, and the count arrives while the window goes on answering.
void TestReportPreview::longReportShowsItsFirstPageAtOnce()
{
    m_db->transaction([&] {
        for (int i = 0; i < 4000; ++i)
            m_db->exec(QStringLiteral("INSERT INTO tblCountry (CountryID, CountryName, Memo) VALUES (?, 'x', 'y')"),
                       {QStringLiteral("L%1").arg(i, 5, 10, QLatin1Char('0'))});
    });
    m_countries->refresh();
    ReportPreview preview(ReportEngine().render(QStringLiteral("long.frf"), m_countries.get()));
    QVERIFY(preview.report().pageCount() >= 1);
    QVERIFY(!preview.report().isPaginated());
    QVERIFY(preview.findChild<QLabel *>(QStringLiteral("lbPages"))->text().contains(QStringLiteral("正在计算")));
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QTRY_VERIFY_WITH_TIMEOUT(preview.report().isPaginated(), 30000);
    const int pages = preview.report().pageCount();
    QVERIFY2(pages > 50, qPrintable(QString::number(pages)));
    QCOMPARE(preview.pageView()->pageCount(), pages);
    QCOMPARE(preview.findChild<QLabel *>(QStringLiteral("lbPages"))->text(), QStringLiteral("共 %1 页").arg(pages));
    m_db->exec(QStringLiteral("DELETE FROM tblCountry WHERE CountryID LIKE 'L0%'"));
    m_countries->refresh();
}

void TestReportPreview::pagesAreDrawnOnlyInView()
{
    m_db->transaction([&] {
        for (int i = 0; i < 600; ++i)
            m_db->exec(QStringLiteral("INSERT INTO tblCountry (CountryID, CountryName, Memo) VALUES (?, 'x', 'y')"),
                       {QStringLiteral("V%1").arg(i, 5, 10, QLatin1Char('0'))});
    });
    m_countries->refresh();
    ReportPreview preview(ReportEngine().render(QStringLiteral("long.frf"), m_countries.get()));
    preview.report().paginate();
    preview.pageView()->refresh();
    preview.resize(900, 700);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QVERIFY(preview.report().pageCount() > 20);
    PageView *view = preview.pageView();
    view->viewport()->repaint();
    const int atStart = view->pagesDrawn();
    QVERIFY(atStart >= 1 && atStart <= 3);
    view->setCurrentPage(view->pageCount() - 1);
    view->viewport()->repaint();
    QVERIFY(view->pagesDrawn() <= atStart + 3); // the last pages only, not those between
    QCOMPARE(view->currentPage(), view->pageCount() - 1);
    m_db->exec(QStringLiteral("DELETE FROM tblCountry WHERE CountryID LIKE 'V0%'"));
    m_countries->refresh();
}

void TestReportPreview::exportsPdf()
{
    QTemporaryDir dir;
    ReportPreview preview(render(QStringLiteral("countries.frf")));
    MessageBox::clearHistory();
    // The name is chosen without ".pdf": the file gets it.
    FileDialog::setNextFileName(dir.filePath(QStringLiteral("国家列表")));
    QVERIFY(button(preview, QStringLiteral("导出PDF")));
    QVERIFY(preview.exportPdf());
    QCOMPARE(FileDialog::last().caption, QStringLiteral("导出PDF"));
    const QString pdf = dir.filePath(QStringLiteral("国家列表.pdf"));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished(30000));
    QVERIFY2(QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression(
                 QStringLiteral("Pages:\\s+%1\\b").arg(preview.report().pageCount()))),
             qPrintable(pdf));
    QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
    // Cancelled in the dialog: nothing written.
    QVERIFY(!preview.exportPdf());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

namespace
{
// Progress boxes as they come and go, each with the number of messages shown by then.
class ProgressBoxes : public QObject
{
  public:
    ProgressBoxes() { qApp->installEventFilter(this); }
    ~ProgressBoxes() override { qApp->removeEventFilter(this); }
    QSet<QObject *> shown;
    QStringList events;

  protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show && qobject_cast<QProgressDialog *>(o)) {
            shown.insert(o);
            events << QStringLiteral("shown after %1 messages").arg(MessageBox::history().size());
        } else if (e->type() == QEvent::Hide && shown.contains(o)) {
            events << QStringLiteral("hidden after %1 messages").arg(MessageBox::history().size());
        }
        return false;
    }
};
} // namespace

// 导出PDF of a report still being counted: one box for counting and writing, gone before
// the message that says where the file is.
void TestReportPreview::exportShowsOneProgressBoxGoneBeforeItsMessage()
{
    QTemporaryDir dir;
    ReportPreview::setProgressDelay(0);
    ReportPreview preview(render(QStringLiteral("countries.frf")));
    QVERIFY(!preview.report().isPaginated());
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    MessageBox::clearHistory();
    FileDialog::setNextFileName(dir.filePath(QStringLiteral("国家列表.pdf")));
    ProgressBoxes boxes;
    QVERIFY(preview.exportPdf());
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
    QCOMPARE(boxes.events, (QStringList{QStringLiteral("shown after 0 messages"),
                                        QStringLiteral("hidden after 0 messages")}));
    // Nothing shows up later either.
    QTest::qWait(50);
    QCOMPARE(boxes.events.size(), 2);
}

// A PDF that cannot be written is an error naming the file and why, for 导出PDF and for
// printing to a file alike.
void TestReportPreview::pdfThatCannotBeWrittenIsNamedWithItsReason()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("没有的文件夹"));
    ReportPreview preview(render(QStringLiteral("countries.frf")));
    MessageBox::clearHistory();
    FileDialog::setNextFileName(missing + QStringLiteral("/国家列表.pdf"));
    QVERIFY(!preview.exportPdf());
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
    QVERIFY2(MessageBox::last().text.contains(QStringLiteral("国家列表.pdf")) &&
                 MessageBox::last().text.contains(
                     QStringLiteral("文件夹“%1”不存在").arg(QDir::toNativeSeparators(missing))),
             qPrintable(MessageBox::last().text));

    ReportPreview::setPrintDialogHook([&](QPrinter &printer, QWidget *) {
        printer.setOutputFileName(missing + QStringLiteral("/printed.pdf"));
        return true;
    });
    QVERIFY(!preview.print());
    QCOMPARE(MessageBox::history().size(), 2);
    QVERIFY2(MessageBox::last().text.contains(QStringLiteral("printed.pdf")) &&
                 MessageBox::last().text.contains(QStringLiteral("不存在")),
             qPrintable(MessageBox::last().text));
    QVERIFY(!QFileInfo::exists(missing));
}

void TestReportPreview::printToPdf()
{
    QTemporaryDir dir;
    // The file name chosen in the dialog has no ".pdf": it is still written as a PDF.
    const QString pdf = dir.filePath(QStringLiteral("countries"));
    int asked = 0;
    QPageLayout::Orientation offered = QPageLayout::Portrait;
    ReportPreview::setPrintDialogHook([&](QPrinter &printer, QWidget *) {
        ++asked;
        offered = printer.pageLayout().orientation();
        printer.setOutputFileName(pdf);
        return true;
    });
    ReportPreview preview(render(QStringLiteral("countries.frf")));
    button(preview, QStringLiteral("打印"))->click();
    QCOMPARE(asked, 1);
    QCOMPARE(offered, QPageLayout::Landscape); // the dialog starts from the layout's paper
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.size() > 1000);
}

void TestReportPreview::cancelledPrintWritesNothing()
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("never.pdf"));
    ReportPreview::setPrintDialogHook([&](QPrinter &printer, QWidget *) {
        printer.setOutputFileName(pdf);
        return false;
    });
    ReportPreview preview(render(QStringLiteral("countries.frf")));
    QVERIFY(!preview.print());
    QVERIFY(!QFile::exists(pdf));
}

void TestReportPreview::helpOpensTheHelpPage()
{
    QStringList opened;
    ReportPreview::setOpenFileHook([&](const QString &path) { opened << path; });
    ReportPreview preview(render(QStringLiteral("countries.frf")));
    button(preview, QStringLiteral("帮助"))->click();
    QCOMPARE(opened, QStringList{m_store->appDir() + QStringLiteral("Help.html")});
}

void TestReportPreview::printFlow()
{
    // Tests never wait for a person: the flow records what it would show.
    QVERIFY(Printing::isScripted());
    m_countries->setFilter(
        store::Condition::eq(QStringLiteral("CountryID"), QStringLiteral("China")));
    Printing::preview(nullptr, QStringLiteral("countries.frf"), m_countries.get());
    QCOMPARE(Printing::history().size(), 1);
    const Printing::Shown shown = Printing::last();
    QCOMPARE(shown.layout, QStringLiteral("countries.frf"));
    QCOMPARE(shown.layoutPath, m_store->appDir() + QStringLiteral("Data/Report/countries.frf"));
    QCOMPARE(shown.dataset, QStringLiteral("tblCountry"));
    QCOMPARE(shown.rowCount, 1);
    QVERIFY(shown.layoutFound);
    QCOMPARE(shown.pageCount, 1);
    QVERIFY(shown.text.contains(m_countries->value(0, QStringLiteral("CountryName")).toString()));

    Printing::preview(nullptr, QStringLiteral("frMissing.frf"), m_countries.get());
    QVERIFY(!Printing::last().layoutFound);
    QVERIFY(Printing::last().text.contains(QStringLiteral("报表格式文件不存在：")));
    m_countries->clearFilter();
}

QTEST_MAIN(TestReportPreview)
#include "tst_reportpreview.moc"
