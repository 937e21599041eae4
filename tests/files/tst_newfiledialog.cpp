#include "filepanel.h"
#include "filesfixture.h"
#include "folderchooser.h"
#include "folderview.h"
#include "messagebox.h"
#include "newfiledialog.h"
#include "recordfolders.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

// The new-file dialog TfrmNewFile: the order of its checks, the empty file it makes, that an
// existing file is never emptied, and that choosing a folder moves the file panel along.
class TestNewFileDialog : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void layout();
    void emptyNameRefused();
    void noTypeRefused();
    void createsEmptyFile_data();
    void createsEmptyFile();
    void existingFileNeverEmptied();
    void unusableNamesRefused_data();
    void unusableNamesRefused();
    void newAndCancel();
    void choosingFolderMovesPanel();

  private:
    QString agentFolder() const { return m_f->filesDir() + QStringLiteral("/C001"); }
    static QPushButton *button(QDialog &dialog, const QString &name)
    {
        return dialog.findChild<QPushButton *>(name);
    }
    static void pickType(NewFileDialog &dialog, int row)
    {
        dialog.typeList()->item(row)->setSelected(true);
    }

    std::unique_ptr<FilesFixture> m_f;
};

void TestNewFileDialog::initTestCase()
{
    m_f = std::make_unique<FilesFixture>();
    QVERIFY(RecordFolders::ensure(*RecordFolders::folderFor(QStringLiteral("C001"))));
}

void TestNewFileDialog::init()
{
    MessageBox::clearHistory();
}

void TestNewFileDialog::layout()
{
    NewFileDialog dialog(agentFolder());
    QCOMPARE(dialog.objectName(), QStringLiteral("TfrmNewFile"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("新建文件"));
    QStringList types;
    for (int row = 0; row < dialog.typeList()->count(); ++row)
        types.append(dialog.typeList()->item(row)->text());
    QCOMPARE(types, QStringList({QStringLiteral("文本文件（*.Txt）"),
                                 QStringLiteral("Microsoft Word文档（*.doc)"),
                                 QStringLiteral("Microsoft Excel文件（*.xls）")}));
    QVERIFY(dialog.typeList()->selectedItems().isEmpty());
    QCOMPARE(dialog.chooser()->tree()->toolTip(), QStringLiteral("双击选择文件目录"));
    QCOMPARE(dialog.folder(), agentFolder());
    QCOMPARE(dialog.chooser()->pathLabel()->text(), agentFolder());
    QCOMPARE(dialog.chooser()->listing()->folder(), agentFolder());
    QCOMPARE(button(dialog, QStringLiteral("btnOK"))->text(), QStringLiteral("确定"));
    QCOMPARE(button(dialog, QStringLiteral("btnNew"))->text(), QStringLiteral("新建..."));
    QCOMPARE(button(dialog, QStringLiteral("btnCancel"))->text(), QStringLiteral("取消"));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.focusWidget(), dialog.nameEdit());
    // The folder tree stands open at the panel's folder.
    QCOMPARE(FilesFixture::treeOpenAt(dialog.chooser(), agentFolder()), QString());
    // Giving the type list the focus does not choose a type for the user.
    dialog.typeList()->setFocus();
    QVERIFY(dialog.typeList()->selectedItems().isEmpty());
}

void TestNewFileDialog::emptyNameRefused()
{
    NewFileDialog dialog(agentFolder());
    dialog.show();
    pickType(dialog, 0);
    dialog.typeList()->setFocus();
    const QStringList before = FilesFixture::tree(m_f->appDir());
    button(dialog, QStringLiteral("btnOK"))->click();
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().text, QStringLiteral("请输入需要创建的文件名称！"));
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QCOMPARE(MessageBox::last().title, QStringLiteral("系统提示"));
    QCOMPARE(dialog.focusWidget(), dialog.nameEdit());
    QCOMPARE(FilesFixture::tree(m_f->appDir()), before);
}

void TestNewFileDialog::noTypeRefused()
{
    NewFileDialog dialog(agentFolder());
    dialog.show();
    dialog.nameEdit()->setText(QStringLiteral("报价"));
    const QStringList before = FilesFixture::tree(m_f->appDir());
    QVERIFY(dialog.createFile().isEmpty());
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().text, QStringLiteral("请选择需要创建的文件的类型！"));
    QCOMPARE(dialog.focusWidget(), dialog.typeList());
    QCOMPARE(FilesFixture::tree(m_f->appDir()), before);
}

void TestNewFileDialog::createsEmptyFile_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("text") << 0 << QStringLiteral(".txt");
    QTest::newRow("word") << 1 << QStringLiteral(".doc");
    QTest::newRow("excel") << 2 << QStringLiteral(".xls");
}

void TestNewFileDialog::createsEmptyFile()
{
    QFETCH(int, type);
    QFETCH(QString, suffix);
    NewFileDialog dialog(agentFolder());
    dialog.show();
    const QString name = QStringLiteral("contract ") + QString::number(type);
    QTest::keyClicks(dialog.nameEdit(), name);
    pickType(dialog, type);
    button(dialog, QStringLiteral("btnOK"))->click();

    QVERIFY(MessageBox::history().isEmpty());
    const QFileInfo made(agentFolder() + QLatin1Char('/') + name + suffix);
    QVERIFY(made.isFile());
    QCOMPARE(made.size(), 0);
    // Still open for the next file, whose listing shows this one.
    QVERIFY(dialog.isVisible());
    QTRY_VERIFY(dialog.chooser()->listing()->entries().contains(made.fileName()));
}

void TestNewFileDialog::existingFileNeverEmptied()
{
    const QString memo = agentFolder() + QStringLiteral("/memo.txt");
    QVERIFY(FilesFixture::writeFile(memo, "约定的内容"));
    NewFileDialog dialog(agentFolder());
    dialog.show();
    dialog.nameEdit()->setText(QStringLiteral("memo"));
    pickType(dialog, 0);
    QVERIFY(dialog.createFile().isEmpty());
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QVERIFY2(MessageBox::last().text.contains(QStringLiteral("memo.txt")),
             qPrintable(MessageBox::last().text));
    QCOMPARE(FilesFixture::readFile(memo), QStringLiteral("约定的内容").toUtf8());

    // Another type makes another file beside it.
    pickType(dialog, 1);
    QCOMPARE(dialog.createFile(), agentFolder() + QStringLiteral("/memo.doc"));
    QCOMPARE(FilesFixture::readFile(memo), QStringLiteral("约定的内容").toUtf8());
}

void TestNewFileDialog::unusableNamesRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("climbs") << QStringLiteral("../outside");
    QTest::newRow("slash") << QStringLiteral("a/b");
    QTest::newRow("backslash") << QStringLiteral("a\\b");
    QTest::newRow("dot") << QStringLiteral(".");
    QTest::newRow("dot dot") << QStringLiteral("..");
}

void TestNewFileDialog::unusableNamesRefused()
{
    QFETCH(QString, name);
    NewFileDialog dialog(agentFolder());
    dialog.show();
    dialog.nameEdit()->setText(name);
    pickType(dialog, 0);
    const QStringList before = FilesFixture::tree(m_f->appDir());
    QVERIFY(dialog.createFile().isEmpty());
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QCOMPARE(dialog.focusWidget(), dialog.nameEdit());
    QCOMPARE(FilesFixture::tree(m_f->appDir()), before);
}

void TestNewFileDialog::newAndCancel()
{
    NewFileDialog dialog(agentFolder());
    dialog.show();
    dialog.nameEdit()->setText(QStringLiteral("first"));
    dialog.typeList()->setFocus();
    button(dialog, QStringLiteral("btnNew"))->click();
    QVERIFY(dialog.nameEdit()->text().isEmpty());
    QCOMPARE(dialog.focusWidget(), dialog.nameEdit());
    QVERIFY(dialog.isVisible());

    button(dialog, QStringLiteral("btnCancel"))->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    NewFileDialog other(agentFolder());
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTest::keyClick(&other, Qt::Key_Escape);
    QVERIFY(!other.isVisible());
}

void TestNewFileDialog::choosingFolderMovesPanel()
{
    const QString target = agentFolder() + QStringLiteral("/资料");
    const QString deeper = target + QStringLiteral("/2024");
    QVERIFY(FilesFixture::makeFolder(deeper));
    FilePanel panel(m_f->dm, m_f->rights);
    panel.showFolder(agentFolder());

    QString created;
    FilePanel::setDialogHook([&](QDialog &d) {
        auto *dialog = qobject_cast<NewFileDialog *>(&d);
        QVERIFY(dialog);
        QCOMPARE(dialog->folder(), agentFolder());
        // A double-click on a folder in the tree.
        QTreeView *tree = dialog->chooser()->tree();
        auto *dirs = qobject_cast<QFileSystemModel *>(tree->model());
        Q_EMIT tree->activated(dirs->index(target));
        QCOMPARE(panel.folder(), target);
        QCOMPARE(dialog->folder(), target);
        QCOMPARE(dialog->chooser()->pathLabel()->text(), target);
        QCOMPARE(dirs->filePath(tree->currentIndex()), target);

        // Opening a folder in the dialog's listing moves the panel too.
        FolderView *listing = dialog->chooser()->listing();
        QTRY_COMPARE(listing->entries(), QStringList(QStringLiteral("2024")));
        Q_EMIT listing->listView()->doubleClicked(listing->model()->index(deeper));
        QCOMPARE(panel.folder(), deeper);
        QCOMPARE(dialog->folder(), deeper);
        QCOMPARE(dirs->filePath(tree->currentIndex()), deeper);

        // The file goes where the dialog now stands.
        dialog->nameEdit()->setText(QStringLiteral("清单"));
        pickType(*dialog, 2);
        created = dialog->createFile();
    });
    panel.newFile();
    FilePanel::setDialogHook({});
    QCOMPARE(created, deeper + QStringLiteral("/清单.xls"));
    QVERIFY(QFileInfo(created).isFile());
    QCOMPARE(panel.folder(), deeper);
}

QTEST_MAIN(TestNewFileDialog)
#include "tst_newfiledialog.moc"
