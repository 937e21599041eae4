#include "csvexport.h"

#include "datasetmodel.h"
#include "diskspace.h"

#include <QDir>

#include <algorithm>

namespace
{
// Rows are gathered and handed to the file in blocks of about this size.
constexpr qsizetype BlockSize = 1 << 16;

ExportWriter::Failure cannotWrite(const QSaveFile &file)
{
    return {store::DiskSpace::writeFailure(
        file.fileName(), QStringLiteral("对不起，文件“%1”无法写入：%2")
                             .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()))};
}
} // namespace

CsvExport::CsvExport(const QString &path) : m_file(path) {}

void CsvExport::begin(const QList<Column> &columns)
{
    m_columns = columns;
    if (!m_file.open(QIODevice::WriteOnly))
        throw cannotWrite(m_file);
    m_buffer = QByteArrayLiteral("\xEF\xBB\xBF");
    QStringList captions;
    for (const Column &c : columns)
        captions << c.caption;
    writeLine(captions);
}

void CsvExport::writeRow(const QVector<QVariant> &values)
{
    // Straight into the block: a row costs no list of its own.
    for (int i = 0; i < m_columns.size(); ++i) {
        if (i)
            m_buffer += ',';
        const store::ColumnType type = m_columns[i].type;
        const bool isText = type == store::ColumnType::Text || type == store::ColumnType::Memo;
        const QString t = text(values.value(i), type);
        m_buffer += field(isText ? guarded(t) : t);
    }
    endLine();
}

void CsvExport::finish()
{
    m_file.write(m_buffer);
    m_buffer.clear();
    check();
    // A write the disk refused shows only when the file's buffer goes out; commit() would
    // take the short file for done.
    if (!m_file.flush() || !m_file.commit())
        throw cannotWrite(m_file);
}

QByteArray CsvExport::field(const QString &text)
{
    QByteArray f = text.toUtf8();
    const auto special = [](char c) { return c == '"' || c == ',' || c == '\n' || c == '\r'; };
    if (std::any_of(f.cbegin(), f.cend(), special)) {
        f.replace("\"", "\"\"");
        f.prepend('"');
        f.append('"');
    }
    return f;
}

QString CsvExport::guarded(const QString &text)
{
    // A text that already begins with apostrophes before such a start gets one more too, so
    // that taking the first apostrophe away on reading gives back every text as it was.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char('\''))
        ++start;
    if (start < text.size() && formulaStarts.contains(text.at(start)))
        return QLatin1Char('\'') + text;
    return text;
}

QString CsvExport::text(const QVariant &value, store::ColumnType type)
{
    return DatasetModel::displayText(value, type);
}

void CsvExport::writeLine(const QStringList &fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i)
            m_buffer += ',';
        m_buffer += field(fields[i]);
    }
    endLine();
}

void CsvExport::endLine()
{
    m_buffer += "\r\n";
    if (m_buffer.size() >= BlockSize) {
        m_file.write(m_buffer);
        m_buffer.clear();
        check();
    }
}

void CsvExport::check()
{
    if (m_file.error() != QFileDevice::NoError)
        throw cannotWrite(m_file);
}
