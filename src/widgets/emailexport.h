#pragma once

#include <QString>

class QWidget;

namespace store
{
class Dataset;
}

// The e-mail export of a record list: a save dialog titled "Email地址导出" in AppDir + "Email"
// (made when missing) proposing `proposedName`.txt, then the Email column of every row the
// list holds, in list order, one address per line (CR LF), empty ones skipped, duplicates
// kept, in GBK as the programs that read such lists expect (GB18030 for a character GBK
// lacks); `successText` in an information box at the end. A change in progress is stored first,
// as moving to the first row does, and the list is left on its last row. The file is written
// whole and put in place at the end, so a failure never leaves a half-written list.
namespace EmailExport
{

void run(QWidget *parent, store::Dataset &list, const QString &proposedName,
         const QString &successText);

} // namespace EmailExport
