#pragma once

#include <QString>

class QWidget;

namespace store
{
class Dataset;
}

// The e-mail export of a list: asks for a text file under AppDir + "Email" (made when
// missing), then writes the Email value of every row the dataset holds, in its order, one
// line each, skipping rows without one; shows `successText` when done. A change in progress is
// stored first, as moving to the first row would; the dataset ends on its last row. The file is
// put in place whole at the end, so a failure (shown with its reason) never leaves a partial
// list under the chosen name. False when cancelled or failed.
bool exportEmailAddresses(QWidget *parent, store::Dataset &set, const QString &proposedName,
                          const QString &successText);
