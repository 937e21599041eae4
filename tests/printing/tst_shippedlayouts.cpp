#include "datamodule.h"
#include "ledgerquery.h"
#include "reportengine.h"
#include "session.h"
#include "teststore.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <map>
#include <numeric>

namespace
{

const QString reportSource = QStringLiteral(TESSALY_REPORT_SOURCE);

int occurrences(const QString &text, const QString &what)
{
    return int(text.count(what));
}

} // namespace

// Every layout the program ships, rendered over the dataset its print command hands over, as
// the data module sets that dataset up (display fields, masters, ledger queries).
class TestShippedLayouts : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void cleanupTestCase();
    void everyLayoutRendersItsDataset_data();
    void everyLayoutRendersItsDataset();
    void envelopesOnLabelSheets_data() { testsupport::addEngineRows(); }
    void envelopesOnLabelSheets();
    void envelopesWithSender_data() { testsupport::addEngineRows(); }
    void envelopesWithSender();

  private:
    // One store with the sample rows per engine, made on first use.
    struct Fixture {
        std::unique_ptr<testsupport::TempStore> store;
        std::unique_ptr<store::DataModule> dm;
    };
    void use(const QString &engine);
    void addSampleRows();
    store::Dataset *prepare(const QString &name);
    QString firstCode(const QString &sql) { return m_dm->connection().scalar(sql).toString(); }

    std::map<QString, Fixture> m_fixtures;
    store::DataModule *m_dm = nullptr;
};

void TestShippedLayouts::use(const QString &engine)
{
    Fixture &f = m_fixtures[engine];
    const bool fresh = !f.store;
    if (fresh) {
        f.store = std::make_unique<testsupport::TempStore>(engine);
        f.dm = std::make_unique<store::DataModule>();
        f.dm->openAtStartup(f.store->appDir());
    }
    store::session().setAppDir(f.store->appDir());
    m_dm = f.dm.get();
    if (fresh)
        addSampleRows();
}

void TestShippedLayouts::addSampleRows()
{
    store::Connection &db = m_dm->connection();

    const QDate day(2024, 4, 1);
    db.exec(
        QStringLiteral("INSERT INTO tblOperaters (OperaterID, Name, NickName, DepartmentID, Duty, "
                       "Native, Birth, State) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {QStringLiteral("R-001"), QStringLiteral("推荐人甲"), QStringLiteral("孙"),
         QStringLiteral("D1"), QStringLiteral("经理"), QStringLiteral("江苏"), QDate(1980, 1, 2),
         QStringLiteral("在职")});
    db.exec(QStringLiteral(
                "INSERT INTO tblCustomers (CustId, CustName, CountryID, DistID, City, PostCode, "
                "Address, VocationID, OriginID, LevelID, StateId, CreateDate, OperaterID, "
                "MainLinkman, Memo) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {QStringLiteral("T-001"), QStringLiteral("测试代理一"), QStringLiteral("China"),
             QStringLiteral("BJ"), QStringLiteral("北京"), QStringLiteral("100010"),
             QStringLiteral("北京市东城区某街1号"),
             firstCode(QStringLiteral("SELECT VocationId FROM tblVocation")),
             firstCode(QStringLiteral("SELECT OriginID FROM tblCustOrigin")),
             firstCode(QStringLiteral("SELECT LevelID FROM tblCustLevel")),
             firstCode(QStringLiteral("SELECT StateID FROM tblCustState")), day,
             QStringLiteral("R-001"), QStringLiteral("联系人甲"), QStringLiteral("备注一")});
    const QString contact =
        QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Main, Name, NickName, "
                       "Department, Duty, Telephone) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    db.exec(contact, {QStringLiteral("LM-001"), QStringLiteral("T-001"), true,
                      QStringLiteral("联系人甲"), QStringLiteral("先生"), QStringLiteral("销售部"),
                      QStringLiteral("经理"), QStringLiteral("010-1")});
    // Enough contacts for more than one sheet of envelopes, one of them of an unknown agent.
    for (int i = 0; i < 15; ++i)
        db.exec(contact, {QStringLiteral("LM-1%1").arg(i, 2, 10, QLatin1Char('0')),
                          i == 14 ? QStringLiteral("T-404") : QStringLiteral("T-001"), false,
                          QStringLiteral("收件人%1").arg(i, 2, 10, QLatin1Char('0')),
                          QStringLiteral("女士"), QString(), QString(), QString()});
    const QString record = QStringLiteral(
        "INSERT INTO tblOperates (OperateID, OperateTitle, CustID, CreateDate, LinkmanID, "
        "OperaterID, WriteDate, EndDate, InOrOut, CurrID, CompactAmount, RMB, FilePath) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    db.exec(record, {QStringLiteral("OP-001"), QStringLiteral("代理合同一"),
                     QStringLiteral("T-001"), day, QStringLiteral("LM-001"),
                     QStringLiteral("R-001"), day, day.addDays(30), QStringLiteral("收款"),
                     QStringLiteral("RMB"), 1000.0, 1000.0, QStringLiteral("备注")});
    db.exec(record,
            {QStringLiteral("OP-002"), QStringLiteral("采购合同二"), QStringLiteral("T-001"), day,
             QStringLiteral("LM-001"), QStringLiteral("R-001"), day, day.addDays(60),
             QStringLiteral("付款"), QStringLiteral("RMB"), 800.0, 800.0, QString()});
    const QString item =
        QStringLiteral("INSERT INTO tblOperateDetail (OperateID, DetailNo, DTitle, "
                       "OperateDate, Memo, Price, Amount, DTotal, RMB) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    db.exec(item, {QStringLiteral("OP-001"), QStringLiteral("1"), QStringLiteral("首付款"), day,
                   QStringLiteral("首期"), 400.0, 1.0, 400.0, 400.0});
    db.exec(item, {QStringLiteral("OP-002"), QStringLiteral("1"), QStringLiteral("预付款"), day,
                   QString(), 300.0, 1.0, 300.0, 300.0});
    db.exec(QStringLiteral(
                "INSERT INTO tblCustomerState (CustID, LinkDate, LinkTime, LinkType, Linkman, "
                "LinkContent, Charge) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {QStringLiteral("T-001"), day, QStringLiteral("10:30:00"), QStringLiteral("电话联系"),
             QStringLiteral("联系人甲"), QStringLiteral("洽谈代理"), 120.5});
    db.exec(QStringLiteral("INSERT INTO tblCustomerAddInfo (CustID, BankID, Account, VATaxName) "
                           "VALUES (?, ?, ?, ?)"),
            {QStringLiteral("T-001"), QStringLiteral("B1"), QStringLiteral("ACC-001"),
             QStringLiteral("测试代理一")});
    db.exec(QStringLiteral(
                "INSERT INTO tblPlan (PlanDate, PlanTime, Address, CustID, Linkman, OperateId, "
                "AttendMan, Memo) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            {day, QStringLiteral("09:00:00"), QStringLiteral("会议室"), QStringLiteral("T-001"),
             QStringLiteral("联系人甲"), QStringLiteral("考察工厂"), QStringLiteral("销售部"),
             QString()});
    db.exec(QStringLiteral("INSERT INTO tblUserInfo (UserName, Address, PostCode, Telephone, Fax, "
                           "HomePage, Email) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {QStringLiteral("星桥贸易公司"), QStringLiteral("上海市浦东新区某路8号"),
             QStringLiteral("200120"), QStringLiteral("021-5555"), QStringLiteral("021-6666"),
             QStringLiteral("www.xingqiao.example"), QStringLiteral("info@xingqiao.example")});
    // The agent-name look-ups read the second agent set, opened before the rows were added.
    m_dm->tblCustomers2.refresh();
    m_dm->tblOperaters.refresh();
    m_dm->tblOperates2.refresh();
}

void TestShippedLayouts::cleanupTestCase()
{
    m_dm = nullptr;
    m_fixtures.clear();
}

store::Dataset *TestShippedLayouts::prepare(const QString &name)
{
    store::DataModule &dm = *m_dm;
    store::Dataset *d = dm.dataset(name);
    if (!d)
        return nullptr;
    if (d->master() == &dm.tblCustomers) {
        dm.tblCustomers.open();
        dm.tblLinkmans.open(); // the contact names of the agent's records
        if (!dm.tblCustomers.locate(QStringLiteral("CustId"), QStringLiteral("T-001")))
            return nullptr;
    } else if (d->master() == &dm.tblOperates2) {
        if (!dm.tblOperates2.locate(QStringLiteral("OperateID"), QStringLiteral("OP-001")))
            return nullptr;
    } else if (d == &dm.qryGathering || d == &dm.qryPayment) {
        d->close();
        d->setSql(LedgerQuery::lines(d == &dm.qryGathering));
    }
    d->open();
    return d;
}

void TestShippedLayouts::everyLayoutRendersItsDataset_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("layoutName");
    QTest::addColumn<QString>("dataset");
    QTest::addColumn<QString>("shows"); // a value of the sample row the report must show
    QString engine;
    const auto row = [&](const char *layout, const char *dataset, const char *shows) {
        QTest::addRow("%s/%s", qPrintable(engine), layout)
            << engine << QString::fromLatin1(layout) << QString::fromLatin1(dataset)
            << QString::fromUtf8(shows);
    };
    for (const QString &e : testsupport::engines()) {
        engine = e;
        row("frCustomers.frf", "tblCustomers", "测试代理一");
        row("frCustomerDetail.frf", "tblCustomers", "北京市东城区某街1号");
        row("frCustomerLinkman.frf", "tblLinkmans", "销售部");
        row("frCustomerOperate.frf", "tblOperates", "代理合同一");
        row("frCustomerState.frf", "tblCustomerState", "洽谈代理");
        row("frCustomerOther.frf", "tblCustomerAddInfo", "ACC-001");
        row("frLinkmans.frf", "qryLinkmans1", "测试代理一");
        row("frLinkmansDetail.frf", "qryLinkmans1", "010-1");
        row("frEnvelop.frf", "qryLinkmans3", "100010");
        row("frEnvelop6.frf", "qryLinkmans3", "北京市东城区某街1号");
        row("frOperates.frf", "tblOperates2", "推荐人甲");
        row("frOperateDetail.frf", "tblOperateDetail", "首付款");
        row("frOperateDetail1.frf", "tblOperates", "联系人甲");
        row("frOperaters.frf", "tblOperaters", "江苏");
        row("frOperaterDetail.frf", "tblOperaters", "1980-01-02");
        row("frPlan.frf", "qryPlan", "考察工厂");
        row("frPlanDetail.frf", "qryPlan", "测试代理一");
        row("frGathering.frf", "qryGathering", "600");
        row("frPayment.frf", "qryPayment", "500");
    }
}

void TestShippedLayouts::everyLayoutRendersItsDataset()
{
    QFETCH(QString, engine);
    QFETCH(QString, layoutName);
    QFETCH(QString, dataset);
    QFETCH(QString, shows);
    use(engine);

    QFile file(reportSource + QLatin1Char('/') + layoutName);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const ReportLayout parsed = ReportLayout::parse(QString::fromUtf8(file.readAll()));
    QVERIFY2(parsed.problems().isEmpty(), qPrintable(parsed.problems().join(QLatin1Char('\n'))));
    QVERIFY(!parsed.title().isEmpty());

    store::Dataset *d = prepare(dataset);
    QVERIFY(d);
    QVERIFY2(d->rowCount() > 0, qPrintable(dataset));
    // Every tag names a field of the dataset or something the engine provides.
    const QStringList unknown = ReportEngine::unknownNames(parsed, d->fieldNames());
    QVERIFY2(unknown.isEmpty(), qPrintable(unknown.join(QLatin1Char(' '))));

    ReportEngine reports(reportSource);
    const QDate today = QDate::currentDate();
    Report report = reports.render(layoutName, d);
    QVERIFY2(report.isValid(), qPrintable(report.toPlainText()));
    const QString text = report.toPlainText();
    QVERIFY(report.pageCount() >= 1);
    QVERIFY2(!text.contains(QLatin1String("{{")) && !text.contains(QLatin1String("}}")), qPrintable(text));
    QVERIFY2(text.contains(shows), qPrintable(text));
    if (parsed.hasPageHeader())
        QVERIFY(parsed.isLabels()); // label sheets print title and date in the margin
    QVERIFY2(text.contains(parsed.title()), qPrintable(text));
    QVERIFY(text.contains(today.toString(QStringLiteral("yyyy-MM-dd"))));
    // Nothing sticks out of the body: the columns fit its width, every band its height.
    const QList<qreal> widths = parsed.columnWidths(parsed.bodySize().width());
    QVERIFY(std::accumulate(widths.begin(), widths.end(), 0.0) <= parsed.bodySize().width() + 0.01);
    for (const Report::PlacedBand &b : report.pageBands(0))
        QVERIFY2(b.top + b.height <= report.bodySize().height() + 0.01, qPrintable(b.part));

    // Without rows the layout still prints its heading and says there is nothing.
    Report empty = reports.render(layoutName, nullptr);
    QVERIFY(empty.isValid());
    const QString nothing = empty.toPlainText();
    QVERIFY2(nothing.contains(QStringLiteral("没有")), qPrintable(nothing));
    QVERIFY(!nothing.contains(shows));
    QCOMPARE(empty.pageCount(), 1);
}

void TestShippedLayouts::envelopesOnLabelSheets()
{
    QFETCH(QString, engine);
    use(engine);
    store::Dataset *contacts = prepare(QStringLiteral("qryLinkmans3"));
    QVERIFY(contacts);
    const int n = contacts->rowCount();
    QVERIFY(n > 14);

    Report report = ReportEngine(reportSource).render(QStringLiteral("frEnvelop.frf"), contacts);
    const ReportLayout &layout = report.layout();
    QVERIFY(layout.isLabels());
    const int sheets = (n + layout.labelsPerPage() - 1) / layout.labelsPerPage();
    QVERIFY(report.paginate());
    QCOMPARE(report.pageCount(), sheets);
    QCOMPARE(report.pageBands(0).size(), layout.labelsPerPage());
    QCOMPARE(report.pageBands(sheets - 1).size(), n - (sheets - 1) * layout.labelsPerPage());

    // One envelope per contact, in the list's order, addressed to the contact.
    const QString text = report.toPlainText();
    int at = -1;
    for (int r = 0; r < n; ++r) {
        const QString name = contacts->value(r, QStringLiteral("Name")).toString();
        const int next = int(text.indexOf(name + QLatin1Char(' '), at + 1));
        QVERIFY2(next > at, qPrintable(name));
        at = next;
    }
    QCOMPARE(occurrences(text, QStringLiteral(" 收")), n);
    QVERIFY(!text.contains(QStringLiteral("寄件人")));
}

void TestShippedLayouts::envelopesWithSender()
{
    QFETCH(QString, engine);
    use(engine);
    store::Dataset *contacts = prepare(QStringLiteral("qryLinkmans3"));
    QVERIFY(contacts);
    const int n = contacts->rowCount();

    ReportEngine reports(reportSource);
    reports.setSender(ReportEngine::senderFrom(m_dm->tblUserInfo));
    Report report = reports.render(QStringLiteral("frEnvelop6.frf"), contacts);
    const QString text = report.toPlainText();
    // Every envelope carries each of the sender's details that the label settings list.
    for (const char *s :
         {"寄件人：星桥贸易公司", "上海市浦东新区某路8号", "200120", "021-5555", "传真：021-6666",
          "网址：www.xingqiao.example", "联系EMail：info@xingqiao.example"})
        QVERIFY2(occurrences(text, QString::fromUtf8(s)) == n, s);
    const int perSheet = report.layout().labelsPerPage();
    QCOMPARE(report.pageCount(), (n + perSheet - 1) / perSheet);

    // The same layout without a sender prints the envelopes alone.
    Report plain = ReportEngine(reportSource).render(QStringLiteral("frEnvelop6.frf"), contacts);
    QCOMPARE(occurrences(plain.toPlainText(), QStringLiteral("寄件人：")), 0);
    QCOMPARE(occurrences(plain.toPlainText(), QStringLiteral(" 收")), n);
}

QTEST_MAIN(TestShippedLayouts)
#include "tst_shippedlayouts.moc"
