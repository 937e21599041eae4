#pragma once

#include "importlist.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

namespace importing
{

// Which field of the list each column of the file fills (-1: the column is skipped).
class Mapping
{
  public:
    Mapping() = default;
    Mapping(const ImportList &list, const QStringList &headers);

    // The column's field, an index into list.fields, or -1.
    int fieldOf(int column) const { return column < m_fields.size() ? m_fields[column] : -1; }
    // The column that fills a field, or -1.
    int columnOf(int field) const { return m_fields.indexOf(field); }
    // Gives the column a field (-1 skips it); a column that had that field loses it.
    void set(int column, int field);
    int columns() const { return int(m_fields.size()); }

    // A header as compared: without spaces (full-width ones too), a trailing colon, or letter
    // case.
    static QString normalise(const QString &header);

    // Each column by the choice remembered for its header, else the field whose caption it
    // is, else the field whose name (or display field's name) it is.
    void match(const QHash<QString, QString> &remembered);
    // The choices to remember: normalised header -> field name, or empty for a skipped column.
    QHash<QString, QString> choices() const;

    // Captions of required fields no column fills.
    QStringList missingRequired() const;

  private:
    const ImportList *m_list = nullptr;
    QStringList m_headers;
    QVector<int> m_fields;
};

// The mappings a user chose, remembered per user and list in a small settings file.
class MappingMemory
{
  public:
    explicit MappingMemory(const QString &file) : m_file(file) {}
    QHash<QString, QString> load(const QString &user, const QString &list) const;
    void save(const QString &user, const QString &list, const QHash<QString, QString> &choices);

  private:
    QString m_file;
};

} // namespace importing
