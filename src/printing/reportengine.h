#pragma once

#include "report.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace store
{
class Dataset;
}

// Reads a layout file from the report folder and makes the report of one dataset with it:
// the dataset's rows as it is filtered and ordered now, read as the pages need them. A layout
// that is missing, cannot be read, has a fault in its settings, bands or tags, or names a
// field the dataset does not have gives a page that names the file and the fault instead.
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

    // The report, not laid out yet: Report::paginate() finds its pages.
    Report render(const QString &layoutName, store::Dataset *dataset) const;
    // The same for a layout given as text (the tests).
    Report renderText(const QString &layoutText, store::Dataset *dataset, const QString &layoutPath = QString()) const;

    // The tags of a layout that name nothing the engine provides for these fields.
    static QStringList unknownNames(const ReportLayout &layout, const QStringList &fieldNames);

  private:
    QString m_reportDir;
    QVariantMap m_sender;
    QDate m_printDate;
};
