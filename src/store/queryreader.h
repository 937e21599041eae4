#pragma once

#include <QString>
#include <QVariant>
#include <memory>

namespace store {

class Dataset;
struct Table;

// A dataset over a query that is not a cursor over one table. It is read whole and only
// shown, or, when its result may be large, opened into a temporary table of the connection
// and read from there a page at a time like a table; a query stepped by a key column fills
// that table a step at a time while the program waits for input.
class QueryReader
{
public:
    explicit QueryReader(Dataset &dataset);
    ~QueryReader();

    // Reads the query's rows whole, with the dataset's filter and order, and its columns.
    void readWhole();
    // Runs the query into its temporary table; the dataset reads that table from now on.
    void materialize();
    // Reads the next step of a stepped query; false when nothing is left to read.
    bool readStep();
    // Reads the following steps one by one from the event loop.
    void scheduleStep();
    bool isStepping() const { return m_stepping; }
    // The error that stopped the stepped reading; empty while none did.
    const QString &readError() const { return m_readError; }
    // Drops the temporary table: the next opening starts from the query again.
    void dropMaterialized();

private:
    void materializeStepped();
    int insertStep(int limit);

    Dataset &m_d;
    std::unique_ptr<Table> m_resultTable; // the temporary table's columns
    bool m_stepping = false;              // rows of a stepped query are still to be read
    QString m_readError;                  // ... or a step failed with this error
    bool m_inStep = false;                // ... and one step is being read now
    int m_stepRows = 0;                   // rows read so far
    int m_stepSize = 0;                   // rows the next step reads
    QVariant m_stepAfter;                 // the key of the last row read
    quint64 m_stepRun = 0;                // counts openings: a step of an old one is dropped
};

} // namespace store
