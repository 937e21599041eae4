#pragma once

#include "importlist.h"

#include <QHash>
#include <QSet>
#include <QString>

namespace store
{
class Connection;
}

namespace importing
{

// The rows of a dictionary (or of the agents) that a field may name, by code and by name,
// both compared without letter case or surrounding blanks.
class LookupTable
{
  public:
    enum class Found { Yes, No, Several };

    // `owner`, when not empty, keeps only the rows of that user.
    LookupTable(store::Connection &db, const ListLookup &lookup, const QString &owner);

    // The code `text` names: a code of the table, else the name of exactly one row.
    Found find(const QString &text, QString *code) const;

  private:
    QHash<QString, QString> m_byCode, m_byName;
    QSet<QString> m_sharedNames; // names of several rows
};

} // namespace importing
