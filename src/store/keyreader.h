#pragma once

#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QVector>
#include <memory>

namespace store {

class Dataset;

// A place in a dataset's order, after which reading goes on: the part of the order (the rows
// without a sort value come first, or last when descending), and the sort value and key of
// the last row read in it.
struct KeyBound {
    int part = 0;
    bool started = false; // false: reading starts at the beginning of the part
    QVariant value;       // the sort value as the store gives it back, to be compared again
    qint64 key = 0;
};

// Which rows a table dataset holds and in which order: the WHERE that selects them (the
// query's own condition, the filter, the master's key) and the ORDER BY (the sort column, a
// display field by what it shows, the query's order, then the row key), and the statements
// that read their keys a step at a time from an index, so that a first screen costs the same
// however large the table.
//
// A display field sorts by a join: the source's rows in the order of the looked-up column, and
// the rows of this table that name each of them. The rows that show no value (no source row,
// or one without the value) come first in key order.
class KeyReader
{
public:
    explicit KeyReader(const Dataset &dataset);
    ~KeyReader();

    // " WHERE ..." or nothing, its values added to `values`.
    // `withSearch`: the filter box's text narrows the rows too (not for another dataset's
    // display fields, nor for the count of the rows it narrows).
    QString where(QVariantMap &values, bool withSearch = true) const;
    // The ORDER BY of the whole list, as the steps read it.
    QString orderBy(QVariantMap &values) const;
    // Reads up to `limit` keys (every one for a negative limit) after `from`, appends them to
    // `keys` and moves `from` past them. False when the list has no rows after them (before
    // `until`, when given: the reading stops short of that row).
    bool read(KeyBound &from, int limit, QVector<qint64> &keys, const KeyBound *until = nullptr);
    // Reads up to `limit` keys before `from`, the nearest first, and moves `from` back past
    // them. False when the list has no rows before them.
    bool readBack(KeyBound &from, int limit, QVector<qint64> &keys);
    // The place of the row with `key` in the order, and how many rows come before it: the
    // `readCount` rows up to `readTo` and those the store counts after it. False when the row
    // is not one of the list's, and for an order that is read whole.
    bool locate(qint64 key, KeyBound &at, qint64 &before, const KeyBound &readTo = {},
                qint64 readCount = 0) const;
    // True when a statement over orderBy() gives the rows in the order the steps read them
    // (a display field's order compares its texts as the source column does).
    bool streamsInOrder() const { return plan().mode != Mode::Lookup; }
    // True when the row with `key` is one of the dataset's rows now.
    bool holds(qint64 key) const;
    // The keys of the rows whose column `field` equals the value, in order (at most `limit`).
    QVector<qint64> matching(int field, const QVariant &value, int limit) const;
    // Forgets the prepared statements (the dataset closes, the connection may go).
    void dropStatement();

private:
  enum class Mode { KeyOnly, Column, Lookup, Whole };
  struct Plan {
      Mode mode = Mode::KeyOnly;
      bool descending = false;
      QString column;  // Column: the sorted column of the table
      int lookup = -1; // Lookup: the display field sorted by
  };
  struct Part {
      // SELECT ..., FROM ... WHERE ... (the seek included), ORDER BY and LIMIT
      QString head, body, tail;
      QVariantMap values;
      bool hasValue; // the statement gives the sort value beside the key
      QString sql() const { return head + body + tail; }
  };
  // Which rows of one part a statement reads: after `from` (in the statement's direction,
  // backwards for `back`), before `until` when that lies in the same part, at most `limit`.
  struct Seek {
      const KeyBound &from;
      const KeyBound *until = nullptr;
      bool back = false;
      int limit = -1;
  };

  Plan plan() const;
  QStringList conditions(QVariantMap &values, const QString &prefix, bool withSearch = true) const;
  QString sourceWhere(int lookup, QVariantMap &values) const;
  QString lookupExpression(int lookup, QVariantMap &values) const;
  Part part(const Plan &p, const Seek &s) const;
  void keyOrder(Part &out, QStringList conditions, bool descending, const Seek &s) const;
  Part columnPart(const Plan &p, bool nulls, const Seek &s) const;
  Part lookupPart(const Plan &p, bool nulls, const Seek &s) const;
  bool sortValue(const Plan &p, qint64 key, QVariant &value) const;
  qint64 count(const Part &part) const;
  int run(const Part &part, QVector<qint64> &keys, KeyBound &last);
  void readWhole(QVector<qint64> &keys);

  const Dataset &m_d;
  QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared; // server statements by text
};

} // namespace store
