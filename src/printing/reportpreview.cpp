#include "reportpreview.h"

#include "messagebox.h"
#include "session.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

struct Hooks {
    ReportPreview::PrintDialogHook printDialog;
    ReportPreview::OpenFileHook openFile;
};

Hooks &hooks()
{
    static Hooks h;
    return h;
}

bool askPrinter(QPrinter &printer, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印"));
    return dialog.exec() == QDialog::Accepted;
}

void openFile(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// Pages are painted from the paper's corner; the report keeps its own margins.
void setUpPrinter(QPrinter &printer, const Report &report)
{
    const QPageLayout page = report.pageLayout();
    printer.setPageSize(page.pageSize());
    printer.setPageOrientation(page.orientation());
    printer.setFullPage(true);
    printer.setDocName(report.title());
}

} // namespace

ReportPreview::ReportPreview(Report report, QWidget *parent)
    : QDialog(parent), m_report(std::move(report)),
      m_previewPrinter(std::make_unique<QPrinter>(QPrinter::ScreenResolution))
{
    setObjectName(QStringLiteral("TfrmReport"));
    setWindowTitle(QStringLiteral("报表预览"));
    setModal(true);
    setWindowState(Qt::WindowMaximized);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    // The preview never reaches a real printer, so it needs no printer installed.
    m_previewPrinter->setOutputFormat(QPrinter::PdfFormat);
    setUpPrinter(*m_previewPrinter, m_report);

    auto *zoomLabel = new QLabel(QStringLiteral("显示比例："), this);
    m_zoom = new QComboBox(this);
    m_zoom->setObjectName(QStringLiteral("cbZoom"));
    m_zoom->addItems(zoomTexts());
    zoomLabel->setBuddy(m_zoom);

    auto *printButton = new QPushButton(QStringLiteral("打印"), this);
    printButton->setObjectName(QStringLiteral("btnPrint"));
    auto *helpButton = new QPushButton(QStringLiteral("帮助"), this);
    helpButton->setObjectName(QStringLiteral("btnHelp"));
    auto *closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton *b : {printButton, helpButton, closeButton})
        b->setAutoDefault(false);

    auto *bar = new QHBoxLayout;
    bar->addWidget(zoomLabel);
    bar->addWidget(m_zoom);
    bar->addStretch(1);
    bar->addWidget(printButton);
    bar->addWidget(helpButton);
    bar->addWidget(closeButton);

    m_preview = new QPrintPreviewWidget(m_previewPrinter.get(), this);
    m_preview->setObjectName(QStringLiteral("PreviewArea"));
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter *printer) { m_report.print(printer); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_preview, 1);

    connect(m_zoom, &QComboBox::currentIndexChanged, this, &ReportPreview::setZoom);
    connect(printButton, &QPushButton::clicked, this, &ReportPreview::print);
    connect(helpButton, &QPushButton::clicked, this, &ReportPreview::showHelp);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    m_zoom->setCurrentIndex(0);
    setZoom(0);
}

ReportPreview::~ReportPreview()
{
    // The preview area paints through the printer this window owns: it goes first.
    delete m_preview;
    m_preview = nullptr;
}

QStringList ReportPreview::zoomTexts()
{
    return {QStringLiteral("100%"), QStringLiteral("75%"), QStringLiteral("50%"),
            QStringLiteral("150%"), QStringLiteral("200%")};
}

QList<qreal> ReportPreview::zoomFactors()
{
    return {1.0, 0.75, 0.5, 1.5, 2.0};
}

qreal ReportPreview::zoomFactor() const
{
    return m_preview->zoomFactor();
}

void ReportPreview::setZoom(int index)
{
    const QList<qreal> factors = zoomFactors();
    if (index < 0 || index >= factors.size())
        return;
    // A custom zoom stays as chosen when the window is resized.
    m_preview->setZoomMode(QPrintPreviewWidget::CustomZoom);
    m_preview->setZoomFactor(factors[index]);
}

void ReportPreview::setPrintDialogHook(PrintDialogHook hook)
{
    hooks().printDialog = std::move(hook);
}

void ReportPreview::setOpenFileHook(OpenFileHook hook)
{
    hooks().openFile = std::move(hook);
}

bool ReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer, m_report);
    const bool accepted =
        hooks().printDialog ? hooks().printDialog(printer, this) : askPrinter(printer, this);
    if (!accepted)
        return false;
    // "Print to file" with a name of any suffix still means a PDF file.
    const QString file = printer.outputFileName();
    if (!file.isEmpty() && printer.outputFormat() != QPrinter::PdfFormat) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
    }
    if (!m_report.print(&printer)) {
        MessageBox::critical(this, file.isEmpty()
                                       ? QStringLiteral("无法打印：打印机没有准备好。")
                                       : QString(QStringLiteral("无法写入文件：") + file));
        return false;
    }
    return true;
}

void ReportPreview::showHelp()
{
    const QString path = store::session().AppDir + QStringLiteral("Help.html");
    if (hooks().openFile)
        hooks().openFile(path);
    else
        openFile(path);
}
