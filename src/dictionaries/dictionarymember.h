#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

// One member of the dictionary-editor family: everything in which the ten editors differ.
// The editors themselves are one class (DictionaryEditor) configured by a row of this table.
struct DictionaryMember {
    // A bound text field of the row: its column, grid caption and the message 保存 shows when
    // the field is empty.
    struct Field {
        QString column;
        QString caption;
        QString emptyMessage;
    };

    // The one extra field two dictionaries carry.
    enum class Extra {
        None,
        Continent, // a pick list of the six continents that also takes free text
        Country,   // a drop-down of tblCountry showing CountryName, storing CountryID
    };

    QString command;    // the main-window command that opens the editor, e.g. "Act_Country"
    QString objectName; // e.g. "TfrmCountry"
    QString caption;
    QString gridLabel;
    QString dataset; // the shared dataset the editor works on (named as its table)
    QString rightId;
    QString logPrefix;

    Field code;
    Field name;
    Extra extraKind = Extra::None;
    Field extra;
    Field colour; // colour.column empty: the dictionary has no colour
    QString memoCaption;
    QString memoRefusal; // shown when the store refuses a row whose description is empty

    QString colourButtonText = QStringLiteral("颜色信息");
    QKeySequence colourButtonKeys;
    QKeySequence closeKeys;

    bool hasExtra() const { return extraKind != Extra::None; }
    bool hasColour() const { return !colour.column.isEmpty(); }
    // The field label: the grid caption and a full-width colon; the description spaced out.
    static QString label(const QString &caption);
    static QString memoLabel(const QString &caption);

    static QStringList continents();

    // Every member, in the order of the base-data menu.
    static const QList<DictionaryMember> &all();
    // The member a main-window command opens; nullptr when none.
    static const DictionaryMember *forCommand(const QString &command);
};
