#pragma once

#include "importrun.h"

#include <QSqlQuery>
#include <vector>

namespace importing
{

// Parameters bound to one statement of many rows: far below what a server allows.
constexpr int ParametersPerStatement = 4000;

// Prepares a forward-only statement; throws store::StoreError when the store refuses it.
void prepareStatement(QSqlQuery &q, const QString &sql);

// The stored rows an import updates in their listed fields, found by code. A server takes
// many rows per statement (one round trip each), joined to the table through a list of
// values; SQLite, in the same process, one by one. Every value is a bound parameter.
class RowUpdates
{
  public:
    struct Done {
        qint64 row = 0;
        QString code;
        bool found = false; // a row of the code (and of the user, where that is the rule)
        qint64 key = 0, version = 0;
    };

    RowUpdates(store::Connection &db, const std::vector<ImportRun::Target> &targets, int keyTarget,
               const QString &table, const QString &key, const QString &owner, bool limited);

    // False when the file fills no field but the code.
    bool possible() const { return m_possible; }
    // Updates the row of `code`, now or with the next batch.
    void add(qint64 row, const QString &code, const QVector<QVariant> &values);
    // Runs what is still waiting.
    void flush();
    // What became of the rows run since the last call, in the order added.
    std::vector<Done> take();

  private:
    QString batchSql(int rows) const;
    void runOne(const QVector<QVariant> &values);

    store::Connection &m_db;
    const std::vector<ImportRun::Target> &m_targets;
    int m_keyTarget;
    QString m_table, m_key, m_owner;
    bool m_limited, m_sqlite, m_possible = false;
    int m_batch = 1;
    QSqlQuery m_full, m_rest; // a batch of m_batch rows; the last, shorter one
    QVariantList m_values;    // of the rows waiting
    std::vector<Done> m_waiting, m_done;
};

} // namespace importing
