// What the store already holds of a file's rows: their codes, and rows that look the same.
#include "connection.h"
#include "importrunprivate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>

namespace importing
{

namespace
{

// Codes looked up by one statement: each batch is a few round trips to a server, so a file of
// 100,000 rows takes a few dozen.
constexpr size_t Batch = 5000;

QString folded(const QString &text)
{
    return text.trimmed().toCaseFolded();
}

size_t namePhoneHash(const QString &name, const QString &phone)
{
    return qHash(folded(name) + QChar(0x1F) + folded(phone));
}

// "column IN (...)" over a list of texts bound as one parameter, a JSON array: a statement of
// any number of codes is prepared alike, and compares as the column does (without letter case).
QString in(store::Connection &db, const QString &column)
{
    if (db.engine() == store::Engine::PostgreSQL)
        return QStringLiteral("%1 IN (SELECT json_array_elements_text(?::json)::citext)")
            .arg(db.ident(column));
    return QStringLiteral("%1 IN (SELECT value FROM json_each(?))").arg(db.ident(column));
}

QVariantList jsonOf(const QStringList &texts)
{
    return {QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(texts)).toJson(QJsonDocument::Compact))};
}

} // namespace

StoredRows::StoredRows(store::Connection &db, const ImportList &list, const QString &user,
                       bool administrator)
    : m_db(db), m_list(list), m_user(user), m_limited(list.ownership && !administrator)
{
}

void StoredRows::loadContacts()
{
    const ImportList &l = m_list;
    if (l.nameField.isEmpty() && l.emailField.isEmpty())
        return;
    QSqlQuery q = m_db.exec(QStringLiteral("SELECT %1, %2, %3 FROM %4")
                                .arg(m_db.ident(l.nameField), m_db.ident(l.phoneField),
                                     m_db.ident(l.emailField), l.table));
    while (q.next()) {
        const QString name = q.value(0).toString(), phone = q.value(1).toString(),
                      email = q.value(2).toString();
        if (!folded(name).isEmpty() && !folded(phone).isEmpty())
            m_namePhones.insert(namePhoneHash(name, phone));
        if (!folded(email).isEmpty())
            m_emails.insert(qHash(folded(email)));
    }
}

void StoredRows::lookFor(const QString &code, qint64 row, bool hasProblem)
{
    m_waiting.push_back({code, row, hasProblem});
    if (m_waiting.size() >= Batch)
        flush();
}

void StoredRows::flush()
{
    if (m_waiting.empty())
        return;
    QStringList codes;
    for (const Waiting &w : m_waiting)
        codes << w.code;
    const bool owned = m_list.ownership;
    QSqlQuery q =
        m_db.exec(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4")
                      .arg(m_db.ident(m_list.key),
                           owned ? m_db.ident(QStringLiteral("SUser")) : QStringLiteral("NULL"),
                           m_list.table, in(m_db, m_list.key)),
                  jsonOf(codes));
    while (q.next()) {
        const bool foreign =
            m_limited && q.value(1).toString().compare(m_user, Qt::CaseInsensitive) != 0;
        m_existing.insert(CodeSet::fold(q.value(0).toString()), {foreign});
    }
    for (const Waiting &w : m_waiting) {
        const Existing *e = existing(w.code);
        if (!e)
            continue;
        if (e->foreign)
            foreignProblems.append(
                {w.row, keyColumn,
                 QStringLiteral("代码“%1”已被其他用户的记录使用，不能导入或更新").arg(w.code)});
        else if (!w.hasProblem)
            ++existingRows;
    }
    m_waiting.clear();
}

const StoredRows::Existing *StoredRows::existing(const QString &code) const
{
    const auto it = m_existing.constFind(CodeSet::fold(code));
    return it == m_existing.cend() ? nullptr : &*it;
}

void StoredRows::consider(qint64 row, const QString &code, const QString &name,
                          const QString &phone, const QString &email)
{
    const bool namePhone = !folded(name).isEmpty() && !folded(phone).isEmpty() &&
                           m_namePhones.contains(namePhoneHash(name, phone));
    const bool mail = !folded(email).isEmpty() && m_emails.contains(qHash(folded(email)));
    if (namePhone || mail)
        m_candidates.push_back({row, code, name, phone, mail ? email : QString()});
}

QList<PossibleDuplicate> StoredRows::confirmDuplicates()
{
    std::vector<Candidate> open;
    for (Candidate &c : m_candidates)
        if (!existing(c.code))
            open.push_back(std::move(c));
    m_candidates.clear();
    QHash<QString, QString> byNamePhone, byEmail; // -> the stored row's code
    const QString key = m_db.ident(m_list.key);
    for (size_t from = 0; from < open.size(); from += Batch) {
        QStringList names, emails;
        for (size_t i = from; i < std::min(open.size(), from + Batch); ++i) {
            names << open[i].name;
            if (!open[i].email.isEmpty())
                emails << open[i].email;
        }
        QSqlQuery q =
            m_db.exec(QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE %5")
                          .arg(key, m_db.ident(m_list.nameField), m_db.ident(m_list.phoneField),
                               m_list.table, in(m_db, m_list.nameField)),
                      jsonOf(names));
        while (q.next())
            byNamePhone.insert(folded(q.value(1).toString()) + QChar(0x1F) +
                                   folded(q.value(2).toString()),
                               q.value(0).toString());
        if (emails.isEmpty())
            continue;
        QSqlQuery m = m_db.exec(
            QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4")
                .arg(key, m_db.ident(m_list.emailField), m_list.table, in(m_db, m_list.emailField)),
            jsonOf(emails));
        while (m.next())
            byEmail.insert(folded(m.value(1).toString()), m.value(0).toString());
    }
    QList<PossibleDuplicate> out;
    for (const Candidate &c : open) {
        const QString np = folded(c.name) + QChar(0x1F) + folded(c.phone);
        if (!folded(c.phone).isEmpty() && byNamePhone.contains(np))
            out.append({c.row, c.code, c.name, byNamePhone.value(np),
                        QStringLiteral("名称和电话与已有记录相同")});
        else if (!c.email.isEmpty() && byEmail.contains(folded(c.email)))
            out.append({c.row, c.code, c.name, byEmail.value(folded(c.email)),
                        QStringLiteral("Email 与已有记录相同")});
    }
    return out;
}

} // namespace importing
