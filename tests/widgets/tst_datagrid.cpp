// The data grid over live datasets: cells, header sorting in the store, selection both ways,
// grouping on several levels with right counts, grouping following row changes, the group
// band, the header menu and yes/no columns.
#include "datagrid.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "gridgroupband.h"
#include "session.h"
#include "teststore.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QToolButton>
#include <QTreeView>
#include <QtMath>

namespace
{

QList<GridColumn> customerColumns()
{
    return {{QStringLiteral("CustId"), QStringLiteral("编号"), 70, true},
            {QStringLiteral("CustName"), QStringLiteral("名称"), 120, true},
            {QStringLiteral("CountryID"), QStringLiteral("国家"), 80, true},
            {QStringLiteral("LevelID"), QStringLiteral("级别"), 60, true},
            {QStringLiteral("Memo"), QStringLiteral("备注"), 100, false}};
}

// Twelve agents: four in China (one spelt "china"), three in Japan, four in the USA, one
// without a country; levels A and B.
void addCustomers(store::Connection &db)
{
    const char *rows[][3] = {{"C01", "China", "A"}, {"C02", "China", "B"}, {"C03", "china", "A"},
                             {"C04", "Japan", "A"}, {"C05", "Japan", "A"}, {"C06", "USA", "B"},
                             {"C07", "USA", "B"},   {"C08", "USA", "A"},   {"C09", nullptr, "A"},
                             {"C10", "China", "A"}, {"C11", "Japan", "B"}, {"C12", "USA", "B"}};
    for (const auto &r : rows)
        db.exec(QStringLiteral("INSERT INTO tblCustomers (CustId, CustName, CountryID, LevelID) "
                               "VALUES (?, ?, ?, ?)"),
                QVariantList{QString::fromLatin1(r[0]),
                             QString(QStringLiteral("代理") + QString::fromLatin1(r[0])),
                             r[1] ? QVariant(QString::fromLatin1(r[1]))
                                  : QVariant(QMetaType::fromType<QString>()),
                             QString::fromLatin1(r[2])});
}

// Group counts by path ("China/A"), checking on the way that every data row listed under a
// group carries that group's values.
void walkGroups(const DatasetModel *m, store::Dataset &d, const QModelIndex &parent,
                const QStringList &path, QMap<QString, int> &counts)
{
    const QStringList fields = m->groupFields();
    for (int i = 0; i < m->rowCount(parent); ++i) {
        const QModelIndex idx = m->index(i, 0, parent);
        if (m->isGroupRow(idx)) {
            const QStringList here = path + QStringList{m->groupValue(idx).toString()};
            counts.insert(here.join(QLatin1Char('/')), m->groupCount(idx));
            walkGroups(m, d, idx, here, counts);
            continue;
        }
        const int row = m->datasetRow(idx);
        QVERIFY(row >= 0);
        QCOMPARE(m->groupCount(parent), m->rowCount(parent));
        for (int level = 0; level < path.size(); ++level)
            QCOMPARE(d.value(row, fields[level]).toString().toLower(), path[level].toLower());
    }
}

QMap<QString, int> groupCounts(DataGrid &grid)
{
    QMap<QString, int> counts;
    walkGroups(grid.model(), *grid.dataset(), {}, {}, counts);
    return counts;
}

void clickHeader(DataGrid &grid, int section)
{
    QHeaderView *h = grid.view()->header();
    const QPoint p(h->sectionViewportPosition(section) + h->sectionSize(section) / 2,
                   h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
}

QStringList columnTexts(const DatasetModel *m, int column)
{
    QStringList l;
    for (int i = 0; i < m->rowCount(); ++i)
        l << m->index(i, column).data().toString();
    return l;
}

// The customers in a grid of their columns; shown at `size` when one is given.
struct CustomerGrid {
    store::Dataset d;
    DataGrid grid;
    explicit CustomerGrid(store::Connection &db, QSize size = {})
        : d(db, QStringLiteral("tblCustomers"))
    {
        d.setTable(QStringLiteral("tblCustomers"));
        d.open();
        grid.setColumns(customerColumns());
        grid.setDataset(&d);
        if (size.isValid()) {
            grid.resize(size);
            grid.show();
        }
    }
};

} // namespace

class TestDataGrid : public QObject
{
    Q_OBJECT
  private:
    std::unique_ptr<testsupport::TempStore> m_store;
    std::unique_ptr<store::Connection> m_db;

  private Q_SLOTS:
    void init()
    {
        m_store = std::make_unique<testsupport::TempStore>(QStringLiteral("sqlite"));
        m_db = m_store->connect();
        addCustomers(*m_db);
    }
    void cleanup()
    {
        m_db.reset();
        m_store.reset();
    }

    void showsRowsAndHeaderClicksOrderTheStore()
    {
        CustomerGrid shown(*m_db, {700, 400});
        QVERIFY(QTest::qWaitForWindowExposed(&shown.grid));
        store::Dataset &d = shown.d;
        DataGrid &grid = shown.grid;

        DatasetModel *m = grid.model();
        QCOMPARE(m->rowCount(), 12);
        QCOMPARE(m->index(2, 2).data().toString(), QStringLiteral("china"));
        QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("名称"));
        QVERIFY(grid.view()->isColumnHidden(4));
        QCOMPARE(grid.view()->header()->sectionSize(1), 120);
        QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));

        clickHeader(grid, 2); // 国家
        QCOMPARE(d.sortColumn(), QStringLiteral("CountryID"));
        QCOMPARE(d.sortOrder(), Qt::AscendingOrder);
        QStringList countries = columnTexts(m, 2);
        QCOMPARE(countries.first(), QString()); // the agent without a country comes first
        for (int i = 1; i < countries.size(); ++i)
            QVERIFY(countries[i - 1].compare(countries[i], Qt::CaseInsensitive) <= 0);
        QCOMPARE(grid.view()->header()->sortIndicatorSection(), 2);

        clickHeader(grid, 2);
        QCOMPARE(d.sortOrder(), Qt::DescendingOrder);
        QCOMPARE(columnTexts(m, 2).first(), QStringLiteral("USA"));
        QCOMPARE(columnTexts(m, 2).last(), QString());

        // Ordering set by a window shows in the header too.
        d.setSort(QStringLiteral("CustName"), Qt::AscendingOrder);
        QCOMPARE(grid.view()->header()->sortIndicatorSection(), 1);
        QCOMPARE(columnTexts(m, 0).first(), QStringLiteral("C01"));
    }

    void displayFieldsShowAndOrder()
    {
        store::Dataset countries(*m_db, QStringLiteral("tblCountry"));
        countries.setTable(QStringLiteral("tblCountry"));
        countries.open();
        store::Dataset d(*m_db, QStringLiteral("tblCustomers"));
        d.setTable(QStringLiteral("tblCustomers"));
        d.addLookup(QStringLiteral("CountryName"), &countries, QStringLiteral("CountryID"),
                    QStringLiteral("CountryID"), QStringLiteral("CountryName"));
        d.open();
        DataGrid grid;
        grid.setColumns({{QStringLiteral("CustId"), QStringLiteral("编号")},
                         {QStringLiteral("CountryName"), QStringLiteral("国家")}});
        grid.setDataset(&d);
        const DatasetModel *m = grid.model();
        QCOMPARE(m->index(3, 1).data().toString(), QStringLiteral("日本"));
        QCOMPARE(m->index(2, 1).data().toString(), QStringLiteral("中国")); // code "china"

        grid.sortBy(QStringLiteral("CountryName"), Qt::AscendingOrder);
        QCOMPARE(d.sortColumn(), QStringLiteral("CountryName"));
        QCOMPARE(grid.view()->header()->sortIndicatorSection(), 1);
        const QStringList names = columnTexts(m, 1);
        QCOMPARE(names.first(), QString());
        for (int i = 1; i < names.size(); ++i)
            QVERIFY(names[i - 1] <= names[i]);
    }

    void selectionAndDatasetMoveTogether()
    {
        CustomerGrid shown(*m_db);
        store::Dataset &d = shown.d;
        DataGrid &grid = shown.grid;
        QTreeView *v = grid.view();

        d.moveTo(5);
        QCOMPARE(grid.model()->datasetRow(v->currentIndex()), 5);
        QVERIFY(v->selectionModel()->isRowSelected(5, {}));

        v->setCurrentIndex(grid.model()->index(2, 1));
        QCOMPARE(d.currentRow(), 2);
        QTest::keyClick(v, Qt::Key_Down);
        QCOMPARE(d.currentRow(), 3);

        // Moving off an edited row stores it.
        d.setValue(QStringLiteral("CustName"), QStringLiteral("新名称"));
        v->setCurrentIndex(grid.model()->index(7, 0));
        QCOMPARE(d.state(), store::Dataset::State::Browse);
        QCOMPARE(
            m_db->scalar(QStringLiteral("SELECT CustName FROM tblCustomers WHERE CustId = 'C04'"))
                .toString(),
            QStringLiteral("新名称"));
        QCOMPARE(d.currentRow(), 7);
    }

    void groupsOnTwoLevelsWithCounts()
    {
        CustomerGrid shown(*m_db);
        store::Dataset &d = shown.d;
        DataGrid &grid = shown.grid;
        grid.setGroupColumns({QStringLiteral("countryid"), QStringLiteral("LevelID"),
                              QStringLiteral("NoSuchColumn")});
        QCOMPARE(grid.groupColumns(),
                 (QStringList{QStringLiteral("CountryID"), QStringLiteral("LevelID")}));

        const QMap<QString, int> expected{{QString(), 1},
                                          {QStringLiteral("/A"), 1},
                                          {QStringLiteral("China"), 4},
                                          {QStringLiteral("China/A"), 3},
                                          {QStringLiteral("China/B"), 1},
                                          {QStringLiteral("Japan"), 3},
                                          {QStringLiteral("Japan/A"), 2},
                                          {QStringLiteral("Japan/B"), 1},
                                          {QStringLiteral("USA"), 4},
                                          {QStringLiteral("USA/A"), 1},
                                          {QStringLiteral("USA/B"), 3}};
        QCOMPARE(groupCounts(grid), expected);

        DatasetModel *m = grid.model();
        QCOMPARE(m->rowCount(), 4); // blank, China, Japan, USA in that order
        QCOMPARE(m->index(1, 0).data().toString(), QStringLiteral("国家: China (4)"));
        QCOMPARE(m->index(0, 0, m->index(2, 0)).data().toString(), QStringLiteral("级别: A (2)"));
        QCOMPARE(m->datasetRow(m->index(1, 0)), -1);
        QVERIFY(grid.view()->isFirstColumnSpanned(1, {}));
        QCOMPARE(grid.groupBand()->fields(), grid.groupColumns());

        // The dataset's current row is shown inside its opened groups, and the other way round.
        QVERIFY(d.locate(QStringLiteral("CustId"), QStringLiteral("C12")));
        const QModelIndex current = grid.view()->currentIndex();
        QCOMPARE(m->datasetRow(current), d.currentRow());
        QVERIFY(grid.view()->isExpanded(current.parent()));
        QVERIFY(grid.view()->isExpanded(current.parent().parent()));
        QCOMPARE(current.parent().data().toString(), QStringLiteral("级别: B (3)"));

        const QModelIndex japanA = m->index(0, 0, m->index(2, 0));
        grid.view()->setCurrentIndex(m->index(1, 0, japanA));
        QCOMPARE(d.text(QStringLiteral("CustId")), QStringLiteral("C05"));
        grid.view()->setCurrentIndex(japanA); // a group row moves nothing
        QCOMPARE(d.text(QStringLiteral("CustId")), QStringLiteral("C05"));

        // Ordering by the group column orders the groups.
        grid.sortBy(QStringLiteral("CountryID"), Qt::DescendingOrder);
        QCOMPARE(m->groupValue(m->index(0, 0)).toString(), QStringLiteral("USA"));
        QCOMPARE(m->groupValue(m->index(3, 0)).toString(), QString());
        QCOMPARE(groupCounts(grid), expected);
    }

    void groupsFollowRowChanges()
    {
        CustomerGrid shown(*m_db);
        store::Dataset &d = shown.d;
        DataGrid &grid = shown.grid;
        grid.setGroupColumns({QStringLiteral("CountryID")});
        DatasetModel *m = grid.model();
        QCOMPARE(groupCounts(grid).value(QString()), 1);

        // A new row waits in the empty group while it is typed in, then joins its country.
        d.append();
        QCOMPARE(groupCounts(grid).value(QString()), 2);
        QCOMPARE(grid.model()->datasetRow(grid.view()->currentIndex()), d.currentRow());
        d.setValue(QStringLiteral("CustId"), QStringLiteral("C13"));
        d.setValue(QStringLiteral("CountryID"), QStringLiteral("Japan"));
        QCOMPARE(m->groupValue(m->index(0, 0)).toString(), QString());
        QCOMPARE(m->groupCount(m->index(0, 0)), 2);
        d.post();
        QCOMPARE(groupCounts(grid).value(QString()), 1);
        QCOMPARE(groupCounts(grid).value(QStringLiteral("Japan")), 4);

        // Removing the only agent without a country removes its group.
        QVERIFY(d.locate(QStringLiteral("CustId"), QStringLiteral("C09")));
        d.remove();
        const QMap<QString, int> after{
            {QStringLiteral("China"), 4}, {QStringLiteral("Japan"), 4}, {QStringLiteral("USA"), 4}};
        QCOMPARE(groupCounts(grid), after);
        QCOMPARE(grid.model()->datasetRow(grid.view()->currentIndex()), d.currentRow());

        // A new row brings its own empty group while it is typed in; cancelling takes it away.
        d.append();
        QCOMPARE(m->rowCount(), 4);
        QCOMPARE(m->groupValue(m->index(0, 0)).toString(), QString());
        QCOMPARE(m->groupCount(m->index(0, 0)), 1);
        d.cancel();
        QCOMPARE(groupCounts(grid), after);

        // A new country gets a group in its place among the others.
        d.append();
        d.setValue(QStringLiteral("CustId"), QStringLiteral("C14"));
        d.setValue(QStringLiteral("CountryID"), QStringLiteral("Brazil"));
        d.post();
        QCOMPARE(m->groupValue(m->index(0, 0)).toString(), QStringLiteral("Brazil"));
        QCOMPARE(m->groupCount(m->index(0, 0)), 1);
        QCOMPARE(m->datasetRow(grid.view()->currentIndex()), d.currentRow());
        QCOMPARE(d.text(QStringLiteral("CustId")), QStringLiteral("C14"));

        // Another seat's rows show after a refresh, grouped.
        m_db->exec(
            QStringLiteral("INSERT INTO tblCustomers (CustId, CountryID) VALUES ('C20', 'Korea')"));
        d.refresh();
        QCOMPARE(groupCounts(grid).value(QStringLiteral("Korea")), 1);
    }

    void groupBandAndHeaderMenu()
    {
        CustomerGrid shown(*m_db);
        DataGrid &grid = shown.grid;

        std::unique_ptr<QMenu> menu(grid.createHeaderMenu(3));
        QVERIFY(!menu->findChild<QAction *>(QStringLiteral("actUngroup"))->isEnabled());
        menu->findChild<QAction *>(QStringLiteral("actGroupBy"))->trigger();
        QCOMPARE(grid.groupColumns(), QStringList{QStringLiteral("LevelID")});
        QCOMPARE(grid.model()->rowCount(), 2);
        QToolButton *chip = grid.groupBand()->button(QStringLiteral("LevelID"));
        QVERIFY(chip);
        QCOMPARE(chip->text(), QStringLiteral("级别"));

        // A header dropped in front of the level groups by country first.
        grid.addGroupColumn(QStringLiteral("CountryID"), 0);
        QCOMPARE(grid.groupBand()->fields(),
                 (QStringList{QStringLiteral("CountryID"), QStringLiteral("LevelID")}));
        QTest::mouseClick(grid.groupBand()->button(QStringLiteral("CountryID")), Qt::LeftButton);
        QCOMPARE(grid.groupColumns(), QStringList{QStringLiteral("LevelID")});
        QCOMPARE(grid.groupBand()->fields(), QStringList{QStringLiteral("LevelID")});

        // Hidden columns are offered with their check marks.
        menu.reset(grid.createHeaderMenu(-1));
        QAction *memo = menu->findChild<QAction *>(QStringLiteral("col_Memo"));
        QVERIFY(memo && !memo->isChecked());
        memo->trigger();
        QVERIFY(grid.isColumnVisible(QStringLiteral("Memo")));
        QVERIFY(!grid.view()->isColumnHidden(4));
        menu->findChild<QAction *>(QStringLiteral("actUngroup"))->trigger();
        QVERIFY(grid.groupColumns().isEmpty());
        QCOMPARE(grid.model()->rowCount(), 12);

        // The last shown column cannot be hidden.
        for (const GridColumn &c : customerColumns())
            grid.setColumnVisible(c.field, c.field == QLatin1String("CustName"));
        menu.reset(grid.createHeaderMenu(-1));
        QVERIFY(!menu->findChild<QAction *>(QStringLiteral("col_CustName"))->isEnabled());
        QVERIFY(menu->findChild<QAction *>(QStringLiteral("col_CustId"))->isEnabled());
    }

    // Lines keep the height of a line of Chinese text, whether the first line holds Chinese,
    // only Latin letters and digits, or nothing at all (as a new row does).
    void linesFitChineseWhateverTheFirstLineHolds()
    {
        store::Dataset d(*m_db, QStringLiteral("tblCustomers"));
        d.setTable(QStringLiteral("tblCustomers"));
        d.open();
        const auto lineHeight = [&d](const QList<GridColumn> &columns) {
            DataGrid grid;
            grid.setColumns(columns);
            grid.setDataset(&d);
            grid.sortBy(columns.first().field); // C09 has no country: an empty first line
            grid.resize(400, 300);
            grid.show();
            if (!QTest::qWaitForWindowExposed(&grid))
                return -1;
            return grid.view()->visualRect(grid.model()->index(0, 0)).height();
        };
        const int chinese = lineHeight({{QStringLiteral("CustName"), QStringLiteral("名称"), 120}});
        const int latin = lineHeight({{QStringLiteral("CustId"), QStringLiteral("编号"), 70},
                                      {QStringLiteral("LevelID"), QStringLiteral("级别"), 80}});
        const int empty = lineHeight({{QStringLiteral("CountryID"), QStringLiteral("国家"), 80}});
        QCOMPARE(d.value(0, QStringLiteral("CountryID")).toString(),
                 QString()); // the first line was empty

        QTextLayout glyph(QStringLiteral("国"), QApplication::font());
        glyph.beginLayout();
        const int glyphHeight = qCeil(glyph.createLine().height());
        glyph.endLayout();
        QVERIFY2(chinese > glyphHeight,
                 qPrintable(QStringLiteral("%1 <= %2").arg(chinese).arg(glyphHeight)));
        QCOMPARE(latin, chinese);
        QCOMPARE(empty, chinese);
    }

    // Widths, hidden columns, grouping and order are kept per user and list, come back when
    // the list is built again, and "恢复默认布局" goes back to the grid's own.
    void layoutIsKeptPerUserAndList()
    {
        QTemporaryDir dir;
        store::session().AppDir = dir.path() + QLatin1Char('/');
        store::session().CurrentUserID = QStringLiteral("user1");
        {
            CustomerGrid shown(*m_db, {700, 400});
            QVERIFY(QTest::qWaitForWindowExposed(&shown.grid));
            shown.grid.rememberLayout(QStringLiteral("TfrmCustomer.dxDBGrid1"));
            shown.grid.view()->header()->resizeSection(1, 210); // as a drag of the border does
            std::unique_ptr<QMenu> menu(shown.grid.createHeaderMenu(2));
            menu->findChild<QAction *>(QStringLiteral("col_LevelID"))->toggle();
            shown.grid.addGroupColumn(QStringLiteral("CountryID"));
            clickHeader(shown.grid, 1);
            clickHeader(shown.grid, 1); // descending
            QCOMPARE(shown.d.sortOrder(), Qt::DescendingOrder);
        } // closed before the save's pause ran out: saved as it closes

        const auto reopened = [this](const QString &user) {
            store::session().CurrentUserID = user;
            auto g = std::make_unique<CustomerGrid>(*m_db);
            g->grid.rememberLayout(QStringLiteral("TfrmCustomer.dxDBGrid1"));
            return g;
        };
        {
            auto g = reopened(QStringLiteral("USER1")); // user names are matched without case
            QCOMPARE(g->grid.columns().at(1).width, 210);
            QVERIFY(!g->grid.isColumnVisible(QStringLiteral("LevelID")));
            QCOMPARE(g->grid.groupColumns(), QStringList{QStringLiteral("CountryID")});
            QCOMPARE(g->d.sortColumn().toLower(), QStringLiteral("custname"));
            QCOMPARE(g->d.sortOrder(), Qt::DescendingOrder);
            QCOMPARE(g->grid.view()->header()->sortIndicatorSection(), 1);
            QCOMPARE(g->d.value(0, QStringLiteral("CustName")).toString(),
                     QStringLiteral("代理C12"));
        }
        {
            auto g = reopened(QStringLiteral("user2")); // another user has the grid's own
            QCOMPARE(g->grid.columns().at(1).width, 120);
            QVERIFY(g->grid.isColumnVisible(QStringLiteral("LevelID")));
            QVERIFY(g->grid.groupColumns().isEmpty());
        }
        {
            auto g = reopened(QStringLiteral("user1"));
            std::unique_ptr<QMenu> menu(g->grid.createHeaderMenu(0));
            QAction *reset = menu->findChild<QAction *>(QStringLiteral("actResetLayout"));
            QVERIFY(reset && reset->isEnabled());
            reset->trigger();
            QVERIFY(g->d.sortColumn().isEmpty());
            QCOMPARE(g->grid.view()->header()->sortIndicatorSection(), -1);
            QCOMPARE(g->grid.columns().at(1).width, 120);
            QVERIFY(g->grid.isColumnVisible(QStringLiteral("LevelID")));
            QVERIFY(g->grid.groupColumns().isEmpty());
        }
        auto g = reopened(QStringLiteral("user1")); // and the user's layout is gone
        QCOMPARE(g->grid.columns().at(1).width, 120);
        QVERIFY(g->grid.groupColumns().isEmpty());
        QVERIFY(g->d.sortColumn().isEmpty());
        store::session().AppDir.clear();
        store::session().CurrentUserID.clear();
    }

    // Lines under two group levels still show their first value whole.
    void groupIndentHidesNoValue()
    {
        CustomerGrid shown(*m_db, {600, 400});
        QVERIFY(QTest::qWaitForWindowExposed(&shown.grid));
        DataGrid &grid = shown.grid;
        grid.setGroupColumns({QStringLiteral("CountryID"), QStringLiteral("LevelID")});
        grid.expandAll();
        DatasetModel *m = grid.model();
        const QModelIndex chinaA = m->index(0, 0, m->index(1, 0));
        const QModelIndex line = m->index(0, 0, chinaA);
        QCOMPARE(line.data().toString(), QStringLiteral("C01"));
        const QRect cell = grid.view()->visualRect(line);
        const int text = grid.view()->fontMetrics().horizontalAdvance(QStringLiteral("C01"));
        QVERIFY2(cell.width() >= text + 8,
                 qPrintable(QStringLiteral("%1 < %2").arg(cell.width()).arg(text + 8)));
        // The width the user gave the column is what the grid remembers, grouped or not.
        QCOMPARE(grid.columns().first().width, 70);
        grid.setGroupColumns({});
        QCOMPARE(grid.view()->header()->sectionSize(0), 70);
    }

    void yesNoColumnsAreCheckBoxes()
    {
        for (const auto &[id, main] : {std::pair{"L1", true}, std::pair{"L2", false}})
            m_db->exec(QStringLiteral("INSERT INTO tblLinkmans (LinkmanID, CustID, Main, Name) "
                                      "VALUES (?, 'C01', ?, ?)"),
                       {QString::fromLatin1(id), main, QStringLiteral("联系人")});
        store::Dataset d(*m_db, QStringLiteral("tblLinkmans"));
        d.setTable(QStringLiteral("tblLinkmans"));
        d.open();
        DataGrid grid;
        grid.setColumns({{QStringLiteral("LinkmanID"), QStringLiteral("编号")},
                         {QStringLiteral("Main"), QStringLiteral("主联系人")}});
        grid.setDataset(&d);
        const DatasetModel *m = grid.model();
        QCOMPARE(m->index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(m->index(1, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(m->index(0, 1).data().toString().isEmpty());
        QVERIFY(!m->index(0, 0).data(Qt::CheckStateRole).isValid());
        QVERIFY(!(m->flags(m->index(0, 1)) & Qt::ItemIsUserCheckable));
    }
};

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
