#include "dictionaryfixture.h"

#include "session.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

DictionaryFixture::DictionaryFixture(const QString &engine) : store(engine)
{
    store::session().setAppDir(store.appDir());
    store::session().CurrentUserID = QStringLiteral("Admin");
    dm.openAtStartup(store.appDir());
    dm.tblUserRight.open();
    rights.setDataset(&dm.tblUserRight);
}

int DictionaryFixture::logCount(const QString &operate)
{
    return dm.connection()
        .scalar(QStringLiteral("SELECT COUNT(*) FROM tblLog WHERE Operate = ?"), {operate})
        .toInt();
}

int DictionaryFixture::storedRows(const QString &table, const QString &column,
                                  const QVariant &value)
{
    // Table and column names come from the test's own tables, never from typed input.
    return dm.connection()
        .scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = ?")
                    .arg(table, dm.connection().ident(column)),
                {value})
        .toInt();
}

void DictionaryFixture::setRightFlag(const QString &rightId, const QString &flag, bool on)
{
    store::Dataset &r = dm.tblUserRight;
    for (int row = 0; row < r.rowCount(); ++row) {
        if (r.value(row, QStringLiteral("UserID")).toString() == QLatin1String("Admin") &&
            r.value(row, QStringLiteral("RightID")).toString() == rightId) {
            r.moveTo(row);
            r.setValue(flag, on);
            r.post();
            return;
        }
    }
}

void untilIdle()
{
    QEventLoop loop;
    const QMetaObject::Connection c =
        QObject::connect(QAbstractEventDispatcher::instance(),
                         &QAbstractEventDispatcher::aboutToBlock, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
}
