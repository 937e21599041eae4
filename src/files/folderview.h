#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class FileListModel;
class QAbstractItemView;
class QAction;
class QActionGroup;
class QFileSystemModel;
class QLabel;
class QListView;
class QMenu;
class QModelIndex;
class QStackedWidget;
class QTreeView;

// The listing of one folder: its folders and files sorted by name, several selectable, shown
// as large icons, small icons, a list or details (a tree view on the same model), with the
// context menu that switches between them. Double-clicking a folder shows it; double-clicking
// a file opens it with the desktop's program. The listing follows changes on disk.
//
// The file panel writes a log row for each context-menu entry (setLogger); the dialogs'
// listings run the same entries without logging.
class FolderView : public QWidget
{
    Q_OBJECT
  public:
    enum class Style { LargeIcons, SmallIcons, List, Details };
    using Logger = std::function<void(const QString &operate)>;

    explicit FolderView(bool renamable, QWidget *parent = nullptr);

    void setLogger(Logger log) { m_log = std::move(log); }

    // Shows `path` (cleaned, absolute). A folder that does not exist shows as an empty page
    // saying so; refresh() looks again.
    void setFolder(const QString &path);
    QString folder() const { return m_folder; }
    bool folderExists() const;

    // Reads the folder again from disk, keeping the style.
    void refresh();
    void sortByName();
    void setStyle(Style style);
    Style style() const { return m_style; }

    // The names listed now, in the order shown. The listing is read in the background, so
    // right after setFolder or refresh it may still be filling.
    QStringList entries() const;
    QStringList selectedPaths() const;

    QFileSystemModel *model() const;
    QListView *listView() const { return m_list; }
    QTreeView *detailsView() const { return m_details; }
    QAbstractItemView *currentView() const;
    QMenu *contextMenu() const { return m_menu; }

  Q_SIGNALS:
    // The folder shown changed, by setFolder or by the user opening a folder in the listing.
    void folderChanged(const QString &path);
    // The user opened a folder of the listing.
    void folderOpened(const QString &path);

  private:
    void buildMenu();
    QAction *addCommand(const QString &name, const QString &text, const QString &operate,
                        const std::function<void()> &effect);
    void installModel();
    void showRoot();
    void applyStyle();
    void open(const QModelIndex &index);
    void showMenu(QAbstractItemView *view, const QPoint &pos);

    bool m_renamable;
    Logger m_log;
    QString m_folder;
    Style m_style = Style::List;
    QPointer<FileListModel> m_model;
    QStackedWidget *m_pages = nullptr;
    QListView *m_list = nullptr;
    QTreeView *m_details = nullptr;
    QLabel *m_missing = nullptr;
    QMenu *m_menu = nullptr;
    QActionGroup *m_styles = nullptr;
};
