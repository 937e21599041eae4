// tessaly-bench-contacts: the contacts module as a seat meets it, through the real main window
// (offscreen): from F3 to the contact list painted with its first screen, the list's 查询 by
// name through its dialog, 刷新 and a header click, as the administrator and as user1.
//
//   tessaly-bench-contacts LOCATION [--runs N]
//
// Figures are printed with their targets; a missed target is reported, never a failure.
#include "contactquerydialog.h"
#include "contacts.h"
#include "contactswindow.h"
#include "datagrid.h"
#include "modulesupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace
{

using bench::Figure;
using bench::median;
using bench::timed;

void paint(ContactsWindow *w)
{
    bench::paint(w->grid()->view());
}

struct Seat : bench::Seat {
    Seat(const QString &appDir, const QString &user) : bench::Seat(appDir, user, installContacts)
    {
    }

    ContactsWindow *openContacts()
    {
        auto *w = qobject_cast<ContactsWindow *>(run("Act_Linkman"));
        if (!w)
            throw store::StoreError(QStringLiteral("the contacts module is not shown"));
        paint(w);
        return w;
    }
};

// 查询 as the user runs it: the dialog, the name condition, a value, 确定.
int queryByName(store::DataModule &dm, ContactsWindow *w, const QString &name)
{
    ContactQueryDialog dialog(ContactQueryDialog::Member::List, dm, w);
    dialog.findChild<QComboBox *>(QStringLiteral("cbCondition"))->setCurrentIndex(3);
    dialog.findChild<QLineEdit *>(QStringLiteral("edValue"))->setText(name);
    dialog.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    paint(w);
    return dm.qryLinkmans1.rowCount();
}

std::vector<Figure> measure(const QString &appDir, const QString &user, int runs)
{
    std::vector<Figure> out;
    Seat seat(appDir, user);
    store::Dataset &contacts = seat.dm.qryLinkmans1;
    const QString who = seat.who();

    std::vector<double> open;
    ContactsWindow *w = nullptr;
    for (int i = 0; i < runs; ++i)
        open.push_back(timed([&] { w = seat.openContacts(); }));
    out.push_back({QStringLiteral("Act_Linkman (%1): list shown, first screen painted").arg(who),
                   median(open), 100,
                   QStringLiteral("%1 contacts listed").arg(contacts.rowCount())});

    std::vector<double> query;
    int found = 0;
    for (int i = 0; i < runs; ++i)
        query.push_back(timed([&] { found = queryByName(seat.dm, w, QStringLiteral("张")); }));
    out.push_back({QStringLiteral("查询 by name (%1): statement rebuilt, first screen painted").arg(who),
                   median(query), 300, QStringLiteral("%1 contacts found").arg(found)});

    std::vector<double> refresh;
    for (int i = 0; i < runs; ++i)
        refresh.push_back(timed([&] {
            w->action(QStringLiteral("spBtnRefresh"))->trigger();
            paint(w);
        }));
    out.push_back({QStringLiteral("刷新 (%1): statement rebuilt, first screen painted").arg(who),
                   median(refresh), 300, {}});

    for (const auto &[field, caption] : {std::pair{"Name", "姓名"}, std::pair{"CustName", "客户名称"}}) {
        std::vector<double> sort;
        for (int i = 0; i < runs; ++i) {
            w->grid()->sortBy(QStringLiteral("LinkmanID"));
            sort.push_back(timed([&] {
                w->grid()->sortBy(QLatin1String(field));
                paint(w);
            }));
        }
        out.push_back({QStringLiteral("header click on %1 (%2), first screen painted")
                           .arg(QString::fromUtf8(caption), who),
                       median(sort), 300, {}});
    }
    w->grid()->sortBy(QStringLiteral("LinkmanID"));
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::runModuleBench(argc, argv, "tessaly-bench-contacts", [](const QString &appDir, int runs) {
        std::vector<Figure> figures;
        for (const QString &user : {QStringLiteral("Admin"), QStringLiteral("user1")})
            for (Figure &f : measure(appDir, user, runs))
                figures.push_back(f);
        return figures;
    });
}
