#pragma once

#include "storecopy.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QProgressDialog;
class QPushButton;
class QToolButton;

namespace store
{
class DataModule;
}

// The shape backup and restore share: a label, a path field with "...", the window's own
// command and 取消. The command runs inside the general error display and copies the store
// with the copying engine.
class StorePathDialog : public QDialog
{
    Q_OBJECT
public:
    void setPath(const QString &path);
    QString path() const;

    // The copying engine, for the size of its steps and for watching its progress.
    StoreCopy &copier() { return m_copier; }

  protected:
    StorePathDialog(store::DataModule &dm, const QString &objectName, const QString &title,
                    const QString &label, const QString &command, QWidget *parent);
    // Connects "..." and the command; called by the window once it is built.
    void connectCommands(std::function<void()> choose, std::function<void()> run);
    // Shows the engine's progress in `progress` (only when a copy takes a while), the windows
    // repainting meanwhile; the caller lets the engine's progress go when the copy is over.
    void watch(QProgressDialog &progress);

    store::DataModule &m_dm;
    StoreCopy m_copier;

    QLineEdit *m_path;
    QToolButton *m_choose;
    QPushButton *m_command;
    QPushButton *m_cancel;
};
