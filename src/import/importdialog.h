#pragma once

#include "importcommand.h"
#include "importrun.h"
#include "mapping.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QTabWidget;
class QWidget;

namespace importing
{
class SheetReader;
}

// The import wizard ("dlgImport") on one file: which column fills which field (with the sheet
// to read), then the check of every row with a preview, the problems and the choices for
// stored codes and possible duplicates, then the storing and its report.
class ImportDialog : public QDialog
{
    Q_OBJECT
  public:
    ImportDialog(Workspace &ws, const ImportHook &hook, const QString &path,
                 std::unique_ptr<importing::SheetReader> reader, QWidget *parent = nullptr);
    ~ImportDialog() override;

    // The whole command after its log row: the file, then the wizard.
    static void run(QWidget *parent, Workspace &ws, const ImportHook &hook);

  private:
    QWidget *buildMappingPage();
    QWidget *buildCheckPage();
    QWidget *buildReportPage();
    void showMapping(int sheet);
    void updateButtons();
    void next();
    void back();
    void check();
    void importRows();
    void showCheck();
    void showReport();
    void saveReport();

    Workspace &m_ws;
    ImportHook m_hook;
    QString m_path;
    std::unique_ptr<importing::SheetReader> m_reader;
    std::unique_ptr<importing::ImportRun> m_run;
    QStringList m_headers;
    importing::Mapping m_mapping;
    importing::CheckResult m_checked;
    importing::StoreOutcome m_outcome;
    int m_sheet = 0;
    bool m_stored = false;

    QStackedWidget *m_pages = nullptr;
    QComboBox *m_sheetChoice = nullptr;
    QWidget *m_columns = nullptr;
    QList<QComboBox *> m_choices;
    QLabel *m_summary = nullptr;
    QTabWidget *m_checkTabs = nullptr;
    QTableWidget *m_preview = nullptr, *m_problems = nullptr, *m_duplicates = nullptr;
    QCheckBox *m_leaveOut = nullptr, *m_keepDuplicates = nullptr;
    QRadioButton *m_skipExisting = nullptr, *m_updateExisting = nullptr;
    QLabel *m_report = nullptr;
    QTableWidget *m_leftOut = nullptr;
    QPushButton *m_back = nullptr, *m_next = nullptr, *m_import = nullptr, *m_close = nullptr;
};
