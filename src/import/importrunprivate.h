#pragma once

// The state one import carries from the check of a file to the storing of its rows.
#include "codeset.h"
#include "importrun.h"
#include "lookuptable.h"

#include <QHash>
#include <QSet>
#include <QTemporaryFile>
#include <map>
#include <vector>

namespace importing
{

class SheetReader;

// The stored rows a file's rows meet: codes already in the store, and the names, telephones
// and e-mail addresses of stored rows, which may show the same row entered again.
class StoredRows
{
  public:
    StoredRows(store::Connection &db, const ImportList &list, const QString &user,
               bool administrator);

    // Reads the stored names, telephones and e-mail addresses (as hashes).
    void loadContacts();

    // Notes a code to look for; looked up in batches.
    void lookFor(const QString &code, qint64 row, bool hasProblem);
    // Looks up what is still waiting.
    void flush();

    struct Existing {
        bool foreign = false; // owned by another user, who alone may change it
    };
    const Existing *existing(const QString &code) const;

    // A row whose name and telephone, or e-mail, hash like a stored row's.
    void consider(qint64 row, const QString &code, const QString &name, const QString &phone,
                  const QString &email);
    // The candidates confirmed against the store, rows whose code is stored left aside.
    QList<PossibleDuplicate> confirmDuplicates();

    // Rows whose code another user's row holds: problems of the check.
    QList<Problem> foreignProblems;
    qint64 existingRows = 0;
    int keyColumn = -1; // the file's column of the code, for those problems

  private:
    struct Waiting {
        QString code;
        qint64 row;
        bool hasProblem;
    };
    struct Candidate {
        qint64 row;
        QString code, name, phone, email;
    };

    store::Connection &m_db;
    const ImportList &m_list;
    QString m_user;
    bool m_limited; // the ownership rule limits what the user may change
    std::vector<Waiting> m_waiting;
    QHash<QString, Existing> m_existing; // folded code
    QSet<size_t> m_namePhones, m_emails;
    std::vector<Candidate> m_candidates;
};

class ImportRun::Private
{
  public:
    Private(store::Connection &db, const ImportList &list, const QString &user, bool admin)
        : db(db), list(list), user(user), administrator(admin)
    {
    }

    store::Connection &db;
    const ImportList list;
    QString user;
    bool administrator;
    std::vector<Target> targets;
    int keyTarget = -1;
    const store::Table *table = nullptr;

    // Filled by the check.
    std::unique_ptr<QTemporaryFile> spool;
    std::unique_ptr<StoredRows> stored;
    QSet<qint64> possibleDuplicates;
    qint64 problemRows = 0;
    bool checked = false;
    // Filled by the store.
    std::unique_ptr<QTemporaryFile> report;
    QList<ReportLine> lines; // the first rows left out

    int targetOf(const QString &field) const;
    // Converts and checks one row: values per target, and the problems found.
    QVector<QVariant> convert(const QVector<QVariant> &cells, qint64 row,
                              const std::vector<std::unique_ptr<LookupTable>> &lookups,
                              CodeSet &codes, QList<Problem> &problems) const;
    bool ownerColumn() const;
    QVariant convertCell(const Target &target, const QVariant &cell, const LookupTable *lookup,
                         QString *why) const;
    void readRows(SheetReader &reader, CheckResult &result, const Progress &progress);
    void finishCheck(CheckResult &result);
};

// The value bound for a column of `type` (empty values in the form the store takes).
QVariant bindable(const QVariant &value, store::ColumnType type, bool sqlite);

// A field of a CSV line, quoted when it must be.
QByteArray csvField(const QString &text);

} // namespace importing
