#pragma once

#include "report.h"
#include "schema.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace store
{
class Dataset;
}

// Reads a layout file from the report folder and renders the rows of one dataset through its
// template. What a template sees:
//
//   title, printDate (yyyy-MM-dd), rowCount
//   rows        every row of the dataset as it is filtered and ordered now; each row carries
//               every field by name (display fields too) as text, and rowNo (1, 2, ...)
//   sender      the organisation's own row (tblUserInfo), when the print was given one
//   labelPages  label layouts only: one entry per sheet, each with labelRows, pageNo, last;
//   labelRows   every labelRows entry has labels (a grid row, padded with blank labels);
//               the top-level labelRows holds the grid rows of all sheets
//   labelWidth, labelHeight, labelPadding   label measures in document units
//   labelSpacer a picture that keeps a label at its height: put it first in every label
//
// Field names match without letter case: a tag spelt {{custid}} finds the field CustId.
class ReportEngine
{
  public:
    // `reportDir` defaults to the program's own "Data/Report/" folder.
    explicit ReportEngine(const QString &reportDir = QString());

    QString reportDir() const { return m_reportDir; }
    QString layoutPath(const QString &layoutName) const;

    // The sender row for layouts that print the organisation's own address.
    void setSender(const QVariantMap &sender) { m_sender = sender; }
    QVariantMap sender() const { return m_sender; }
    // The first row of the organisation data set (tblUserInfo); empty when it has none.
    static QVariantMap senderFrom(store::Dataset &userInfo);

    // The print date; today unless set.
    void setPrintDate(const QDate &date) { m_printDate = date; }

    // Renders every row of the dataset as it is now (its filter and order); the dataset's
    // current row is left where it was. A layout that is missing or cannot be read renders a
    // page that names the file.
    Report render(const QString &layoutName, store::Dataset *dataset) const;
    // The same for a layout given as text (the layout editor's preview and the tests).
    Report renderText(const QString &layoutText, store::Dataset *dataset,
                      const QString &layoutPath = QString()) const;

    // The tags of a layout that name nothing the engine provides for these fields: a
    // misspelt field prints as an empty cell, so layouts are checked with this.
    static QStringList unknownNames(const ReportLayout &layout, const QStringList &fieldNames);

    // The field as a report prints it: dates yyyy-MM-dd, yes/no as 是/否, money with two
    // decimals.
    static QString fieldText(const QVariant &value, store::ColumnType type);

  private:
    QString m_reportDir;
    QVariantMap m_sender;
    QDate m_printDate;
};
