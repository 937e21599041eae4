#include "reportpreview.h"

#include "filedialog.h"
#include "messagebox.h"
#include "pageview.h"
#include "reportoutput.h"
#include "session.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

struct Hooks {
    ReportPreview::PrintDialogHook printDialog;
    ReportPreview::OpenFileHook openFile;
    int progressDelay = 400;
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

// Long work with a progress bar that can be cancelled: `total` steps, told by the work. One
// box serves all the steps of a command and is gone before the command's message shows.
class ReportProgress
{
  public:
    explicit ReportProgress(QWidget *parent)
        : m_dialog(QString(), QStringLiteral("取消"), 0, 0, parent)
    {
        m_dialog.setObjectName(QStringLiteral("dlgReportProgress"));
        m_dialog.setWindowTitle(QStringLiteral("报表预览"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(hooks().progressDelay);
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
    }
    void setLabel(const QString &label) { m_dialog.setLabelText(label); }
    ReportOutput::Progress callback()
    {
        return [this](int done, int total) {
            step(done, total);
            return !m_dialog.wasCanceled();
        };
    }
    bool cancelled() const { return m_dialog.wasCanceled(); }
    void step(int done, int total)
    {
        m_dialog.setMaximum(total);
        m_dialog.setValue(done);
    }
    void close()
    {
        m_dialog.hide();
        m_dialog.cancel();
    }

  private:
    QProgressDialog m_dialog;
};

ReportPreview::ReportPreview(Report report, QWidget *parent) : QDialog(parent), m_report(std::move(report))
{
    setObjectName(QStringLiteral("TfrmReport"));
    setWindowTitle(QStringLiteral("报表预览"));
    setModal(true);
    setWindowState(Qt::WindowMaximized);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    auto *zoomLabel = new QLabel(QStringLiteral("显示比例："), this);
    m_zoom = new QComboBox(this);
    m_zoom->setObjectName(QStringLiteral("cbZoom"));
    m_zoom->addItems(zoomTexts());
    zoomLabel->setBuddy(m_zoom);

    const auto tool = [this](const char *name, const QString &tip, Qt::ArrowType arrow, const QString &text) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        if (arrow != Qt::NoArrow)
            b->setArrowType(arrow);
        else
            b->setText(text);
        return b;
    };
    QToolButton *firstPage = tool("btnFirst", QStringLiteral("第一页"), Qt::NoArrow, QStringLiteral("|◀"));
    QToolButton *prior = tool("btnPrior", QStringLiteral("上一页"), Qt::LeftArrow, {});
    QToolButton *nextPage = tool("btnNext", QStringLiteral("下一页"), Qt::RightArrow, {});
    QToolButton *lastPage = tool("btnLast", QStringLiteral("最后一页"), Qt::NoArrow, QStringLiteral("▶|"));
    m_page = new QSpinBox(this);
    m_page->setObjectName(QStringLiteral("sePage"));
    m_page->setRange(1, 1);
    m_page->setPrefix(QStringLiteral("第 "));
    m_page->setSuffix(QStringLiteral(" 页"));
    m_pages = new QLabel(this);
    m_pages->setObjectName(QStringLiteral("lbPages"));

    auto *printButton = new QPushButton(QStringLiteral("打印"), this);
    printButton->setObjectName(QStringLiteral("btnPrint"));
    auto *pdfButton = new QPushButton(QStringLiteral("导出PDF"), this);
    pdfButton->setObjectName(QStringLiteral("btnPdf"));
    auto *helpButton = new QPushButton(QStringLiteral("帮助"), this);
    helpButton->setObjectName(QStringLiteral("btnHelp"));
    auto *closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton *b : {printButton, pdfButton, helpButton, closeButton})
        b->setAutoDefault(false);

    auto *bar = new QHBoxLayout;
    bar->addWidget(zoomLabel);
    bar->addWidget(m_zoom);
    bar->addSpacing(16);
    for (QWidget *w : std::initializer_list<QWidget *>{firstPage, prior, m_page, nextPage, lastPage, m_pages})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(printButton);
    bar->addWidget(pdfButton);
    bar->addWidget(helpButton);
    bar->addWidget(closeButton);

    m_view = new PageView(this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);

    connect(m_zoom, &QComboBox::currentIndexChanged, this, &ReportPreview::setZoom);
    connect(printButton, &QPushButton::clicked, this, &ReportPreview::print);
    connect(pdfButton, &QPushButton::clicked, this, &ReportPreview::exportPdf);
    connect(helpButton, &QPushButton::clicked, this, &ReportPreview::showHelp);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(firstPage, &QToolButton::clicked, this, [this] { m_view->setCurrentPage(0); });
    connect(prior, &QToolButton::clicked, this, [this] { m_view->setCurrentPage(m_view->currentPage() - 1); });
    connect(nextPage, &QToolButton::clicked, this, [this] { m_view->setCurrentPage(m_view->currentPage() + 1); });
    connect(lastPage, &QToolButton::clicked, this, [this] { m_view->setCurrentPage(m_view->pageCount() - 1); });
    connect(m_page, &QSpinBox::valueChanged, this, [this](int page) {
        if (page - 1 != m_view->currentPage())
            m_view->setCurrentPage(page - 1);
    });
    connect(m_view, &PageView::currentPageChanged, this, [this](int page) {
        const QSignalBlocker quiet(m_page);
        m_page->setValue(page + 1);
    });

    // The first page at once; the rest in slices while the window answers the user.
    m_report.paginate(0);
    m_view->setReport(&m_report);
    m_layout = new QTimer(this);
    m_layout->setInterval(0);
    connect(m_layout, &QTimer::timeout, this, &ReportPreview::layOutSome);
    connect(m_view, &PageView::reportStale, this, &ReportPreview::layOutAgain);
    if (!m_report.isPaginated())
        m_layout->start();
    showPageCount();

    m_zoom->setCurrentIndex(0);
    setZoom(0);
}

ReportPreview::~ReportPreview() = default;

QStringList ReportPreview::zoomTexts()
{
    return {QStringLiteral("100%"), QStringLiteral("75%"), QStringLiteral("50%"), QStringLiteral("150%"),
            QStringLiteral("200%")};
}

QList<qreal> ReportPreview::zoomFactors()
{
    return {1.0, 0.75, 0.5, 1.5, 2.0};
}

qreal ReportPreview::zoomFactor() const
{
    return m_view->zoomFactor();
}

void ReportPreview::setZoom(int index)
{
    const QList<qreal> factors = zoomFactors();
    if (index >= 0 && index < factors.size())
        m_view->setZoomFactor(factors[index]);
}

void ReportPreview::layOutSome()
{
    if (m_report.paginate(40))
        m_layout->stop();
    m_view->refresh();
    showPageCount();
}

// Rows deleted by another seat after their pages were laid out: the pages are found again
// from the rows held now, the first ones at once.
void ReportPreview::layOutAgain()
{
    if (!m_report.isStale())
        return;
    m_report.relayout();
    m_report.paginate(0);
    m_view->setReport(&m_report);
    if (!m_report.isPaginated())
        m_layout->start();
    showPageCount();
}

void ReportPreview::showPageCount()
{
    const int pages = m_report.pageCount();
    m_page->setRange(1, qMax(1, pages));
    m_pages->setText(m_report.isPaginated() ? QStringLiteral("共 %1 页").arg(pages)
                                            : QStringLiteral("已排 %1 页，正在计算页数……").arg(pages));
}

// Printing and the PDF need every page: what is left is laid out first, with a progress bar.
bool ReportPreview::finishLayout(ReportProgress &progress)
{
    if (m_report.isPaginated())
        return true;
    progress.setLabel(QStringLiteral("正在计算页数……"));
    const int rows = qMax(1, m_report.source().rowCount());
    while (!m_report.paginate(100)) {
        progress.step(qMin(rows - 1, m_report.pageCount()), rows);
        if (progress.cancelled())
            return false;
    }
    m_layout->stop();
    m_view->refresh();
    showPageCount();
    return true;
}

void ReportPreview::setPrintDialogHook(PrintDialogHook hook)
{
    hooks().printDialog = std::move(hook);
}

void ReportPreview::setOpenFileHook(OpenFileHook hook)
{
    hooks().openFile = std::move(hook);
}

void ReportPreview::setProgressDelay(int milliseconds)
{
    hooks().progressDelay = milliseconds;
}

bool ReportPreview::print()
{
    ReportProgress progress(this);
    if (!finishLayout(progress)) {
        progress.close();
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer, m_report);
    printer.setFromTo(1, m_report.pageCount());
    progress.close();
    const bool accepted = hooks().printDialog ? hooks().printDialog(printer, this) : askPrinter(printer, this);
    if (!accepted)
        return false;
    // "Print to file" with a name of any suffix still means a PDF file.
    const QString file = printer.outputFileName();
    if (!file.isEmpty() && printer.outputFormat() != QPrinter::PdfFormat) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
    }
    ReportProgress printing(this);
    printing.setLabel(QStringLiteral("正在打印……"));
    QString error;
    const ReportOutput::Result result =
        ReportOutput::print(m_report, &printer, printing.callback(), &error);
    printing.close();
    if (m_report.isStale()) {
        MessageBox::critical(this, ReportOutput::staleMessage());
        layOutAgain();
        return false;
    }
    if (result == ReportOutput::Result::Failed) {
        MessageBox::critical(this, error);
        return false;
    }
    return result == ReportOutput::Result::Done;
}

bool ReportPreview::exportPdf()
{
    const QString folder = store::session().AppDir.isEmpty() ? QDir::homePath() : store::session().AppDir;
    const QString name = m_report.title().isEmpty() ? QStringLiteral("报表") : m_report.title();
    const QString path = FileDialog::getSaveFileName(this, QStringLiteral("导出PDF"), folder, name,
                                                     QStringLiteral("PDF 文件(*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return false;
    ReportProgress progress(this);
    if (!finishLayout(progress)) {
        progress.close();
        return false;
    }
    progress.setLabel(QStringLiteral("正在导出PDF……"));
    QString error;
    const ReportOutput::Result result = ReportOutput::writePdf(m_report, path, progress.callback(), &error);
    progress.close();
    if (result == ReportOutput::Result::Failed) {
        MessageBox::critical(this, error);
        return false;
    }
    if (result == ReportOutput::Result::Cancelled)
        return false;
    MessageBox::information(this, QStringLiteral("报表已导出为PDF文件：") + QDir::toNativeSeparators(path));
    return true;
}

void ReportPreview::showHelp()
{
    const QString path = store::session().AppDir + QStringLiteral("Help.html");
    if (hooks().openFile)
        hooks().openFile(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
