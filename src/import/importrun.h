#pragma once

#include "importlist.h"
#include "mapping.h"
#include "newfolders.h"
#include "schema.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

namespace store
{
class Connection;
}

namespace importing
{

class SheetReader;

struct Problem {
    qint64 row = 0;
    int column = -1; // the file's column; -1 for the row as a whole
    QString text;
};

// A new row that may be a stored one entered again.
struct PossibleDuplicate {
    qint64 row = 0;
    QString code, name;
    QString existing; // the code of the stored row it resembles
    QString reason;
};

struct PreviewRow {
    qint64 row = 0;
    QString code;
    QVector<QVariant> values; // one per filled field, as it will be stored
    bool problem = false, existing = false;
};

// What the check of a file found: every row was read and checked, nothing was stored.
struct CheckResult {
    static constexpr int MaxListed = 10000; // problems listed; all are counted
    static constexpr int PreviewRows = 200;

    qint64 rows = 0;         // rows of data read
    qint64 problemRows = 0;  // rows with a problem
    qint64 problemCount = 0; // problems found
    qint64 existingRows = 0; // rows without a problem whose code is stored already
    QList<Problem> problems;
    QList<PreviewRow> preview;
    QList<PossibleDuplicate> duplicates;
    bool cancelled = false;
};

struct StoreChoices {
    bool leaveOutProblems = false; // else a file with problems is not stored
    bool updateExisting = false;   // a code already stored: its listed fields are updated, else
                                   // the row is left out
    bool keepPossibleDuplicates = true;
};

struct StoreOutcome {
    qint64 added = 0, updated = 0, leftOut = 0;
    QMap<QString, qint64> leftOutBy; // why, and how many rows
    QStringList addedCodes;
    QList<FolderFailure> folderFailures; // added rows whose document folder is missing
    bool cancelled = false;
};

// Told now and then with how far the work has come (0 to 1); false cancels it.
using Progress = std::function<bool(double done)>;

// One import of a file into a list: the columns the user mapped, the check of every row of
// the file (nothing stored), then the rows stored in one transaction, or none of them.
// Values are only ever bound as parameters. Store errors throw store::StoreError, reading
// errors ReadError.
class ImportRun
{
  public:
    ImportRun(store::Connection &db, const ImportList &list, const QString &user,
              bool administrator);
    ~ImportRun();

    // The first row of the sheet holding anything: the column headers, as text.
    static QStringList readHeader(SheetReader &reader);

    // The fields the file fills. Throws ReadError when a required field has no column.
    void setMapping(const Mapping &mapping);
    // Captions of the filled fields, in the order of PreviewRow::values.
    QStringList filledCaptions() const;

    // Reads `sheet` from its header to its last row and checks each row.
    CheckResult check(SheetReader &reader, int sheet, const Progress &progress = {});
    // Stores what the last check found, as chosen.
    StoreOutcome store(const StoreChoices &choices, const Progress &progress = {});

    // The rows left out by the last store, with why (at most `limit`).
    struct ReportLine {
        qint64 row = 0;
        QString code, reason;
    };
    QList<ReportLine> reportLines(int limit) const;
    // The report as a CSV file: the counts, then every row left out. Throws ReadError.
    void saveReport(const QString &path, const StoreOutcome &outcome) const;

    struct Target {
        int column = -1; // the file's column
        int field = -1;  // index into list.fields
        QString name;    // the table's column
        QString caption; // the field's caption
        store::ColumnType type = store::ColumnType::Text;
        int width = 0;
        const ListLookup *lookup = nullptr;
        QStringList choices;
    };

    class Private;

  private:
    std::unique_ptr<Private> d;
};

} // namespace importing
