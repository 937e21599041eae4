#pragma once

#include "report.h"

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QPrinter;
class QPrintPreviewWidget;

// TfrmReport, "报表预览": shows a rendered report page by page, zooms it and prints it. It is
// built for one print and shown maximised and modal by the print flow.
class ReportPreview : public QDialog
{
    Q_OBJECT
  public:
    explicit ReportPreview(Report report, QWidget *parent = nullptr);
    ~ReportPreview() override;

    const Report &report() const { return m_report; }
    QPrintPreviewWidget *previewWidget() const { return m_preview; }
    qreal zoomFactor() const;

    // The zoom list "显示比例：" and the factors its entries stand for, by position.
    static QStringList zoomTexts();
    static QList<qreal> zoomFactors();

    // The modal boundaries, replaceable so that tests (and the program's shared dialog
    // services) decide instead of a person. The print dialog hook sets the printer up and
    // answers true to print; the open-file hook hands a file to the desktop.
    using PrintDialogHook = std::function<bool(QPrinter &printer, QWidget *parent)>;
    using OpenFileHook = std::function<void(const QString &path)>;
    static void setPrintDialogHook(PrintDialogHook hook); // an empty hook restores the default
    static void setOpenFileHook(OpenFileHook hook);

  public Q_SLOTS:
    // "打印": the print dialog, then the report onto the chosen printer or PDF file.
    bool print();
    // "帮助": the help page beside the program.
    void showHelp();

  private:
    void setZoom(int index);

    Report m_report;
    std::unique_ptr<QPrinter> m_previewPrinter;
    QPrintPreviewWidget *m_preview = nullptr;
    QComboBox *m_zoom = nullptr;
};
