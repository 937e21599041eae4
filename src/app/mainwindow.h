#pragma once

#include "modulehost.h"
#include "workspace.h"

#include <QHash>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTimer;
class QToolBox;
class QWidget;
class CommandEnabler;
class FilePanel;
class Rights;
class SchedulePanel;

namespace store {
class DataModule;
class Dataset;
} // namespace store

// TfrmMain: the frame of the program. Menus, the top bar of picture buttons, the navigation
// panel, the host area that shows one module at a time, the status bar, and every module
// command with its right, log text and dataset preparation.
class MainWindow : public QMainWindow, public ModuleHost
{
    Q_OBJECT
public:
    explicit MainWindow(store::DataModule &dm, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Runs once after the login when the window is first shown. False when the program
    // must end (the default data file is missing); a store error is shown and it goes on.
    bool runShowStep();

    QAction *action(const QString &name) const;
    Rights &rights() { return *m_rights; }
    CommandEnabler &enabler() { return *m_enabler; }
    FilePanel *filePanel() const { return m_filePanel; }
    store::DataModule &dataModule() { return m_dm; }

    void registerModule(const QString &command, QWidget *panel) override;
    void setCommandWindow(const QString &command, std::function<void()> open) override;
    Workspace &workspace() { return *m_workspace; }

    // ModuleHost
    void showContent(QWidget *panel) override;
    void hideContent(QWidget *panel) override;
    void returnToSchedule(const QString &navigationPage) override;
    void showFolder(const QString &folder) override;
    bool isNavigationVisible() const override;
    void setNavigationVisible(bool visible) override;
    QWidget *frame() override { return this; }
    void showStatus(const QString &text) override;

    QString currentNavigationPage() const;
    void setNavigationPage(const QString &page) override;
    QWidget *currentContent() const;
    QWidget *schedulePanel() const;

    static QString homePage();
    static QString supportMail();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The works of the commands, each given the name of its command.
    void openWindow(const QString &command);
    void openAdminWindow(const QString &command);
    void changePassword(const QString &command);
    void openBackupWindow(const QString &command);
    void openLogWindow(const QString &command);
    void openServerWindow(const QString &command);
    void exitProgram(const QString &command);
    void showAgents(const QString &command);
    void showContacts(const QString &command);
    void showReferrers(const QString &command);
    void showRecords(const QString &command);
    void showSchedule(const QString &command);
    void showLedger(const QString &command);
    void showAnalysis(const QString &command);
    void openBoard(const QString &command);
    void showTool(const QString &command);
    void showMail(const QString &command);
    void logOnly(const QString &command);
    void togglePanel(const QString &command);
    void showHelp(const QString &command);

    struct Module;
    struct Command;
    static const Command Commands[];

    void buildCommands();
    void buildMenus();
    void buildTopBar();
    void buildNavigation();
    void buildStatusBar();

    void run(const QString &log, const std::function<void()> &work);
    bool requireAdministrator();
    void switchModule(const Module &module);
    void switchAgentModule(const QString &command, const store::Dataset &folderSet,
                           const char *agentField, std::initializer_list<store::Dataset *> owned,
                           std::initializer_list<store::Dataset *> whole,
                           std::function<void()> prepare);
    void openEach(std::initializer_list<store::Dataset *> sets);
    void openDictionaries();
    void showRecordFolder(const QString &code);
    void setFilePanelVisible(bool visible);
    void placeWindow();
    void keepPlaces();
    void focusInto(QWidget *panel);
    QWidget *placeholder(const QString &command);
    void tick();
    void updateNumLock();

    store::DataModule &m_dm;
    Rights *m_rights;
    CommandEnabler *m_enabler;
    std::unique_ptr<Workspace> m_workspace;
    FilePanel *m_filePanel = nullptr;

    QHash<QString, QAction *> m_actions;
    QHash<QString, QWidget *> m_modules;
    QHash<QString, QWidget *> m_placeholders;
    QHash<QString, std::function<void()>> m_windows;
    QWidget *m_top = nullptr;
    QWidget *m_left = nullptr;
    QToolBox *m_pages = nullptr;
    QSplitter *m_split = nullptr;
    QStackedWidget *m_host = nullptr;
    SchedulePanel *m_schedule = nullptr;
    QLabel *m_status[5] = {};
    QTimer *m_clock = nullptr;
    bool m_shown = false;
    // Where the user put the file panel (this session or kept from the last); none: beside
    // the frame.
    std::optional<QPoint> m_panelPlace;
    bool m_placingPanel = false; // the program, not the user, moves the panel
    bool m_exitConfirmed = false;
};
