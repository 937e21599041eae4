#pragma once

#include <QDialog>

class DataGrid;
class DbDateEdit;
class DbLineEdit;
class DbNavigator;
struct Workspace;

// TfrmBoard ("公告板"): the notices every user reads and writes, as a grid with a navigator and
// the inputs of the current notice.
class BoardWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit BoardWindow(Workspace &ws, QWidget *parent = nullptr);

    DataGrid *grid() const { return m_grid; }
    DbNavigator *navigator() const { return m_navigator; }
    DbLineEdit *title() const { return m_title; }
    DbDateEdit *date() const { return m_date; }
    DbLineEdit *man() const { return m_man; }
    DbLineEdit *memo() const { return m_memo; }

    // 关闭 and the close box: what is unsaved is dropped.
    void reject() override;

  protected:
    void showEvent(QShowEvent *event) override;
    // Escape asks before a notice typed into is dropped: stored (with 保存's checks), dropped,
    // or left open.
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void add();
    void save();
    void remove();
    void escapeAsked();

    Workspace &m_ws;
    DataGrid *m_grid;
    DbNavigator *m_navigator;
    DbLineEdit *m_title;
    DbDateEdit *m_date;
    DbLineEdit *m_man;
    DbLineEdit *m_memo;
};
