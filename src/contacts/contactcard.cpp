#include "contactcard.h"

#include "dataset.h"

#include <QUuid>

namespace ContactCard
{

namespace
{

// The namespace of the contact UUIDs; a UUID of its own so that they meet no other program's.
const QUuid CardNamespace(QStringLiteral("{6f1c1e0a-6a55-4a3e-9a63-2f0d6c1b7d21}"));

// A property of the card and the field it is written from.
struct Property {
    const char *name; // with its parameters
    const char *field;
};

const Property Properties[] = {
    {"NICKNAME", "NickName"},
    {"TITLE", "Duty"},
    {"TEL;TYPE=work,voice", "Telephone"},
    {"TEL;TYPE=work,fax", "Fax"},
    {"TEL;TYPE=cell", "Mobile"},
    {"EMAIL;TYPE=work", "Email"},
    {"URL", "HomePage"},
    {"NOTE", "Memo"},
};

QStringList cardLines(const store::Dataset &d, const QVector<QVariant> &v)
{
    const auto text = [&d, &v](const char *field) {
        const int i = d.fieldIndex(QLatin1String(field));
        return i >= 0 ? v.value(i).toString().trimmed() : QString();
    };
    const QString code = text("LinkmanID");
    const QString name = text("Name");
    QStringList out{QStringLiteral("BEGIN:VCARD"), QStringLiteral("VERSION:4.0"),
                    QStringLiteral("UID:") + QUuid::createUuidV5(CardNamespace, code)
                                                 .toString(QUuid::WithoutBraces)
                                                 .prepend(QStringLiteral("urn:uuid:")),
                    // A card needs a formatted name: the code stands in for a missing name.
                    QStringLiteral("FN:") + ContentLines::escaped(name.isEmpty() ? code : name),
                    QStringLiteral("N:") + ContentLines::escaped(name) + QStringLiteral(";;;;")};
    const QString agent = text("CustName"), department = text("Department");
    if (!agent.isEmpty() || !department.isEmpty())
        out << QStringLiteral("ORG:") + ContentLines::escaped(agent) +
                   (department.isEmpty() ? QString()
                                         : QLatin1Char(';') + ContentLines::escaped(department));
    for (const Property &p : Properties)
        if (const QString t = text(p.field); !t.isEmpty())
            out << QLatin1String(p.name) + QLatin1Char(':') + ContentLines::escaped(t);
    if (const QString home = text("HomeAddress"); !home.isEmpty())
        out << QStringLiteral("ADR;TYPE=home:;;") + ContentLines::escaped(home) +
                   QStringLiteral(";;;;");
    if (const int i = d.fieldIndex(QStringLiteral("SpecialDate")); i >= 0)
        if (const QDate day = v.value(i).toDate(); day.isValid())
            out << QStringLiteral("ANNIVERSARY:") + day.toString(QStringLiteral("yyyyMMdd"));
    out << QStringLiteral("END:VCARD");
    return out;
}

} // namespace

ContentLines::Export cardExport()
{
    auto list = std::make_shared<const store::Dataset *>(nullptr);
    ContentLines::Export e;
    e.caption = QStringLiteral("导出名片");
    e.proposedName = QStringLiteral("联系人");
    e.filter = QStringLiteral("vCard 文件(*.vcf)");
    e.suffix = QStringLiteral("vcf");
    e.head = [list](store::Dataset &contacts) {
        *list = &contacts;
        return QStringList();
    };
    e.row = [list](const QVector<QVariant> &values) { return cardLines(**list, values); };
    e.doneText = QStringLiteral("名片导出成功！共导出 %1 位联系人到“%2”。");
    e.skippedText = QString(); // every contact has a card
    return e;
}

} // namespace ContactCard
