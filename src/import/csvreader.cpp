#include "csvreader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

namespace importing
{

namespace
{

constexpr qint64 BlockSize = 1 << 16;

// True when a spreadsheet would take `text` for a formula once the apostrophes it begins with
// are taken away: a text the program's CSV export writes behind one more apostrophe.
bool guardedByExport(QStringView text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    while (!text.isEmpty() && text.front() == QLatin1Char('\''))
        text = text.mid(1);
    return !text.isEmpty() && formulaStarts.contains(text.front());
}

// True when `bytes` is UTF-8, allowing a character cut off at the end of the sample.
bool isUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = p[i];
        int more = 0;
        if (c < 0x80)
            more = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            more = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            more = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            more = 3;
        else
            return false;
        for (int k = 1; k <= more; ++k) {
            if (i + k >= n)
                return true; // cut off by the sample's end
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += more + 1;
    }
    return true;
}

// The separator the header line uses most: commas, then tabs, then semicolons on a tie.
QChar delimiterOf(QStringView text)
{
    int commas = 0, tabs = 0, semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char('\t'))
            ++tabs;
        else if (c == QLatin1Char(';'))
            ++semicolons;
    }
    if (commas >= tabs && commas >= semicolons)
        return QLatin1Char(',');
    return tabs >= semicolons ? QLatin1Char('\t') : QLatin1Char(';');
}

} // namespace

CsvReader::CsvReader(std::unique_ptr<QIODevice> device, const QString &name, const QString &path)
    : m_device(std::move(device)), m_name(name), m_path(path)
{
    if (!path.isEmpty())
        rememberFile(path);
    start();
}

CsvReader::~CsvReader() = default;

std::unique_ptr<CsvReader> CsvReader::fromFile(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        throw ReadError{QStringLiteral("文件“%1”无法打开：%2")
                            .arg(QDir::toNativeSeparators(path), file->errorString())};
    return std::unique_ptr<CsvReader>(
        new CsvReader(std::move(file), QFileInfo(path).fileName(), path));
}

std::unique_ptr<CsvReader> CsvReader::fromBuffer(const QByteArray &data, const QString &name)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    return std::unique_ptr<CsvReader>(new CsvReader(std::move(buffer), name, QString()));
}

void CsvReader::selectSheet(int)
{
    start();
}

// From the top: the encoding and the separator come from the first block.
void CsvReader::start()
{
    if (!m_device->seek(0))
        throw ReadError{
            QStringLiteral("文件“%1”无法读取：%2").arg(m_name, m_device->errorString())};
    QByteArray head = m_device->read(BlockSize);
    if (head.isEmpty() && m_device->atEnd() == false)
        throw ReadError{
            QStringLiteral("文件“%1”无法读取：%2").arg(m_name, m_device->errorString())};
    qsizetype skip = 0;
    if (head.startsWith("\xEF\xBB\xBF")) {
        m_encoding = QStringLiteral("UTF-8");
        skip = 3;
    } else if (head.startsWith("\xFF\xFE")) {
        m_encoding = QStringLiteral("UTF-16LE");
        skip = 2;
    } else if (head.startsWith("\xFE\xFF")) {
        m_encoding = QStringLiteral("UTF-16BE");
        skip = 2;
    } else if (head.contains('\0')) {
        throw ReadError{
            QStringLiteral("文件“%1”不是 Excel 工作簿（.xlsx），也不是 CSV 文件，无法导入。")
                .arg(m_name)};
    } else {
        m_encoding = isUtf8(head) ? QStringLiteral("UTF-8") : QStringLiteral("GB18030");
    }
    m_decoder = QStringDecoder(m_encoding.toLatin1().constData());
    if (!m_decoder.isValid())
        throw ReadError{
            QStringLiteral("本机不支持 %1 编码，无法读取“%2”。").arg(m_encoding, m_name)};
    m_text.clear();
    m_at = 0;
    m_eof = false;
    m_record = 0;
    m_field.clear();
    m_fields.clear();
    m_quoted = m_inQuotes = m_quoteSeen = m_afterCr = false;
    m_eof = m_device->atEnd();
    decode(head.mid(skip), m_eof);
    m_delimiter = delimiterOf(m_text);
}

void CsvReader::decode(const QByteArray &bytes, bool last)
{
    m_text.remove(0, m_at);
    m_at = 0;
    m_text += m_decoder.decode(bytes);
    if (m_decoder.hasError())
        throw ReadError{
            QStringLiteral("文件“%1”的文字编码前后不一致（开头是 %2），无法正确读取。请另存为 "
                           "UTF-8 编码的 CSV 文件后再导入。")
                .arg(m_name, m_encoding)};
    // The bytes of a character cut off at the end would otherwise be dropped without a word.
    if (last && (cutInsideCharacter() || (!m_text.isEmpty() && m_text.back().isHighSurrogate())))
        throw ReadError{QStringLiteral("文件“%1”在结尾处不完整。").arg(m_name)};
}

// At the end of the file: true when the decoder still holds the first bytes of a character.
// A line end given after them does not come out as one.
bool CsvReader::cutInsideCharacter()
{
    const QByteArray lineEnd =
        QStringEncoder(m_encoding.toLatin1().constData()).encode(QStringView(u"\n"));
    const QString out = m_decoder.decode(lineEnd);
    return m_decoder.hasError() || out != QLatin1String("\n");
}

// Reads the next block; false at the end of the file.
bool CsvReader::fill()
{
    if (m_eof)
        return false;
    const QByteArray block = m_device->read(BlockSize);
    if (block.isEmpty() && !m_device->atEnd())
        throw ReadError{
            QStringLiteral("读取文件“%1”时出错：%2").arg(m_name, m_device->errorString())};
    m_eof = m_device->atEnd() || block.isEmpty();
    decode(block, m_eof);
    return true;
}

void CsvReader::endField()
{
    // The apostrophe a spreadsheet reads as "this cell is text" is not part of the text.
    if (m_field.startsWith(QLatin1Char('\'')) && guardedByExport(QStringView(m_field).mid(1)))
        m_field.remove(0, 1);
    m_fields.append(m_field.isEmpty() ? QVariant() : QVariant(m_field));
    m_field.clear();
    m_quoted = m_quoteSeen = false;
}

// Completes a record; true when it holds anything (blank lines are passed over).
bool CsvReader::endRecord(Row &row)
{
    endField();
    ++m_record;
    bool any = false;
    for (const QVariant &v : std::as_const(m_fields))
        any = any || v.isValid();
    if (any) {
        row.number = m_record;
        row.cells = m_fields;
    }
    m_fields.clear();
    return any;
}

bool CsvReader::next(Row &row)
{
    const QChar quote = QLatin1Char('"');
    for (;;) {
        while (m_at < m_text.size()) {
            const QChar c = m_text.at(m_at++);
            if (m_afterCr) {
                m_afterCr = false;
                if (c == QLatin1Char('\n'))
                    continue; // the LF of a CR LF
            }
            if (m_inQuotes) {
                if (c == quote) {
                    m_inQuotes = false;
                    m_quoteSeen = true;
                } else {
                    m_field += c;
                }
                continue;
            }
            if (c == quote) {
                if (m_quoteSeen) { // a doubled quote inside a quoted field
                    m_field += quote;
                    m_inQuotes = true;
                    m_quoteSeen = false;
                } else if (m_field.isEmpty() && !m_quoted) {
                    m_quoted = m_inQuotes = true;
                    m_quoteStartRecord = m_record + 1;
                } else {
                    m_field += c; // a quote inside an unquoted field stays as typed
                }
            } else if (c == m_delimiter) {
                endField();
            } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
                m_afterCr = c == QLatin1Char('\r');
                if (endRecord(row))
                    return true;
            } else {
                m_quoteSeen = false;
                m_field += c;
            }
        }
        if (!fill())
            break;
    }
    // A file cut short or removed meanwhile: what was read is not the whole file.
    checkFileUnchanged();
    if (m_inQuotes)
        throw ReadError{QStringLiteral("文件“%1”第 %2 行的引号没有闭合，文件可能不完整或已损坏。")
                            .arg(m_name)
                            .arg(m_quoteStartRecord)};
    if (!m_field.isEmpty() || !m_fields.isEmpty() || m_quoted) {
        if (endRecord(row))
            return true;
    }
    return false;
}

double CsvReader::progress() const
{
    const qint64 size = m_device->size();
    return size > 0 ? double(m_device->pos()) / double(size) : 1.0;
}

} // namespace importing
