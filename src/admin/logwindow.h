#pragma once

#include <QDialog>

class DataGrid;

namespace store
{
class DataModule;
}

// TfrmSysLog: the operation log, with its export to an INI file and its clearing. The grid
// shows tblLog as it is read lazily, so a log of millions of rows opens at once.
class LogWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit LogWindow(store::DataModule &dm, QWidget *parent = nullptr);

    // Writes every log row into the section "LogFile" of an INI file: key LogID, value
    // date-time, user and operation separated by blanks. Other keys and sections stay.
    static void exportTo(store::DataModule &dm, const QString &fileName);

  private:
    void saveLog();
    void clearLog();
    void reread();

    store::DataModule &m_dm;
    DataGrid *m_grid;
};
