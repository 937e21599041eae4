#pragma once

#include "report.h"

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPrinter;
class QSpinBox;
class QTimer;
class PageView;
class ReportProgress;

// TfrmReport, "报表预览": shows a report page by page as soon as its first page is laid out,
// while the rest is counted in the background; zooms it, prints it through the print dialog
// and exports it as PDF. It is built for one print and shown maximised and modal.
class ReportPreview : public QDialog
{
    Q_OBJECT
  public:
    explicit ReportPreview(Report report, QWidget *parent = nullptr);
    ~ReportPreview() override;

    Report &report() { return m_report; }
    PageView *pageView() const { return m_view; }
    qreal zoomFactor() const;

    // The zoom list "显示比例：" and the factors its entries stand for, by position.
    static QStringList zoomTexts();
    static QList<qreal> zoomFactors();

    // The print dialog, replaceable so that tests (and the program's shared dialog services)
    // decide instead of a person; it sets the printer up and answers true to print. The
    // open-file hook hands a file to the desktop.
    using PrintDialogHook = std::function<bool(QPrinter &printer, QWidget *parent)>;
    using OpenFileHook = std::function<void(const QString &path)>;
    static void setPrintDialogHook(PrintDialogHook hook); // an empty hook restores the default
    static void setOpenFileHook(OpenFileHook hook);
    // How long long work runs before its progress box shows (400 ms; tests show it at once).
    static void setProgressDelay(int milliseconds);

  public Q_SLOTS:
    // "打印": the print dialog, then the report onto the chosen printer or PDF file.
    bool print();
    // "导出PDF": a save dialog, then the whole report into that file.
    bool exportPdf();
    // "帮助": the help page beside the program.
    void showHelp();

  private:
    void setZoom(int index);
    void layOutSome();
    void layOutAgain();
    void showPageCount();
    bool finishLayout(ReportProgress &progress);

    Report m_report;
    PageView *m_view = nullptr;
    QComboBox *m_zoom = nullptr;
    QSpinBox *m_page = nullptr;
    QLabel *m_pages = nullptr;
    QTimer *m_layout = nullptr;
};
