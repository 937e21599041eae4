#include "emailexport.h"

#include "dataset.h"
#include "filedialog.h"
#include "messagebox.h"
#include "pendingedit.h"
#include "session.h"

#include <QDir>
#include <QSaveFile>

namespace EmailExport
{

void run(QWidget *parent, store::Dataset &list, const QString &proposedName,
         const QString &successText)
{
    // The export walks the list: a row being typed is settled by its window first.
    if (!PendingEdit::settle(list))
        return;
    const QString folder = store::session().AppDir + QStringLiteral("Email");
    QDir().mkpath(folder);
    const QString caption = QStringLiteral("Email地址导出");
    const QString path =
        FileDialog::getSaveFileName(parent, caption, folder, proposedName,
                                    QStringLiteral("文本文件(*.txt)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    list.post();
    list.first();
    QSaveFile file(path);
    const auto failed = [parent, &file, &path, &caption] {
        MessageBox::warning(parent,
                            QStringLiteral("对不起，文件“%1”无法写入：%2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()),
                            caption);
    };
    if (!file.open(QIODevice::WriteOnly)) {
        failed();
        return;
    }
    const int email = list.fieldIndex(QStringLiteral("Email"));
    list.forEachRow([&file, email](int, const QVector<QVariant> &values) {
        const QString address = values.value(email).toString();
        if (!address.isEmpty())
            file.write(address.toUtf8() + "\r\n");
    });
    list.last();
    if (!file.commit()) {
        failed();
        return;
    }
    MessageBox::information(parent, successText);
}

} // namespace EmailExport
