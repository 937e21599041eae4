#pragma once

#include <QString>
#include <vector>

namespace importing
{

// The codes of a file as the store compares them (without letter case), each with the row it
// was first seen on: one block of text and a table of positions, so that a million codes
// take a few tens of megabytes.
class CodeSet
{
  public:
    // The row on which `code` was seen before, or 0 when it is new (it is then added with
    // `row`, which must be above 0).
    qint64 insert(const QString &code, qint64 row);
    qsizetype size() const { return qsizetype(m_rows.size()); }

    // A code as compared: folded letter case.
    static QString fold(const QString &code) { return code.toCaseFolded(); }

  private:
    QStringView at(size_t entry) const;
    void grow();

    QString m_text;
    std::vector<qsizetype> m_starts{0};
    std::vector<qint64> m_rows;
    std::vector<qint32> m_slots; // entry + 1, or 0 for a free slot
};

} // namespace importing
