#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

class QWidget;

namespace store
{
class Dataset;
}

// The print flow every print command runs: the layout file "Data/Report/<layout>" under the
// program directory, rendered over the dataset as it is now, in a new preview window shown
// maximised and modal. Returns when the preview is closed.
namespace Printing
{

void preview(QWidget *parent, const QString &layout, store::Dataset *dataset,
             const QVariantMap &sender = QVariantMap());

// Test hooks, in the manner of MessageBox: while scripted (TESSALY_SCRIPTED_MESSAGES is set,
// or setScripted(true)), the preview is built but not shown, and what it would have shown is
// recorded instead.
struct Shown {
    QString layout;     // the layout name as the command gave it
    QString layoutPath; // the file it was read from
    QString dataset;    // the dataset's name
    int rowCount = 0;   // rows printed
    int pageCount = 0;
    bool layoutFound = false;
    QString text; // the report as plain text
};

void setScripted(bool on);
bool isScripted();
QList<Shown> &history();
Shown last();
void clearHistory();

} // namespace Printing
