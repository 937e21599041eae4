#include "emailexport.h"

#include "dataset.h"
#include "filedialog.h"
#include "messagebox.h"
#include "session.h"

#include <QDir>
#include <QSaveFile>

bool exportEmailAddresses(QWidget *parent, store::Dataset &set, const QString &proposedName,
                          const QString &successText)
{
    const QString folder = store::session().AppDir + QStringLiteral("Email");
    QDir().mkpath(folder);
    const QString caption = QStringLiteral("Email地址导出");
    const QString path =
        FileDialog::getSaveFileName(parent, caption, folder, proposedName,
                                    QStringLiteral("文本文件(*.txt)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return false;
    set.post();
    set.first();
    QSaveFile file(path);
    const auto failed = [parent, &file, &path, &caption] {
        MessageBox::warning(parent,
                            QStringLiteral("对不起，文件“%1”无法写入：%2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()),
                            caption);
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed();
    const int email = set.fieldIndex(QStringLiteral("Email"));
    set.forEachRow([&file, email](int, const QVector<QVariant> &values) {
        const QString address = values.value(email).toString();
        if (!address.isEmpty())
            file.write(address.toUtf8() + "\r\n");
    });
    set.last();
    if (!file.commit())
        return failed();
    MessageBox::information(parent, successText);
    return true;
}
