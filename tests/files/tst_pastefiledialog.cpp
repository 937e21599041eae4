#include "filedialog.h"
#include "filepanel.h"
#include "filesfixture.h"
#include "folderchooser.h"
#include "folderview.h"
#include "messagebox.h"
#include "pastefiledialog.h"
#include "recordfolders.h"
#include "session.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

// The paste dialog TfrmPasteFile: copy keeps the source, cut moves it, a file of the same
// name in the target is never replaced (also with cut), and the file panel follows the
// target folder.
class TestPasteFileDialog : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void layout();
    void noSourceRefused();
    void sourceFromFileDialog();
    void copyKeepsSource();
    void cutMovesFile();
    void neverOverwrites_data();
    void neverOverwrites();
    void failedCutKeepsNothingLost();
    void choosingFolderMovesPanel();

  private:
    QString dir(const QString &name) const { return m_root + QLatin1Char('/') + name; }
    static QPushButton *button(QDialog &dialog, const QString &name)
    {
        return dialog.findChild<QPushButton *>(name);
    }

    std::unique_ptr<FilesFixture> m_f;
    QString m_root;
};

void TestPasteFileDialog::initTestCase()
{
    m_f = std::make_unique<FilesFixture>();
    QVERIFY(RecordFolders::ensure(RecordFolders::root()));
}

void TestPasteFileDialog::init()
{
    MessageBox::clearHistory();
    FileDialog::clearHistory();
    // Fresh folders for every case: a source folder and two agents.
    m_root = m_f->filesDir() + QStringLiteral("/case") +
             QString::fromLatin1(QTest::currentTestFunction()) +
             QString::fromLatin1(QTest::currentDataTag());
    QVERIFY(QDir(m_root).removeRecursively());
    for (const char *name : {"src", "C001", "C002"})
        QVERIFY(FilesFixture::makeFolder(dir(QLatin1String(name))));
    QVERIFY(FilesFixture::writeFile(dir(QStringLiteral("src/报价单.doc")), "quote v1"));
}

void TestPasteFileDialog::layout()
{
    PasteFileDialog dialog(QStringLiteral("剪切文件"), dir(QStringLiteral("C001")));
    QCOMPARE(dialog.objectName(), QStringLiteral("TfrmPasteFile"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("剪切文件"));
    QVERIFY(dialog.source().isEmpty());
    QCOMPARE(dialog.target(), dir(QStringLiteral("C001")));
    QCOMPARE(dialog.chooser()->tree()->toolTip(), QStringLiteral("双击选择文件目录"));
    QCOMPARE(button(dialog, QStringLiteral("btnSource"))->text(),
             QStringLiteral("请选择源文件目录"));
    QCOMPARE(button(dialog, QStringLiteral("btnPaste"))->text(), QStringLiteral("粘贴"));
    QCOMPARE(button(dialog, QStringLiteral("btnCancel"))->text(), QStringLiteral("取消"));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(FilesFixture::treeOpenAt(dialog.chooser(), dir(QStringLiteral("C001"))), QString());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
}

void TestPasteFileDialog::noSourceRefused()
{
    store::session().FileClipMode = QStringLiteral("Copy");
    PasteFileDialog dialog(QStringLiteral("复制文件"), dir(QStringLiteral("C001")));
    dialog.show();
    const QStringList before = FilesFixture::tree(m_f->appDir());
    button(dialog, QStringLiteral("btnPaste"))->click();
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().text, QStringLiteral("请选择源文件！"));
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QCOMPARE(MessageBox::last().title, QStringLiteral("系统提示"));
    QCOMPARE(FilesFixture::tree(m_f->appDir()), before);
    QVERIFY(dialog.isVisible());
}

void TestPasteFileDialog::sourceFromFileDialog()
{
    PasteFileDialog dialog(QStringLiteral("复制文件"), dir(QStringLiteral("C001")));
    const QString source = dir(QStringLiteral("src/报价单.doc"));
    FileDialog::setNextFileName(source);
    button(dialog, QStringLiteral("btnSource"))->click();
    QCOMPARE(FileDialog::calls().size(), 1);
    QCOMPARE(FileDialog::last().kind, FileDialog::Kind::Open);
    QCOMPARE(dialog.source(), source);
    QCOMPARE(dialog.sourceEdit()->text(), source);

    // A cancelled second choice keeps the first; it starts where the source is.
    FileDialog::setNextFileName(QString());
    dialog.chooseSource();
    QCOMPARE(FileDialog::last().folder, dir(QStringLiteral("src")));
    QCOMPARE(dialog.source(), source);
}

void TestPasteFileDialog::copyKeepsSource()
{
    store::session().FileClipMode = QStringLiteral("Copy");
    PasteFileDialog dialog(QStringLiteral("复制文件"), dir(QStringLiteral("C001")));
    dialog.show();
    dialog.setSource(dir(QStringLiteral("src/报价单.doc")));
    button(dialog, QStringLiteral("btnPaste"))->click();
    QVERIFY(MessageBox::history().isEmpty());
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("C001/报价单.doc"))),
             QByteArray("quote v1"));
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("src/报价单.doc"))), QByteArray("quote v1"));
    QTRY_COMPARE(dialog.chooser()->listing()->entries(), QStringList(QStringLiteral("报价单.doc")));

    // The dialog stays open: the same source goes to a further folder.
    QVERIFY(dialog.isVisible());
    dialog.chooser()->chooseFolder(dir(QStringLiteral("C002")));
    QVERIFY(dialog.paste());
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("C002/报价单.doc"))),
             QByteArray("quote v1"));
    QVERIFY(QFileInfo::exists(dir(QStringLiteral("src/报价单.doc"))));
}

void TestPasteFileDialog::cutMovesFile()
{
    store::session().FileClipMode = QStringLiteral("Cut");
    PasteFileDialog dialog(QStringLiteral("剪切文件"), dir(QStringLiteral("C001")));
    dialog.setSource(dir(QStringLiteral("src/报价单.doc")));
    QVERIFY(dialog.paste());
    QVERIFY(MessageBox::history().isEmpty());
    QCOMPARE(FilesFixture::tree(m_root),
             QStringList({QStringLiteral("C001"), QStringLiteral("C001/报价单.doc"),
                          QStringLiteral("C002"), QStringLiteral("src")}));
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("C001/报价单.doc"))),
             QByteArray("quote v1"));
}

void TestPasteFileDialog::neverOverwrites_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("copy") << QStringLiteral("Copy");
    QTest::newRow("cut") << QStringLiteral("Cut");
}

void TestPasteFileDialog::neverOverwrites()
{
    QFETCH(QString, mode);
    store::session().FileClipMode = mode;
    QVERIFY(FilesFixture::writeFile(dir(QStringLiteral("C001/报价单.doc")), "quote v0, signed"));
    PasteFileDialog dialog(QStringLiteral("粘贴文件"), dir(QStringLiteral("C001")));
    dialog.setSource(dir(QStringLiteral("src/报价单.doc")));
    QVERIFY(!dialog.paste());
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().text, QStringLiteral("目标文件夹中已有同名文件，未复制。"));
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("C001/报价单.doc"))),
             QByteArray("quote v0, signed"));
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("src/报价单.doc"))), QByteArray("quote v1"));

    // Pasting a file into its own folder is the same case: it stays as it is.
    dialog.chooser()->chooseFolder(dir(QStringLiteral("src")));
    QVERIFY(!dialog.paste());
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("src/报价单.doc"))), QByteArray("quote v1"));
}

void TestPasteFileDialog::failedCutKeepsNothingLost()
{
    // The source was moved away meanwhile (a first cut, another seat): the failure is
    // reported and nothing appears in the target.
    store::session().FileClipMode = QStringLiteral("Cut");
    PasteFileDialog dialog(QStringLiteral("剪切文件"), dir(QStringLiteral("C001")));
    dialog.setSource(dir(QStringLiteral("src/报价单.doc")));
    QVERIFY(dialog.paste());
    dialog.chooser()->chooseFolder(dir(QStringLiteral("C002")));
    QVERIFY(!dialog.paste());
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QVERIFY(FilesFixture::tree(dir(QStringLiteral("C002"))).isEmpty());
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("C001/报价单.doc"))),
             QByteArray("quote v1"));

    // A target folder that cannot take the file: the source of a cut stays where it is.
    QVERIFY(FilesFixture::writeFile(dir(QStringLiteral("src/b.txt")), "b"));
    dialog.setSource(dir(QStringLiteral("src/b.txt")));
    dialog.chooser()->chooseFolder(dir(QStringLiteral("missing")));
    QVERIFY(!dialog.paste());
    QCOMPARE(MessageBox::history().size(), 2);
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("src/b.txt"))), QByteArray("b"));
}

void TestPasteFileDialog::choosingFolderMovesPanel()
{
    QVERIFY(FilesFixture::makeFolder(dir(QStringLiteral("C002/合同"))));
    FilePanel panel(m_f->dm, m_f->rights);
    panel.showFolder(dir(QStringLiteral("C001")));
    bool ran = false;
    FilePanel::setDialogHook([&](QDialog &d) {
        auto *dialog = qobject_cast<PasteFileDialog *>(&d);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("复制文件"));
        QCOMPARE(dialog->target(), dir(QStringLiteral("C001")));
        QTreeView *tree = dialog->chooser()->tree();
        auto *dirs = qobject_cast<QFileSystemModel *>(tree->model());
        Q_EMIT tree->activated(dirs->index(dir(QStringLiteral("C002"))));
        QCOMPARE(panel.folder(), dir(QStringLiteral("C002")));
        QCOMPARE(dialog->target(), dir(QStringLiteral("C002")));

        FolderView *listing = dialog->chooser()->listing();
        QTRY_COMPARE(listing->entries(), QStringList(QStringLiteral("合同")));
        Q_EMIT listing->listView()->doubleClicked(
            listing->model()->index(dir(QStringLiteral("C002/合同"))));
        QCOMPARE(panel.folder(), dir(QStringLiteral("C002/合同")));

        dialog->setSource(dir(QStringLiteral("src/报价单.doc")));
        QVERIFY(dialog->paste());
        ran = true;
    });
    panel.copyFile();
    FilePanel::setDialogHook({});
    QVERIFY(ran);
    QCOMPARE(FilesFixture::readFile(dir(QStringLiteral("C002/合同/报价单.doc"))),
             QByteArray("quote v1"));
    QVERIFY(QFileInfo::exists(dir(QStringLiteral("src/报价单.doc"))));
}

QTEST_MAIN(TestPasteFileDialog)
#include "tst_pastefiledialog.moc"
