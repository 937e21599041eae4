#pragma once

#include <QWidget>
#include <functional>

class FolderView;
class QAction;
class QDialog;
class QLabel;
class QToolBar;
class QToolButton;
class Rights;

namespace store
{
class DataModule;
}

// TfrmTools, "文件及工具栏": the small window beside the main window that lists the folder of
// the record the user works on. Its upper part holds the tool pictures (calculator, calendar,
// system information, envelopes); its lower part the folder listing with a toolbar for new
// files, cut, copy, the root folder, up and refresh. Modules only tell it which folder to show.
//
// The main window hides and shows it; closing it with its own close box (close()) announces
// closedByUser so the menu check can follow.
class FilePanel : public QWidget
{
    Q_OBJECT
  public:
    // How the new-file and paste dialogs are run: modally by default. Tests install a hook
    // that drives the dialog instead; while messages are scripted and no hook is installed,
    // a dialog is built but not shown.
    using DialogHook = std::function<void(QDialog &dialog)>;
    static void setDialogHook(DialogHook hook);

    FilePanel(store::DataModule &dm, Rights &rights, QWidget *mainWindow = nullptr);

    // Lists `path` (a folder that does not exist shows as such).
    void showFolder(const QString &path);
    QString folder() const;

    // Puts the panel at the right edge of `mainWindow`, `topBarHeight` below the top of its
    // client area; -1 places it below a QMainWindow's menu and tool bars (the top of its
    // central widget). Done on every show when the panel was given a main window.
    void placeBeside(QWidget *mainWindow, int topBarHeight = -1);

    FolderView *folderView() const { return m_view; }

  public Q_SLOTS:
    // The list toolbar, also reached from the main menu "文件管理".
    void newFile();
    void cutFile();
    void copyFile();
    void showRootFolder();
    void goUp();
    void refresh();
    // The tool pictures.
    void showCalculator();
    void showCalendar();
    void showSystemInfo();
    void printEnvelopes();

  Q_SIGNALS:
    // The envelope window is wanted: the user holds right 503 and the datasets it prints from
    // are ready.
    void envelopeRequested();
    // The panel was closed with its own close box.
    void closedByUser();
    void folderChanged(const QString &path);

  protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    QToolButton *addPicture(const QString &name, const QString &tip, int kind,
                            void (FilePanel::*slot)());
    QAction *addCommand(const QString &name, const QString &tip, const QIcon &icon,
                        void (FilePanel::*slot)());
    bool log(const QString &operate);
    void paste(const QString &mode, const QString &title);
    void runDialog(QDialog &dialog);
    void showPath(const QString &path);

    store::DataModule &m_dm;
    Rights &m_rights;
    QWidget *m_mainWindow;
    FolderView *m_view = nullptr;
    QLabel *m_path = nullptr;
    QWidget *m_pictures = nullptr;
    QToolBar *m_toolbar = nullptr;
};
