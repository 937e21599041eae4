// 导出名片 on the contact list: the vCard 4.0 file read back by python3-vobject, with its
// cards, stable UIDs, Chinese texts and structured values.
#include "contactsfixture.h"
#include "contactswindow.h"
#include "datagrid.h"
#include "filedialog.h"
#include "pythonreader.h"
#include "testusers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace
{

// Each card as vobject reads it.
const char *const Reader = R"PY(
import json, sys, vobject
cards = []
for c in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):
    one = lambda key: c.contents[key][0].value if key in c.contents else ''
    cards.append({
        'version': one('version'), 'uid': one('uid'), 'fn': one('fn'),
        'nickname': one('nickname'), 'title': one('title'), 'email': one('email'),
        'note': one('note'), 'anniversary': one('anniversary'),
        'org': c.org.value if 'org' in c.contents else [],
        'street': c.adr.value.street if 'adr' in c.contents else '',
        'tel': sorted(','.join(t.params.get('TYPE', [])) + ':' + t.value
                      for t in c.contents.get('tel', [])),
    })
print(json.dumps(cards))
)PY";

QJsonArray readCards(const QString &path)
{
    return testsupport::pythonJson(QString::fromUtf8(Reader), {path}).toArray();
}

QJsonObject byName(const QJsonArray &cards, const QString &fn)
{
    for (const QJsonValue &c : cards)
        if (c[u"fn"].toString() == fn)
            return c.toObject();
    return {};
}

// 导出名片 from the keyboard: Tab from the list to the list's tool bar button, and the space
// bar.
void exportCards(ContactsWindowOnFixture &win, const QString &path)
{
    FileDialog::setNextFileName(path);
    testsupport::tabToAndPress(
        win.w->grid()->view(),
        win.w->findChild<QToolBar *>(u"tbList"_s)->widgetForAction(win.act("Act_ExportCards")));
}

const QString Memo =
    u"喜欢喝茶，周末常去郊区钓鱼；生日前一周寄贺卡，别忘了带上公司的新产品目录与报价单。\n第二行"_s;

} // namespace

class TestContactCards : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // The cards of the contacts the list holds (a normal user's own), each field in its
    // property; a second export, in another order, gives every contact the same UID.
    void cardsReadBack_data() { testsupport::addEngineRows(); }
    void cardsReadBack()
    {
        QFETCH(QString, engine);
        ContactsFixture f(engine);
        testsupport::addUser(f.dm.connection(), u"zhang"_s, u"pw"_s, false,
                             testsupport::allRights());
        const QString owner = u"zhang"_s;
        f.addAgent(u"A01"_s, u"华强;贸易,有限公司"_s, owner);
        f.addContact(u"L1"_s, u"王小明"_s, u"A01"_s, owner,
                     {{u"NickName"_s, u"小王"_s},
                      {u"Department"_s, u"销售部"_s},
                      {u"Duty"_s, u"经理"_s},
                      {u"Telephone"_s, u"010-12345678"_s},
                      {u"Fax"_s, u"010-87654321"_s},
                      {u"Mobile"_s, u"13800000000"_s},
                      {u"Email"_s, u"wang@example.cn"_s},
                      {u"HomeAddress"_s, u"北京市海淀区中关村大街1号"_s},
                      {u"Memo"_s, Memo},
                      {u"SpecialDate"_s, QDate(2020, 5, 20)}});
        f.addContact(u"L2"_s, QString(), u"A01"_s, owner);
        f.addContact(u"M1"_s, u"别人"_s, u"A01"_s, u"other"_s);
        f.signIn(owner);
        ContactsWindowOnFixture win(f);
        QCOMPARE(win.contacts().rowCount(), 2);

        const QString first = f.store.appDir() + u"first.vcf"_s;
        exportCards(win, first);
        QCOMPARE(FileDialog::last().caption, u"导出名片"_s);
        QCOMPARE(FileDialog::last().defaultSuffix, u"vcf"_s);
        QCOMPARE(f.logCount(u"商务代理业务管理-联系人资料-导出名片"_s), 1);
        QCOMPARE(shownTexts(), QStringList{u"名片导出成功！共导出 2 位联系人到“%1”。"_s.arg(
                                   QDir::toNativeSeparators(first))});

        const QJsonArray cards = readCards(first);
        QCOMPARE(cards.size(), 2);
        QCOMPARE(cards[0][u"fn"].toString(), u"王小明"_s); // the list's order: by code
        const QJsonObject wang = byName(cards, u"王小明"_s);
        QCOMPARE(wang[u"version"].toString(), u"4.0"_s);
        QVERIFY(wang[u"uid"].toString().startsWith(u"urn:uuid:"_s));
        QCOMPARE(wang[u"nickname"].toString(), u"小王"_s);
        QCOMPARE(wang[u"title"].toString(), u"经理"_s);
        QCOMPARE(wang[u"email"].toString(), u"wang@example.cn"_s);
        QCOMPARE(wang[u"org"].toArray(), (QJsonArray{u"华强;贸易,有限公司"_s, u"销售部"_s}));
        QCOMPARE(wang[u"street"].toString(), u"北京市海淀区中关村大街1号"_s);
        QCOMPARE(wang[u"note"].toString(), Memo);
        QCOMPARE(wang[u"anniversary"].toString(), u"20200520"_s);
        QCOMPARE(wang[u"tel"].toArray(),
                 (QJsonArray{u"cell:13800000000"_s, u"work,fax:010-87654321"_s,
                             u"work,voice:010-12345678"_s}));
        // A contact without a name is named by its code.
        const QJsonObject unnamed = byName(cards, u"L2"_s);
        QVERIFY(!unnamed.isEmpty());
        QVERIFY(unnamed[u"uid"].toString() != wang[u"uid"].toString());

        // Again, the list ordered the other way round and the name changed.
        win.w->grid()->sortBy(u"LinkmanID"_s, Qt::DescendingOrder);
        win.contacts().moveTo(win.contacts().find(u"LinkmanID"_s, u"L1"_s));
        win.contacts().setValue(u"Name"_s, u"王晓明"_s);
        win.contacts().post();
        const QString second = f.store.appDir() + u"second.vcf"_s;
        exportCards(win, second);
        const QJsonArray again = readCards(second);
        QCOMPARE(again.size(), 2);
        QCOMPARE(again[0][u"uid"], unnamed[u"uid"]);
        QCOMPARE(again[1][u"fn"].toString(), u"王晓明"_s);
        QCOMPARE(again[1][u"uid"], wang[u"uid"]);
    }
};

QTEST_MAIN(TestContactCards)
#include "tst_contactcards.moc"
