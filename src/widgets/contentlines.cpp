#include "contentlines.h"

#include "dataset.h"
#include "exportwriter.h"
#include "filedialog.h"
#include "gridexport.h"
#include "messagebox.h"
#include "pendingedit.h"
#include "session.h"

#include <QDir>
#include <QSaveFile>

namespace ContentLines
{

namespace
{

constexpr int MaxOctets = 75; // of one physical line, without its CR LF

} // namespace

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(';') || c == QLatin1Char(','))
            out += QLatin1Char('\\') + c;
        else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\n");
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i; // CR LF is one line break
        } else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
            continue; // control characters have no place in a text value
        else
            out += c;
    }
    return out;
}

QByteArray folded(const QString &line)
{
    QByteArray out;
    int used = 0; // octets on the current physical line
    for (int i = 0; i < line.size();) {
        // One character at a time, a surrogate pair as one, so no fold splits a character.
        const int n = line.at(i).isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
        const QByteArray bytes = line.mid(i, n).toUtf8();
        if (used + bytes.size() > MaxOctets) {
            out += "\r\n ";
            used = 1;
        }
        out += bytes;
        used += int(bytes.size());
        i += n;
    }
    return out + "\r\n";
}

Count write(store::Dataset &list, const Export &e, const QString &path)
{
    if (const QString why = GridExport::incompleteList(list, QStringLiteral("导出"));
        !why.isEmpty())
        throw ExportWriter::Failure{why};
    QSaveFile file(path);
    const auto failed = [&file, &path] {
        return ExportWriter::Failure{QStringLiteral("对不起，文件“%1”无法写入：%2")
                                         .arg(QDir::toNativeSeparators(path), file.errorString())};
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    const auto put = [&file](const QStringList &lines) {
        for (const QString &l : lines)
            file.write(folded(l));
    };
    Count count;
    put(e.head ? e.head(list) : QStringList());
    if (list.isOpen())
        list.forEachRow([&](int, const QVector<QVariant> &values) {
            const QStringList lines = e.row(values);
            if (lines.isEmpty()) {
                ++count.skipped;
                return;
            }
            put(lines);
            ++count.written;
        });
    put(e.tail);
    if (!file.commit())
        throw failed();
    return count;
}

void run(QWidget *parent, store::Dataset &list, const Export &e)
{
    // The file holds the rows as stored: a row being typed is settled by its window first.
    if (!PendingEdit::settle(list))
        return;
    const QString folder = store::session().AppDir + QStringLiteral("Export");
    QDir().mkpath(folder);
    const QString path =
        FileDialog::getSaveFileName(parent, e.caption, folder, e.proposedName, e.filter, e.suffix);
    if (path.isEmpty())
        return;
    Count count;
    try {
        count = write(list, e, path);
    } catch (const ExportWriter::Failure &f) {
        MessageBox::warning(parent, f.text, e.caption);
        return;
    }
    QString text = e.doneText.arg(count.written).arg(QDir::toNativeSeparators(path));
    if (count.skipped > 0)
        text += e.skippedText.arg(count.skipped);
    MessageBox::information(parent, text, e.caption);
}

} // namespace ContentLines
