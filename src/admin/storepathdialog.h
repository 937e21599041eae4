#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;
class QToolButton;

// The shape backup and restore share: a label, a path field with "...", the window's own
// command and 取消. The command runs inside the general error display.
class StorePathDialog : public QDialog
{
    Q_OBJECT
public:
    void setPath(const QString &path);
    QString path() const;

protected:
    StorePathDialog(const QString &objectName, const QString &title, const QString &label,
                    const QString &command, QWidget *parent);
    // Connects "..." and the command; called by the window once it is built.
    void connectCommands(std::function<void()> choose, std::function<void()> run);

    QLineEdit *m_path;
    QToolButton *m_choose;
    QPushButton *m_command;
    QPushButton *m_cancel;
};
