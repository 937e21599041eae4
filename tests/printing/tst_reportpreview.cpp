#include "connection.h"
#include "dataset.h"
#include "printing.h"
#include "reportengine.h"
#include "reportpreview.h"
#include "session.h"
#include "teststore.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The preview window TfrmReport and the print flow that opens it.
class TestReportPreview : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void windowAndControls();
    void zoomList();
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
    layout.write(
        QStringLiteral("title: 国家列表\norientation: landscape\n---\n<h1>{{title}}</h1>"
                       "{{#rows}}<p style=\"font-size: 30pt\">{{CountryName}}</p>{{/rows}}")
            .toUtf8());
    layout.close();
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

    // The preview area shows every page of the report, on the report's paper.
    QPrintPreviewWidget *area = preview.previewWidget();
    QVERIFY(area);
    area->updatePreview();
    QVERIFY(preview.report().pageCount() >= 2);
    QCOMPARE(area->pageCount(), preview.report().pageCount());
    QCOMPARE(area->orientation(), QPageLayout::Landscape);

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
    QCOMPARE(preview.previewWidget()->zoomMode(), QPrintPreviewWidget::CustomZoom);
    preview.resize(preview.size() + QSize(50, 50));
    QCOMPARE(preview.zoomFactor(), 2.0);
    zoom->setCurrentIndex(zoom->findText(QStringLiteral("50%")));
    QCOMPARE(preview.zoomFactor(), 0.5);
    zoom->setCurrentIndex(zoom->findText(QStringLiteral("150%")));
    QCOMPARE(preview.zoomFactor(), 1.5);
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
