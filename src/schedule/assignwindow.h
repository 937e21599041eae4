#pragma once

#include <QDialog>

class QComboBox;
class QListWidget;
class QPushButton;
class WaitWindow;
struct Workspace;

// TfrmAssign ("商务代理工作分配"): an administrator hands agents (with their contacts) or
// contact records of one user over to another. The left list holds the codes found for the
// source user, the right list the codes chosen for the hand-over.
class AssignWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit AssignWindow(Workspace &ws, QWidget *parent = nullptr);
    ~AssignWindow() override;

    QComboBox *kind() const { return m_kind; }
    QComboBox *source() const { return m_source; }
    QComboBox *target() const { return m_target; }
    QListWidget *left() const { return m_left; }
    QListWidget *right() const { return m_right; }
    QPushButton *button(const char *name) const;
    WaitWindow *waitWindow() const { return m_wait; }

    static QStringList items(const QListWidget *list);

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void fillUsers();
    void refresh();
    void moveOne(QListWidget *from, QListWidget *to);
    void moveAll(QListWidget *from, QListWidget *to);
    void assign();
    bool agentsChosen() const;

    Workspace &m_ws;
    QComboBox *m_kind;
    QComboBox *m_source;
    QComboBox *m_target;
    QListWidget *m_left;
    QListWidget *m_right;
    WaitWindow *m_wait;
};
