#pragma once

#include <QDialog>

class QLineEdit;

namespace store
{
class DataModule;
}

// TfrmServer: points this seat at another store, a data file or a postgresql:// server,
// by rewriting "Server.txt" and reconnecting.
class ServerWindow : public QDialog
{
    Q_OBJECT
  public:
    // Opens with the first line of "Server.txt" in the path field.
    explicit ServerWindow(store::DataModule &dm, QWidget *parent = nullptr);

  private:
    void browse();
    void save();
    void switchStore(const QString &location);
    void reopenAfterSwitch();

    store::DataModule &m_dm;
    QLineEdit *m_path;
};
