#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace importing
{

// A column of the list's table that a file may fill, with the names people give it: the
// list's caption first, then the editor's label and any other (the column's own name and
// that of a display field showing it are matched as well).
struct ListField {
    QString field;
    QStringList captions;

    QString caption() const { return captions.isEmpty() ? field : captions.first(); }
};

// A field that holds the code of a row of another table. A file may give either that code
// or the row's name; either way the code is stored.
struct ListLookup {
    QString field;      // e.g. VocationID
    QString table;      // tblVocation
    QString code;       // its code column, VocationId
    QString name;       // its name column, VocationName
    bool owned = false; // the other table's rows follow the ownership rule (agents)
};

// What an import into one list needs to know of it.
struct ImportList {
    QString name;  // the list, as mappings are remembered for it ("商务代理资料")
    QString table; // tblCustomers
    QString key;   // the code column, unique in the table
    QStringList required;
    QList<ListField> fields;
    QList<ListLookup> lookups;
    QHash<QString, QStringList> choices; // a field of a pick list and the values it takes
    // A new row whose name and telephone, or whose e-mail, equal those of a stored row may be
    // the same one entered again.
    QString nameField, phoneField, emailField;
    // The rows follow the ownership rule: a user who is not an administrator updates only
    // his own rows and refers only to agents he sees.
    bool ownership = false;
    // A message when a code cannot be used (an agent's code names its document folder).
    std::function<std::optional<QString>(const QString &code)> refuseCode;

    // The builders of a description: a field with its captions, a field naming another table.
    void addField(const char *field, std::initializer_list<const char *> captions);
    void addLookup(const char *field, const char *table, const char *code, const char *name,
                   bool owned = false);

    const ListField *fieldNamed(const QString &field) const;
    const ListLookup *lookupOf(const QString &field) const;
    QString captionOf(const QString &field) const;
};

} // namespace importing
