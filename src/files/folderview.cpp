#include "folderview.h"

#include "desktopservices.h"
#include "errordisplay.h"
#include "filelistmodel.h"

#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{
constexpr int listPage = 0, detailsPage = 1, missingPage = 2;

void configure(QAbstractItemView *view)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view->setDragDropMode(QAbstractItemView::NoDragDrop);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
}
} // namespace

FolderView::FolderView(bool renamable, QWidget *parent) : QWidget(parent), m_renamable(renamable)
{
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("lvFiles"));
    configure(m_list);

    m_details = new QTreeView(this);
    m_details->setObjectName(QStringLiteral("tvFileDetails"));
    configure(m_details);
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setSortingEnabled(true);

    m_missing = new QLabel(this);
    m_missing->setObjectName(QStringLiteral("lblMissingFolder"));
    m_missing->setAlignment(Qt::AlignCenter);
    m_missing->setWordWrap(true);

    m_pages = new QStackedWidget(this);
    m_pages->insertWidget(listPage, m_list);
    m_pages->insertWidget(detailsPage, m_details);
    m_pages->insertWidget(missingPage, m_missing);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    for (QAbstractItemView *view :
         {static_cast<QAbstractItemView *>(m_list), static_cast<QAbstractItemView *>(m_details)}) {
        connect(view, &QAbstractItemView::doubleClicked, this, &FolderView::open);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &pos) { showMenu(view, pos); });
    }
    buildMenu();
    installModel();
    applyStyle();
}

void FolderView::buildMenu()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("pmFiles"));
    // A heading over the entries below it; choosing it does nothing.
    QAction *heading = m_menu->addAction(QStringLiteral("排列方式..."));
    heading->setObjectName(QStringLiteral("mnuArrange"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    addCommand(QStringLiteral("mnuByName"), QStringLiteral("按名称排列"),
               QStringLiteral("文件管理-按名称排列"), [this] { sortByName(); });
    m_menu->addSeparator();

    m_styles = new QActionGroup(this);
    const struct {
        const char *name, *text, *operate;
        Style style;
    } styles[] = {
        {"mnuLargeIcons", "大图标", "文件管理-显示大图标", Style::LargeIcons},
        {"mnuSmallIcons", "小图标", "文件管理-显示小图标", Style::SmallIcons},
        {"mnuList", "列表...", "文件管理-显示列表", Style::List},
        {"mnuDetails", "详细资料...", "文件管理-显示详细资料", Style::Details},
    };
    for (const auto &s : styles) {
        const Style style = s.style;
        QAction *action =
            addCommand(QLatin1String(s.name), QString::fromUtf8(s.text),
                       QString::fromUtf8(s.operate), [this, style] { setStyle(style); });
        action->setCheckable(true);
        action->setData(static_cast<int>(style));
        m_styles->addAction(action);
    }
    m_menu->addSeparator();
    addCommand(QStringLiteral("mnuRefresh"), QStringLiteral("刷新"),
               QStringLiteral("文件管理-刷新"), [this] { refresh(); });
}

QAction *FolderView::addCommand(const QString &name, const QString &text, const QString &operate,
                                const std::function<void()> &effect)
{
    QAction *action = m_menu->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, operate, effect] {
        ErrorDisplay::run(this, [&] {
            if (m_log)
                m_log(operate);
            effect();
        });
    });
    return action;
}

void FolderView::installModel()
{
    // A fresh model reads the folder from disk again: the file system model has no other way
    // to drop what it has cached (a network share may not report its changes).
    QPointer<FileListModel> old = m_model;
    m_model = new FileListModel(m_renamable, this);
    m_list->setModel(m_model);
    m_details->setModel(m_model);
    // One selection for both views, so switching to details keeps what was selected.
    m_details->setSelectionModel(m_list->selectionModel());
    m_details->header()->setSortIndicator(0, Qt::AscendingOrder);
    if (old)
        old->deleteLater();
}

void FolderView::setFolder(const QString &path)
{
    m_folder = path.isEmpty() ? QString() : QDir::cleanPath(QDir(path).absolutePath());
    showRoot();
    Q_EMIT folderChanged(m_folder);
}

bool FolderView::folderExists() const
{
    return !m_folder.isEmpty() && QFileInfo(m_folder).isDir();
}

void FolderView::showRoot()
{
    if (!folderExists()) {
        m_missing->setText(
            QStringLiteral("文件夹“%1”不存在。").arg(QDir::toNativeSeparators(m_folder)));
        m_pages->setCurrentIndex(missingPage);
        m_list->setToolTip({});
        return;
    }
    const QModelIndex root = m_model->setRootPath(m_folder);
    m_model->sort(0, Qt::AscendingOrder);
    m_list->setRootIndex(root);
    m_details->setRootIndex(root);
    if (m_model->canFetchMore(root))
        m_model->fetchMore(root);
    m_list->setToolTip(QDir::toNativeSeparators(m_folder));
    m_details->setToolTip(m_list->toolTip());
    m_pages->setCurrentIndex(m_style == Style::Details ? detailsPage : listPage);
}

void FolderView::refresh()
{
    installModel();
    applyStyle();
    showRoot();
}

void FolderView::sortByName()
{
    m_model->sort(0, Qt::AscendingOrder);
    m_details->header()->setSortIndicator(0, Qt::AscendingOrder);
}

void FolderView::setStyle(Style style)
{
    m_style = style;
    applyStyle();
    showRoot();
}

void FolderView::applyStyle()
{
    for (QAction *action : m_styles->actions())
        action->setChecked(action->data().toInt() == static_cast<int>(m_style));
    if (m_style == Style::Details)
        return;
    if (m_style == Style::LargeIcons) {
        m_list->setViewMode(QListView::IconMode);
        m_list->setIconSize(QSize(32, 32));
        m_list->setGridSize(QSize(88, 64));
        m_list->setFlow(QListView::LeftToRight);
    } else {
        m_list->setViewMode(QListView::ListMode);
        m_list->setIconSize(QSize(16, 16));
        m_list->setGridSize(QSize());
        // Small icons run in rows, the list in columns.
        m_list->setFlow(m_style == Style::SmallIcons ? QListView::LeftToRight
                                                     : QListView::TopToBottom);
    }
    // Icon mode turns on free movement and dragging; the entries stay where sorting puts them.
    m_list->setMovement(QListView::Static);
    m_list->setDragEnabled(false);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setWordWrap(m_style == Style::LargeIcons);
}

QStringList FolderView::entries() const
{
    QStringList names;
    if (!folderExists())
        return names;
    const QModelIndex root = m_model->index(m_folder);
    for (int row = 0, n = m_model->rowCount(root); row < n; ++row)
        names.append(m_model->fileName(m_model->index(row, 0, root)));
    return names;
}

QStringList FolderView::selectedPaths() const
{
    QStringList paths;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows())
        paths.append(m_model->filePath(index));
    return paths;
}

QFileSystemModel *FolderView::model() const
{
    return m_model;
}

QAbstractItemView *FolderView::currentView() const
{
    if (m_style == Style::Details)
        return m_details;
    return m_list;
}

void FolderView::open(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString path = m_model->filePath(index);
    if (m_model->isDir(index)) {
        setFolder(path);
        Q_EMIT folderOpened(m_folder);
    } else {
        DesktopServices::openFile(path);
    }
}

void FolderView::showMenu(QAbstractItemView *view, const QPoint &pos)
{
    m_menu->popup(view->viewport()->mapToGlobal(pos));
}
