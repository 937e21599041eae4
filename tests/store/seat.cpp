// One seat in its own process, writing to a shared store. Used by the tests where several
// seats write at once. Prints one line per row it stored, so the caller can check each.
//   seat LOCATION USER log COUNT
#include "connection.h"
#include "operationlog.h"
#include "session.h"
#include "storeerror.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    QTextStream out(stdout), err(stderr);
    if (a.size() < 5) {
        err << "usage: seat LOCATION USER log COUNT\n";
        return 2;
    }
    store::session().CurrentUserID = a[2];
    try {
        store::Connection db;
        db.open(a[1]);
        const int count = a[4].toInt();
        if (a[3] == QLatin1String("log")) {
            for (int i = 0; i < count; ++i) {
                store::OperationLog::write(db, store::OperationLog::dateTimeText(),
                                           QStringLiteral("%1-%2").arg(a[2]).arg(i));
                out << "stored " << i << '\n';
                out.flush();
            }
        }
    } catch (const store::StoreError &e) {
        err << e.text() << '\n';
        return 1;
    }
    return 0;
}
