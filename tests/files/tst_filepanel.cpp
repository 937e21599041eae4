#include "desktopservices.h"
#include "filepanel.h"
#include "filesfixture.h"
#include "folderview.h"
#include "messagebox.h"
#include "newfiledialog.h"
#include "pastefiledialog.h"
#include "recordfolders.h"
#include "session.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

// The file panel TfrmTools: its tool pictures, the list toolbar and context menu with their
// log rows, the envelope right, the listing itself, and where the window sits.
class TestFilePanel : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void window();
    void toolPictures_data();
    void toolPictures();
    void envelopesWithRight();
    void envelopesWithoutRight();
    void rootUpAndRefresh();
    void commandsOpenTheirDialogs();
    void viewStyles_data();
    void viewStyles();
    void listing();
    void renameInPlace();
    void closeAndPlace();

  private:
    QAction *action(const QString &name);
    QString folder(const QString &relative) const
    {
        return m_f->filesDir() + QLatin1Char('/') + relative;
    }

    std::unique_ptr<FilesFixture> m_f;
    std::unique_ptr<FilePanel> m_panel;
};

void TestFilePanel::initTestCase()
{
    m_f = std::make_unique<FilesFixture>();
    QVERIFY(RecordFolders::ensure(RecordFolders::root()));
}

void TestFilePanel::init()
{
    MessageBox::clearHistory();
    DesktopServices::clearHistory();
    m_panel = std::make_unique<FilePanel>(m_f->dm, m_f->rights);
}

void TestFilePanel::cleanup()
{
    FilePanel::setDialogHook({});
    m_panel.reset();
}

QAction *TestFilePanel::action(const QString &name)
{
    QAction *found = m_panel->findChild<QAction *>(name);
    if (!found)
        qWarning("no action %s", qPrintable(name));
    return found;
}

void TestFilePanel::window()
{
    QCOMPARE(m_panel->objectName(), QStringLiteral("TfrmTools"));
    QCOMPARE(m_panel->windowTitle(), QStringLiteral("文件及工具栏"));
    const Qt::WindowFlags flags = m_panel->windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    QCOMPARE(m_panel->minimumSize(), m_panel->maximumSize());

    // It starts on the root of all record folders.
    QCOMPARE(m_panel->folder(), m_f->filesDir());

    const QStringList tips = {QStringLiteral("新建文件"), QStringLiteral("剪切"),
                              QStringLiteral("复制"),     QStringLiteral("文件根目录"),
                              QStringLiteral("向上"),     QStringLiteral("刷新")};
    const QStringList names = {QStringLiteral("actNewFile"), QStringLiteral("actCut"),
                               QStringLiteral("actCopy"),    QStringLiteral("actRoot"),
                               QStringLiteral("actUp"),      QStringLiteral("actRefresh")};
    for (int i = 0; i < names.size(); ++i) {
        QAction *a = action(names[i]);
        QVERIFY(a);
        QCOMPARE(a->toolTip(), tips[i]);
    }
}

void TestFilePanel::toolPictures_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("operate");
    QTest::addColumn<int>("kind");
    QTest::newRow("calculator") << QStringLiteral("imgCalculator") << QStringLiteral("工具-计算器")
                                << int(DesktopServices::Kind::Calculator);
    QTest::newRow("calendar") << QStringLiteral("imgCalendar") << QStringLiteral("工具-日历")
                              << int(DesktopServices::Kind::Calendar);
    QTest::newRow("system info") << QStringLiteral("imgSystemInfo")
                                 << QStringLiteral("工具-系统信息")
                                 << int(DesktopServices::Kind::SystemInfo);
}

void TestFilePanel::toolPictures()
{
    QFETCH(QString, button);
    QFETCH(QString, operate);
    QFETCH(int, kind);
    auto *picture = m_panel->findChild<QToolButton *>(button);
    QVERIFY(picture);
    QVERIFY(!picture->icon().isNull());
    const int before = m_f->logCount(operate);
    QTest::mouseClick(picture, Qt::LeftButton);
    QCOMPARE(m_f->logCount(operate), before + 1);
    QCOMPARE(DesktopServices::calls().size(), 1);
    QCOMPARE(int(DesktopServices::last().kind), kind);
}

// Runs before envelopesWithoutRight, which takes the right away.
void TestFilePanel::envelopesWithRight()
{
    store::DataModule &dm = m_f->dm;
    QVERIFY(m_f->rights.allows(QStringLiteral("503")));
    dm.qryLinkmans3.close();
    dm.qryLinkmans3.setSql(QStringLiteral("select * from tblLinkmans where 1 = 0"));
    dm.qryLinkmans3.open();
    dm.tblCustomers2.open();
    const int agents = dm.tblCustomers2.rowCount();
    // Another seat adds an agent and a contact: the envelope sets must see them.
    dm.connection().exec(
        QStringLiteral("INSERT INTO tblCustomers (CustId, CustName) VALUES (?, ?)"),
        {QStringLiteral("E001"), QStringLiteral("信封测试代理")});
    dm.connection().exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Name) "
                                        "VALUES (?, ?, ?)"),
                         {QStringLiteral("L001"), QStringLiteral("E001"), QStringLiteral("李四")});

    QSignalSpy requested(m_panel.get(), &FilePanel::envelopeRequested);
    QTest::mouseClick(m_panel->findChild<QToolButton *>(QStringLiteral("imgEnvelope")),
                      Qt::LeftButton);
    QCOMPARE(requested.size(), 1);
    QCOMPARE(m_f->logCount(QStringLiteral("工具-信封标签")), 1);
    QVERIFY(MessageBox::history().isEmpty());
    QCOMPARE(dm.tblCustomers2.rowCount(), agents + 1);
    QCOMPARE(dm.qryLinkmans3.sql(), QStringLiteral("select * from tblLinkmans"));
    QVERIFY(dm.qryLinkmans3.isOpen());
    QVERIFY(dm.qryLinkmans3.locate(QStringLiteral("LinkmanID"), QStringLiteral("L001")));
}

void TestFilePanel::envelopesWithoutRight()
{
    store::DataModule &dm = m_f->dm;
    dm.connection().exec(
        QStringLiteral("DELETE FROM tblUserRight WHERE UserID = ? AND RightID = ?"),
        {QStringLiteral("Admin"), QStringLiteral("503")});
    dm.tblUserRight.refresh();
    m_f->rights.invalidate();
    const int logged = m_f->logCount(QStringLiteral("工具-信封标签"));
    const int allRows =
        dm.connection().scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog")).toInt();

    QSignalSpy requested(m_panel.get(), &FilePanel::envelopeRequested);
    QTest::mouseClick(m_panel->findChild<QToolButton *>(QStringLiteral("imgEnvelope")),
                      Qt::LeftButton);
    QCOMPARE(requested.size(), 0);
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().text, QStringLiteral("对不起，您不能使用信封标签打印功能！"));
    QCOMPARE(MessageBox::last().title, QStringLiteral("系统提示"));
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QCOMPARE(m_f->logCount(QStringLiteral("工具-信封标签")), logged);
    QCOMPARE(dm.connection().scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog")).toInt(),
             allRows);
}

void TestFilePanel::rootUpAndRefresh()
{
    // 文件根目录 makes a missing FilesDir again and shows it.
    QVERIFY(QDir(m_f->filesDir()).removeRecursively());
    m_panel->showFolder(QDir::tempPath());
    action(QStringLiteral("actRoot"))->trigger();
    QVERIFY(QFileInfo(m_f->filesDir()).isDir());
    QCOMPARE(m_panel->folder(), m_f->filesDir());
    QCOMPARE(m_f->logCount(QStringLiteral("文件管理-文件根目录")), 1);

    QVERIFY(FilesFixture::makeFolder(folder(QStringLiteral("A/B"))));
    m_panel->showFolder(folder(QStringLiteral("A/B")));
    QSignalSpy moved(m_panel.get(), &FilePanel::folderChanged);
    action(QStringLiteral("actUp"))->trigger();
    QCOMPARE(m_panel->folder(), folder(QStringLiteral("A")));
    QCOMPARE(moved.size(), 1);
    QCOMPARE(moved.at(0).at(0).toString(), folder(QStringLiteral("A")));
    QCOMPARE(m_f->logCount(QStringLiteral("文件管理-向上")), 1);

    QVERIFY(FilesFixture::writeFile(folder(QStringLiteral("A/new.txt")), "x"));
    action(QStringLiteral("actRefresh"))->trigger();
    QCOMPARE(m_f->logCount(QStringLiteral("文件管理-刷新")), 1);
    QCOMPARE(m_panel->folder(), folder(QStringLiteral("A")));
    QTRY_COMPARE(m_panel->folderView()->entries(),
                 QStringList({QStringLiteral("B"), QStringLiteral("new.txt")}));
}

void TestFilePanel::commandsOpenTheirDialogs()
{
    QVERIFY(FilesFixture::makeFolder(folder(QStringLiteral("C001"))));
    m_panel->showFolder(folder(QStringLiteral("C001")));
    struct Opened {
        QString name, title, folder;
    };
    QList<Opened> opened;
    FilePanel::setDialogHook([&](QDialog &dialog) {
        QVERIFY(dialog.isModal());
        QString start;
        if (auto *d = qobject_cast<NewFileDialog *>(&dialog))
            start = d->folder();
        if (auto *d = qobject_cast<PasteFileDialog *>(&dialog))
            start = d->target();
        opened.append({dialog.objectName(), dialog.windowTitle(), start});
    });

    action(QStringLiteral("actNewFile"))->trigger();
    QCOMPARE(m_f->logCount(QStringLiteral("文件管理-新建文件")), 1);
    action(QStringLiteral("actCut"))->trigger();
    QCOMPARE(m_f->logCount(QStringLiteral("文件管理-剪切文件")), 1);
    QCOMPARE(store::session().FileClipMode, QStringLiteral("Cut"));
    action(QStringLiteral("actCopy"))->trigger();
    QCOMPARE(m_f->logCount(QStringLiteral("文件管理-复制文件")), 1);
    QCOMPARE(store::session().FileClipMode, QStringLiteral("Copy"));
    // The main menu's entries reach the same commands.
    m_panel->cutFile();
    QCOMPARE(store::session().FileClipMode, QStringLiteral("Cut"));
    QCOMPARE(m_f->logCount(QStringLiteral("文件管理-剪切文件")), 2);

    QCOMPARE(opened.size(), 4);
    const QString start = folder(QStringLiteral("C001"));
    QCOMPARE(opened[0].name, QStringLiteral("TfrmNewFile"));
    QCOMPARE(opened[0].title, QStringLiteral("新建文件"));
    QCOMPARE(opened[1].name, QStringLiteral("TfrmPasteFile"));
    QCOMPARE(opened[1].title, QStringLiteral("剪切文件"));
    QCOMPARE(opened[2].title, QStringLiteral("复制文件"));
    QCOMPARE(opened[3].title, QStringLiteral("剪切文件"));
    for (const Opened &o : opened)
        QCOMPARE(o.folder, start);
}

void TestFilePanel::viewStyles_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("operate");
    QTest::addColumn<int>("style");
    QTest::newRow("large icons") << QStringLiteral("mnuLargeIcons")
                                 << QStringLiteral("文件管理-显示大图标")
                                 << int(FolderView::Style::LargeIcons);
    QTest::newRow("small icons") << QStringLiteral("mnuSmallIcons")
                                 << QStringLiteral("文件管理-显示小图标")
                                 << int(FolderView::Style::SmallIcons);
    QTest::newRow("details") << QStringLiteral("mnuDetails")
                             << QStringLiteral("文件管理-显示详细资料")
                             << int(FolderView::Style::Details);
    QTest::newRow("list") << QStringLiteral("mnuList") << QStringLiteral("文件管理-显示列表")
                          << int(FolderView::Style::List);
}

void TestFilePanel::viewStyles()
{
    QFETCH(QString, entry);
    QFETCH(QString, operate);
    QFETCH(int, style);
    FolderView *view = m_panel->folderView();
    QCOMPARE(view->style(), FolderView::Style::List);
    QMenu *menu = view->contextMenu();
    QVERIFY(menu);
    QStringList texts;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            texts.append(a->text());
    QCOMPARE(texts, QStringList({QStringLiteral("排列方式..."), QStringLiteral("按名称排列"),
                                 QStringLiteral("大图标"), QStringLiteral("小图标"),
                                 QStringLiteral("列表..."), QStringLiteral("详细资料..."),
                                 QStringLiteral("刷新")}));

    // From large icons, so that choosing the list style is a change as well.
    if (style == int(FolderView::Style::List))
        view->setStyle(FolderView::Style::LargeIcons);
    const int before = m_f->logCount(operate);
    menu->findChild<QAction *>(entry)->trigger();
    QCOMPARE(m_f->logCount(operate), before + 1);
    QCOMPARE(int(view->style()), style);
    QVERIFY(menu->findChild<QAction *>(entry)->isChecked());

    const bool details = style == int(FolderView::Style::Details);
    QCOMPARE(view->currentView() == view->detailsView(), details);
    QCOMPARE(view->detailsView()->isVisibleTo(view), details);
    QCOMPARE(view->listView()->isVisibleTo(view), !details);
    if (!details)
        QCOMPARE(view->listView()->viewMode() == QListView::IconMode,
                 style == int(FolderView::Style::LargeIcons));
    // Both views show the same folder.
    QCOMPARE(view->model()->filePath(view->currentView()->rootIndex()), m_panel->folder());

    // The heading does nothing and writes nothing.
    const int rows =
        m_f->dm.connection().scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog")).toInt();
    menu->findChild<QAction *>(QStringLiteral("mnuArrange"))->trigger();
    QCOMPARE(m_f->dm.connection().scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog")).toInt(),
             rows);
    QCOMPARE(int(view->style()), style);

    for (const auto &[name, text] : {std::pair{"mnuByName", "文件管理-按名称排列"},
                                     std::pair{"mnuRefresh", "文件管理-刷新"}}) {
        const int n = m_f->logCount(QString::fromUtf8(text));
        menu->findChild<QAction *>(QLatin1String(name))->trigger();
        QCOMPARE(m_f->logCount(QString::fromUtf8(text)), n + 1);
        QCOMPARE(int(view->style()), style); // refreshing keeps the style
    }
}

void TestFilePanel::listing()
{
    const QString agent = folder(QStringLiteral("C100"));
    QVERIFY(FilesFixture::makeFolder(agent + QStringLiteral("/图纸")));
    QVERIFY(FilesFixture::writeFile(agent + QStringLiteral("/b.doc"), "b"));
    QVERIFY(FilesFixture::writeFile(agent + QStringLiteral("/a.txt"), "a"));
    m_panel->show();
    m_panel->showFolder(agent);
    FolderView *view = m_panel->folderView();
    // Sorted by name, folders before files.
    QTRY_COMPARE(view->entries(), QStringList({QStringLiteral("图纸"), QStringLiteral("a.txt"),
                                               QStringLiteral("b.doc")}));
    QCOMPARE(view->listView()->selectionMode(), QAbstractItemView::ExtendedSelection);

    // A file made by someone else appears by itself.
    QVERIFY(FilesFixture::writeFile(agent + QStringLiteral("/c.xls"), "c"));
    QTRY_VERIFY(view->entries().contains(QStringLiteral("c.xls")));

    // Double-clicking a file opens it with the desktop's program.
    QFileSystemModel *model = view->model();
    Q_EMIT view->listView()->doubleClicked(model->index(agent + QStringLiteral("/a.txt")));
    QCOMPARE(DesktopServices::calls().size(), 1);
    QCOMPARE(DesktopServices::last().kind, DesktopServices::Kind::File);
    QCOMPARE(QUrl(DesktopServices::last().target).toLocalFile(), agent + QStringLiteral("/a.txt"));
    QCOMPARE(m_panel->folder(), agent);

    // Double-clicking a folder shows it.
    Q_EMIT view->listView()->doubleClicked(model->index(agent + QStringLiteral("/图纸")));
    QCOMPARE(m_panel->folder(), agent + QStringLiteral("/图纸"));
    QCOMPARE(DesktopServices::calls().size(), 1);

    // A folder that does not exist is shown as such, not as the whole disk.
    m_panel->showFolder(folder(QStringLiteral("gone")));
    QCOMPARE(m_panel->folder(), folder(QStringLiteral("gone")));
    QVERIFY(view->entries().isEmpty());
    QVERIFY(!view->listView()->isVisibleTo(view));
    QVERIFY(!view->detailsView()->isVisibleTo(view));
}

void TestFilePanel::renameInPlace()
{
    const QString agent = folder(QStringLiteral("C200"));
    QVERIFY(FilesFixture::makeFolder(agent));
    QVERIFY(FilesFixture::writeFile(agent + QStringLiteral("/old.txt"), "old"));
    QVERIFY(FilesFixture::writeFile(agent + QStringLiteral("/keep.txt"), "keep"));
    m_panel->show();
    m_panel->showFolder(agent);
    FolderView *view = m_panel->folderView();
    QTRY_COMPARE(view->entries().size(), 2);
    QFileSystemModel *model = view->model();
    QVERIFY(!model->isReadOnly());
    QVERIFY(view->listView()->editTriggers() & QAbstractItemView::EditKeyPressed);

    // A name another file has is refused; neither file changes.
    QVERIFY(!model->setData(model->index(agent + QStringLiteral("/old.txt")),
                            QStringLiteral("keep.txt")));
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QCOMPARE(FilesFixture::readFile(agent + QStringLiteral("/old.txt")), QByteArray("old"));
    QCOMPARE(FilesFixture::readFile(agent + QStringLiteral("/keep.txt")), QByteArray("keep"));

    // A name that would leave the folder is refused.
    QVERIFY(!model->setData(model->index(agent + QStringLiteral("/old.txt")),
                            QStringLiteral("../moved.txt")));
    QCOMPARE(MessageBox::history().size(), 2);
    QVERIFY(!QFileInfo::exists(m_f->filesDir() + QStringLiteral("/moved.txt")));

    QVERIFY(model->setData(model->index(agent + QStringLiteral("/old.txt")),
                           QStringLiteral("报价单.txt")));
    QVERIFY(!QFileInfo::exists(agent + QStringLiteral("/old.txt")));
    QCOMPARE(FilesFixture::readFile(agent + QStringLiteral("/报价单.txt")), QByteArray("old"));
}

void TestFilePanel::closeAndPlace()
{
    QMainWindow main;
    main.menuBar()->addMenu(QStringLiteral("系统设置"));
    main.setCentralWidget(new QWidget(&main));
    main.setGeometry(100, 80, 900, 600);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    FilePanel panel(m_f->dm, m_f->rights, &main);
    QSignalSpy closed(&panel, &FilePanel::closedByUser);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const QPoint client = main.mapToGlobal(QPoint(0, 0));
    const int top = main.centralWidget()->geometry().top();
    QVERIFY(top > 0); // below the menu bar
    QCOMPARE(panel.frameGeometry().right() + 1, client.x() + main.width());
    QCOMPARE(panel.frameGeometry().top(), client.y() + top);

    panel.placeBeside(&main, 40);
    QCOMPARE(panel.frameGeometry().top(), client.y() + 40);
    QCOMPARE(panel.frameGeometry().right() + 1, client.x() + main.width());

    // The main window hides it without a word; the close box announces itself.
    panel.hide();
    QCOMPARE(closed.size(), 0);
    panel.show();
    QVERIFY(panel.close());
    QCOMPARE(closed.size(), 1);
    QVERIFY(!panel.isVisible());
}

QTEST_MAIN(TestFilePanel)
#include "tst_filepanel.moc"
