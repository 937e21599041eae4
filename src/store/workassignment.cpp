#include "workassignment.h"

#include "connection.h"
#include "schema.h"

#include <QSqlQuery>
#include <vector>

namespace store
{

namespace
{

struct Stored {
    const char *table;
    qint64 key, version;
};

// One statement for a chunk of codes: the owner set, the row version raised, and the keys and
// versions of the rows it changed read back for this seat's datasets.
void moveChunk(Connection &db, const char *table, const char *codeColumn, const QStringList &codes,
               const QString &target, std::vector<Stored> &stored)
{
    const QString ver = db.ident(QLatin1String(RowVersion));
    const QString key = db.ident(Schema::find(QLatin1String(table))->keyColumn());
    QVariantList values{target};
    for (const QString &c : codes)
        values << c;
    QSqlQuery q = db.exec(
        QStringLiteral("UPDATE %1 SET %2 = ?, %3 = %3 + 1 WHERE %4 IN (%5) RETURNING %6, %3")
            .arg(QLatin1String(table), db.ident(QStringLiteral("SUser")), ver,
                 db.ident(QLatin1String(codeColumn)),
                 QStringList(codes.size(), QStringLiteral("?")).join(QLatin1Char(',')), key),
        values);
    while (q.next())
        stored.push_back({table, q.value(0).toLongLong(), q.value(1).toLongLong()});
}

} // namespace

void WorkAssignment::run(Connection &db, Kind kind, const QStringList &codes, const QString &target,
                         const std::function<void(int, int)> &progress)
{
    std::vector<Stored> stored;
    const int total = int(codes.size());
    db.transaction([&] {
        for (int from = 0; from < total; from += Chunk) {
            const QStringList part = codes.mid(from, Chunk);
            if (kind == Kind::Agents) {
                moveChunk(db, "tblCustomers", "CustID", part, target, stored);
                moveChunk(db, "tblLinkmans", "CustID", part, target, stored);
            } else {
                moveChunk(db, "tblOperates", "OperateID", part, target, stored);
            }
            if (progress)
                progress(qMin(total, from + Chunk), total);
        }
    });
    for (const Stored &s : stored)
        db.announceStored(QLatin1String(s.table), s.key, s.version);
}

} // namespace store
