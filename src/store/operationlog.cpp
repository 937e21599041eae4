#include "operationlog.h"

#include "connection.h"
#include "session.h"

#include <QDateTime>

namespace store::OperationLog {

QString dateTimeText()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void write(Connection &db, const QString &dateTime, const QString &operate)
{
    // One bound insert: the store numbers the row, so seats appending at once never collide.
    db.exec(QStringLiteral("INSERT INTO tblLog (LogDateTime, UserID, Operate) VALUES (?, ?, ?)"),
            {dateTime, session().CurrentUserID, operate});
}

} // namespace store::OperationLog
