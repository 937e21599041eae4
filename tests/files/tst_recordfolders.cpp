#include "filesfixture.h"
#include "recordfolders.h"
#include "session.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Record folders under FilesDir: which codes may name one, where it lands, and that creating
// one never touches anything outside FilesDir or anything already there.
class TestRecordFolders : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void unsafeCodesAreRefused_data();
    void unsafeCodesAreRefused();
    void safeCodesGetTheirFolder_data();
    void safeCodesGetTheirFolder();
    void fixedFolders();
    void ensureKeepsWhatIsThere();

  private:
    // A module's step "show the record's folder": the folder is made only for a usable code.
    static bool makeRecordFolder(const QString &code);

    std::unique_ptr<QTemporaryDir> m_top;
    QString m_filesDir;
};

void TestRecordFolders::init()
{
    // The program directory sits two levels down, so a code that climbs out of FilesDir would
    // still land inside the temporary folder where the test can see it.
    m_top = std::make_unique<QTemporaryDir>();
    QVERIFY(m_top->isValid());
    const QString appDir = m_top->filePath(QStringLiteral("seat/program"));
    QVERIFY(QDir().mkpath(appDir));
    store::session().setAppDir(appDir);
    m_filesDir = store::session().FilesDir;
    QVERIFY(m_filesDir.endsWith(QLatin1String("/Files/")));
}

bool TestRecordFolders::makeRecordFolder(const QString &code)
{
    const std::optional<QString> folder = RecordFolders::folderFor(code);
    return folder && RecordFolders::ensure(*folder);
}

void TestRecordFolders::unsafeCodesAreRefused_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << QStringLiteral("   ");
    QTest::newRow("dot") << QStringLiteral(".");
    QTest::newRow("dot dot") << QStringLiteral("..");
    QTest::newRow("slash") << QStringLiteral("A/B");
    QTest::newRow("climbs") << QStringLiteral("../evil");
    QTest::newRow("climbs twice") << QStringLiteral("../../evil");
    QTest::newRow("absolute") << QStringLiteral("/tmp");
    QTest::newRow("backslash") << QStringLiteral("..\\evil");
    QTest::newRow("trailing slash") << QStringLiteral("C001/");
    QTest::newRow("nul") << (QStringLiteral("C0") + QChar(0) + QStringLiteral("01"));
    QTest::newRow("newline") << QStringLiteral("C0\n01");
    QTest::newRow("tab only") << QStringLiteral("\t");
}

void TestRecordFolders::unsafeCodesAreRefused()
{
    QFETCH(QString, code);
    const QStringList before = FilesFixture::tree(m_top->path());

    QVERIFY(!RecordFolders::isSafeCode(code));
    QVERIFY(!RecordFolders::folderFor(code).has_value());
    QVERIFY(!RecordFolders::referrerFolder(code).has_value());
    QVERIFY(!makeRecordFolder(code));
    QCOMPARE(FilesFixture::tree(m_top->path()), before);

    const QString text = RecordFolders::refusalText(code);
    QVERIFY(!text.isEmpty());
    if (code.contains(QLatin1Char('/')))
        QVERIFY2(text.contains(code), qPrintable(text));
}

void TestRecordFolders::safeCodesGetTheirFolder_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("latin") << QStringLiteral("C001");
    QTest::newRow("chinese") << QStringLiteral("北京代理商");
    QTest::newRow("inner blank") << QStringLiteral("A 01");
    QTest::newRow("dots inside") << QStringLiteral("a.b");
    QTest::newRow("three dots") << QStringLiteral("...");
    QTest::newRow("leading dash") << QStringLiteral("-x");
}

void TestRecordFolders::safeCodesGetTheirFolder()
{
    QFETCH(QString, code);
    // FilesDir itself is missing: it is made first.
    QVERIFY(!QFileInfo::exists(m_filesDir));

    QVERIFY(RecordFolders::isSafeCode(code));
    const std::optional<QString> folder = RecordFolders::folderFor(code);
    QVERIFY(folder.has_value());
    QCOMPARE(*folder, m_filesDir + code);
    QVERIFY(RecordFolders::ensure(*folder));

    // Exactly one new folder, directly inside FilesDir, named by the code.
    const QString programDir = QDir(m_filesDir).absoluteFilePath(QStringLiteral(".."));
    QCOMPARE(FilesFixture::tree(QDir::cleanPath(programDir)),
             QStringList({QStringLiteral("Files"), QStringLiteral("Files/") + code}));
    QCOMPARE(QFileInfo(*folder).dir().canonicalPath(), QDir(m_filesDir).canonicalPath());
}

void TestRecordFolders::fixedFolders()
{
    QCOMPARE(RecordFolders::root(), m_filesDir);
    QCOMPARE(RecordFolders::plansFolder(), m_filesDir + QStringLiteral("Plans"));
    QCOMPARE(RecordFolders::operatersFolder(), m_filesDir + QStringLiteral("Operaters"));

    const std::optional<QString> referrer = RecordFolders::referrerFolder(QStringLiteral("张三"));
    QVERIFY(referrer.has_value());
    QCOMPARE(*referrer, m_filesDir + QStringLiteral("Operaters/张三"));
    QVERIFY(RecordFolders::ensure(*referrer));
    QVERIFY(QFileInfo(m_filesDir + QStringLiteral("Operaters")).isDir());
    QVERIFY(QFileInfo(*referrer).isDir());

    QVERIFY(RecordFolders::ensure(RecordFolders::plansFolder()));
    QVERIFY(QFileInfo(m_filesDir + QStringLiteral("Plans")).isDir());
}

void TestRecordFolders::ensureKeepsWhatIsThere()
{
    const QString folder = *RecordFolders::folderFor(QStringLiteral("C001"));
    QVERIFY(RecordFolders::ensure(folder));
    QVERIFY(FilesFixture::writeFile(folder + QStringLiteral("/合同.txt"), "signed"));
    // A second show of the record: the folder and its documents stay as they are.
    QVERIFY(RecordFolders::ensure(folder));
    QCOMPARE(FilesFixture::readFile(folder + QStringLiteral("/合同.txt")), QByteArray("signed"));

    // A plain file where the folder should be is neither replaced nor reported as a folder.
    const QString blocked = *RecordFolders::folderFor(QStringLiteral("C002"));
    QVERIFY(FilesFixture::writeFile(blocked, "a file"));
    QVERIFY(!RecordFolders::ensure(blocked));
    QCOMPARE(FilesFixture::readFile(blocked), QByteArray("a file"));
}

QTEST_GUILESS_MAIN(TestRecordFolders)
#include "tst_recordfolders.moc"
