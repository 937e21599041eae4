#include "folderchooser.h"

#include "folderview.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QTreeView>

FolderChooser::FolderChooser(const QString &caption, const QString &start, QWidget *parent)
    : QWidget(parent)
{
    auto *title = new QLabel(caption, this);

    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("DriveComboBox1"));
    for (const QFileInfo &drive : QDir::drives())
        m_drives->addItem(QDir::toNativeSeparators(drive.absolutePath()), drive.absolutePath());

    m_dirs = new QFileSystemModel(this);
    m_dirs->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_dirs->setRootPath(QString());

    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("DirectoryOutline1"));
    m_tree->setToolTip(QStringLiteral("双击选择文件目录"));
    m_tree->setModel(m_dirs);
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_dirs->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setExpandsOnDoubleClick(false);
    title->setBuddy(m_tree);

    m_path = new QLabel(this);
    m_path->setObjectName(QStringLiteral("lblFolder"));
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_listing = new FolderView(false, this);
    m_listing->setObjectName(QStringLiteral("FileListView1"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(title, 0, 0);
    grid->addWidget(m_drives, 1, 0);
    grid->addWidget(m_tree, 2, 0);
    grid->addWidget(m_listing, 1, 1, 2, 1);
    grid->addWidget(m_path, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    connect(m_tree, &QAbstractItemView::activated, this, &FolderChooser::treeActivated);
    connect(m_drives, &QComboBox::activated, this,
            [this](int row) { chooseFolder(m_drives->itemData(row).toString()); });
    connect(m_listing, &FolderView::folderOpened, this, [this](const QString &path) {
        showInTree(path);
        showPath(path);
        Q_EMIT folderChosen(path);
    });

    // The folders above the chosen one are read in the background; as they arrive, the tree
    // keeps the chosen folder in view.
    connect(m_dirs, &QFileSystemModel::directoryLoaded, this, [this](const QString &loaded) {
        if (QDir(m_listing->folder()).absolutePath().startsWith(QDir(loaded).absolutePath()))
            m_tree->scrollTo(m_tree->currentIndex());
    });

    // The start is where the file panel stands; nothing moves until the user chooses.
    m_listing->setFolder(start);
    showInTree(m_listing->folder());
    showPath(m_listing->folder());
}

QString FolderChooser::folder() const
{
    return m_listing->folder();
}

void FolderChooser::chooseFolder(const QString &path)
{
    m_listing->setFolder(path);
    showInTree(m_listing->folder());
    showPath(m_listing->folder());
    Q_EMIT folderChosen(m_listing->folder());
}

void FolderChooser::treeActivated(const QModelIndex &index)
{
    if (index.isValid())
        chooseFolder(m_dirs->filePath(index));
}

void FolderChooser::showInTree(const QString &path)
{
    const QModelIndex index = m_dirs->index(path);
    if (!index.isValid())
        return;
    // Opened down to the folder: every folder above it expanded, the folder itself too.
    for (QModelIndex up = index; up.isValid(); up = up.parent())
        m_tree->expand(up);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    for (int row = 0; row < m_drives->count(); ++row) {
        if (path.startsWith(m_drives->itemData(row).toString(), Qt::CaseInsensitive)) {
            m_drives->setCurrentIndex(row);
            break;
        }
    }
}

void FolderChooser::showPath(const QString &path)
{
    m_path->setText(QDir::toNativeSeparators(path));
}

void FolderChooser::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Once the window has its size, the tree scrolls to the folder.
    QTimer::singleShot(0, this, [this] { m_tree->scrollTo(m_tree->currentIndex()); });
}
