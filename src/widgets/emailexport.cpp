#include "emailexport.h"

#include "dataset.h"
#include "filedialog.h"
#include "messagebox.h"
#include "pendingedit.h"
#include "session.h"

#include <QDir>
#include <QSaveFile>
#include <QStringEncoder>

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
        if (address.isEmpty())
            return;
        // An address with a character GBK lacks is written in GB18030, which holds every
        // character and writes those of GBK as GBK does. So is one with the euro sign, which
        // Windows' GBK writes as a single byte that GB18030 readers refuse.
        QStringEncoder gbk("GBK");
        QByteArray bytes = gbk.encode(address);
        if (gbk.hasError() || address.contains(QChar(0x20AC)))
            bytes = QStringEncoder("GB18030").encode(address);
        file.write(bytes + "\r\n");
    });
    list.last();
    if (!file.commit()) {
        failed();
        return;
    }
    MessageBox::information(parent, successText);
}

} // namespace EmailExport
