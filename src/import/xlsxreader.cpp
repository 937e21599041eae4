#include "xlsxreader.h"

#include "xlsxparts.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <deque>
#include <zip.h>

namespace importing
{

using xlsx::NumberKind;
using xlsx::Xml;

namespace
{

constexpr int MaxColumns = 16384; // XFD, the last column of a sheet
constexpr qint64 MaxRows = 1048576; // the last row of a sheet
constexpr int BlockSize = 1 << 16;

struct Sheet {
    QString name, part;
    bool hidden = false;
};

struct Relationship {
    QString type, target;
};

// A part's path from a relationship target, relative to the folder of the part that names it.
QString resolve(const QString &folder, const QString &target)
{
    const QString joined = target.startsWith(QLatin1Char('/')) ? target.mid(1) : folder + target;
    QStringList parts;
    for (const QString &p : joined.split(QLatin1Char('/'))) {
        if (p == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (!p.isEmpty() && p != QLatin1String("."))
            parts << p;
    }
    return parts.join(QLatin1Char('/'));
}

QString folderOf(const QString &part)
{
    return part.left(part.lastIndexOf(QLatin1Char('/')) + 1);
}

// The column of a cell reference ("AB12" is 27), or -1 when it names none.
int columnOf(const char *ref)
{
    int column = 0, letters = 0;
    for (; ref && *ref; ++ref) {
        const char c = *ref;
        if (c >= 'A' && c <= 'Z')
            column = column * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            column = column * 26 + (c - 'a' + 1);
        else
            break;
        if (++letters > 3)
            return -1;
    }
    return letters ? column - 1 : -1;
}

} // namespace

struct XlsxReader::Private {
    zip_t *zip = nullptr;
    QByteArray buffer; // the workbook, when read from memory
    QString name;      // for messages
    std::vector<Sheet> sheets;
    bool date1904 = false;
    xlsx::Styles styles;
    xlsx::SharedStrings strings;

    // The sheet being read.
    zip_file_t *file = nullptr;
    std::unique_ptr<Xml> xml;
    qint64 fed = 0, total = 0;
    bool done = false, inSheetData = false, broken = false;
    QString fault; // why the sheet broke off, said once the parser gives back control
    std::deque<Row> ready;
    QByteArray block;
    Row row;
    qint64 lastRow = 0;
    int lastColumn = -1, column = -1, style = -1;
    QByteArray type, value, inlineText;
    bool inValue = false, inInline = false, inText = false;
    int phoneticDepth = 0;

    ~Private()
    {
        closeSheet();
        if (zip)
            zip_discard(zip);
    }

    [[noreturn]] void damaged(const QString &why) const
    {
        throw ReadError{QStringLiteral("工作簿“%1”已损坏，无法读取（%2）。").arg(name, why)};
    }

    void closeSheet()
    {
        if (file)
            zip_fclose(file);
        file = nullptr;
        xml.reset();
    }

    zip_int64_t locate(const QString &part) const
    {
        const QByteArray n = part.toUtf8();
        zip_int64_t index = zip_name_locate(zip, n.constData(), 0);
        if (index < 0)
            index = zip_name_locate(zip, n.constData(), ZIP_FL_NOCASE);
        return index;
    }

    zip_file_t *openPart(zip_int64_t index, qint64 *size)
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, zip_uint64_t(index), 0, &st) != 0)
            damaged(QString::fromUtf8(zip_strerror(zip)));
        *size = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
        zip_file_t *f = zip_fopen_index(zip, zip_uint64_t(index), 0);
        if (!f)
            failed(zip_get_error(zip));
        return f;
    }

    [[noreturn]] void failed(zip_error_t *error) const
    {
        const int code = zip_error_code_zip(error);
        const QString why = QString::fromUtf8(zip_error_strerror(error));
        if (code == ZIP_ER_READ || code == ZIP_ER_SEEK || code == ZIP_ER_OPEN)
            throw ReadError{QStringLiteral("读取文件“%1”时出错：%2").arg(name, why)};
        damaged(why);
    }

    // The failure of reading a part, with `f` closed when `close` says so. The error is copied
    // out of the part, whose text libzip allocates on asking, and given back before throwing.
    [[noreturn]] void failedReading(zip_file_t *f, bool close) const
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_error_set(&error, zip_error_code_zip(zip_file_get_error(f)),
                      zip_error_code_system(zip_file_get_error(f)));
        if (close)
            zip_fclose(f);
        try {
            failed(&error);
        } catch (...) {
            zip_error_fini(&error);
            throw;
        }
    }

    // Reads a whole part through `xml`; a missing part is skipped when it may be missing.
    void readPart(const QString &part, Xml &parser, bool required)
    {
        const zip_int64_t index = locate(part);
        if (index < 0) {
            if (required)
                damaged(QStringLiteral("缺少 %1").arg(part));
            return;
        }
        qint64 size = 0;
        zip_file_t *f = openPart(index, &size);
        QByteArray block(BlockSize, Qt::Uninitialized);
        for (;;) {
            const zip_int64_t n = zip_fread(f, block.data(), zip_uint64_t(block.size()));
            if (n < 0)
                failedReading(f, true);
            if (!parser.feed(block.constData(), int(n), n == 0)) {
                zip_fclose(f);
                damaged(QStringLiteral("%1 %2").arg(part, parser.error()));
            }
            if (n == 0)
                break;
        }
        zip_fclose(f);
    }

    QHash<QString, Relationship> relationships(const QString &part)
    {
        const QString rels = folderOf(part) + QStringLiteral("_rels/") +
                             part.mid(part.lastIndexOf(QLatin1Char('/')) + 1) +
                             QStringLiteral(".rels");
        QHash<QString, Relationship> out;
        Xml xml;
        xml.onStart = [&](QByteArrayView element, Xml::Attributes a) {
            if (element != "Relationship")
                return;
            const char *id = Xml::attribute(a, "Id");
            const char *type = Xml::attribute(a, "Type");
            const char *target = Xml::attribute(a, "Target");
            if (id && type && target)
                out.insert(
                    QString::fromUtf8(id),
                    {QString::fromUtf8(type), resolve(folderOf(part), QString::fromUtf8(target))});
        };
        readPart(rels, xml, false);
        return out;
    }

    void load()
    {
        QString workbook = QStringLiteral("xl/workbook.xml");
        for (const Relationship &r : relationships(QString()))
            if (r.type.endsWith(QLatin1String("/officeDocument")))
                workbook = r.target;
        if (locate(workbook) < 0)
            throw ReadError{
                QStringLiteral("文件“%1”不是 Excel 工作簿（.xlsx），无法导入。").arg(name)};
        const QHash<QString, Relationship> rels = relationships(workbook);

        Xml book;
        book.onStart = [&](QByteArrayView element, Xml::Attributes a) {
            if (element == "workbookPr") {
                const QByteArrayView v(Xml::attribute(a, "date1904"));
                date1904 = v == "1" || v == "true";
            } else if (element == "sheet") {
                const char *n = Xml::attribute(a, "name");
                const char *id = Xml::attribute(a, "id");
                const Relationship r = rels.value(QString::fromUtf8(id ? id : ""));
                // Chart sheets hold no cells.
                if (n && r.type.endsWith(QLatin1String("/worksheet")))
                    sheets.push_back({QString::fromUtf8(n), r.target,
                                      QByteArrayView(Xml::attribute(a, "state")) != "visible" &&
                                          Xml::attribute(a, "state") != nullptr});
            }
        };
        readPart(workbook, book, true);
        if (sheets.empty())
            throw ReadError{QStringLiteral("工作簿“%1”中没有工作表。").arg(name)};

        for (const Relationship &r : rels) {
            if (r.type.endsWith(QLatin1String("/styles"))) {
                Xml xml;
                styles.attach(xml);
                readPart(r.target, xml, false);
            } else if (r.type.endsWith(QLatin1String("/sharedStrings"))) {
                Xml xml;
                strings.attach(xml);
                readPart(r.target, xml, false);
                if (strings.tooLarge())
                    damaged(QStringLiteral("共享字符串过多"));
            }
        }
    }

    void startSheet(int index)
    {
        closeSheet();
        ready.clear();
        done = inSheetData = broken = false;
        fault.clear();
        fed = 0;
        lastRow = 0;
        const zip_int64_t at = locate(sheets[size_t(index)].part);
        if (at < 0)
            damaged(QStringLiteral("缺少 %1").arg(sheets[size_t(index)].part));
        file = openPart(at, &total);
        xml = std::make_unique<Xml>();
        xml->onStart = [this](QByteArrayView e, Xml::Attributes a) { start(e, a); };
        xml->onEnd = [this](QByteArrayView e) { end(e); };
        xml->onText = [this](const char *text, int length) {
            if (inValue)
                value.append(text, length);
            else if (inText && phoneticDepth == 0)
                inlineText.append(text, length);
        };
    }

    void start(QByteArrayView e, Xml::Attributes a)
    {
        if (e == "sheetData") {
            inSheetData = true;
        } else if (!inSheetData) {
            return;
        } else if (e == "row") {
            bool ok = false;
            const qint64 r = QByteArrayView(Xml::attribute(a, "r")).toLongLong(&ok);
            row.number = ok && r > lastRow ? r : lastRow + 1;
            // No sheet goes beyond its last row; counting on past it would overflow.
            if (row.number > MaxRows) {
                breakOff(QStringLiteral("行号超出工作表的最后一行 %1").arg(MaxRows));
                row.number = lastRow;
            }
            lastColumn = -1;
        } else if (e == "c") {
            const char *ref = Xml::attribute(a, "r");
            column = ref ? columnOf(ref) : lastColumn + 1;
            if (column < 0 || column >= MaxColumns)
                breakOff(QStringLiteral("第 %1 行的单元格无效").arg(row.number));
            const char *t = Xml::attribute(a, "t");
            type = t ? QByteArray(t) : QByteArray();
            bool ok = false;
            style = QByteArrayView(Xml::attribute(a, "s")).toInt(&ok);
            if (!ok)
                style = -1;
            value.resize(0); // keeps the buffers' room for the next cell
            inlineText.resize(0);
        } else if (e == "v") {
            inValue = true;
        } else if (e == "is") {
            inInline = true;
        } else if (e == "t" && inInline) {
            inText = true;
        } else if (e == "rPh") {
            ++phoneticDepth;
        }
    }

    void end(QByteArrayView e)
    {
        if (e == "v") {
            inValue = false;
        } else if (e == "t") {
            inText = false;
        } else if (e == "is") {
            inInline = false;
        } else if (e == "rPh") {
            --phoneticDepth;
        } else if (e == "c" && inSheetData && !broken) {
            lastColumn = column;
            const QVariant v = cellValue();
            if (v.isValid()) {
                if (row.cells.size() <= column)
                    row.cells.resize(column + 1);
                row.cells[column] = v;
            }
        } else if (e == "row" && inSheetData) {
            lastRow = row.number;
            if (!row.cells.isEmpty())
                ready.push_back(std::move(row));
            row = Row();
        } else if (e == "sheetData") {
            inSheetData = false;
        }
    }

    void breakOff(const QString &why)
    {
        if (!broken)
            fault = why;
        broken = true;
    }

    QVariant cellValue()
    {
        if (type == "inlineStr") {
            const QString s = xlsx::unescape(QString::fromUtf8(inlineText));
            return s.isEmpty() ? QVariant() : QVariant(s);
        }
        if (value.isEmpty())
            return {};
        if (type == "s") {
            bool ok = false;
            const qsizetype index = value.trimmed().toLongLong(&ok);
            if (!ok || index < 0 || index >= strings.size()) {
                breakOff(QStringLiteral("第 %1 行的单元格无效").arg(row.number));
                return {};
            }
            const QString s = strings.at(index);
            return s.isEmpty() ? QVariant() : QVariant(s);
        }
        if (type == "str" || type == "e")
            return xlsx::unescape(QString::fromUtf8(value));
        if (type == "b")
            return value.trimmed() == "1" || value.trimmed() == "true";
        if (type == "d") {
            const QDateTime dt = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODate);
            if (!dt.isValid())
                return QString::fromUtf8(value);
            return dt.time() == QTime(0, 0) ? QVariant(dt.date()) : QVariant(dt);
        }
        bool ok = false;
        const double d = value.trimmed().toDouble(&ok);
        if (!ok)
            return QString::fromUtf8(value);
        return xlsx::fromSerial(d, styles.kindOf(style), date1904);
    }

    // Feeds the next block of the sheet to the parser.
    void feed()
    {
        if (block.isEmpty())
            block.resize(BlockSize);
        const zip_int64_t n = zip_fread(file, block.data(), zip_uint64_t(block.size()));
        if (n < 0)
            failedReading(file, false);
        fed += n;
        if (!xml->feed(block.constData(), int(n), n == 0))
            damaged(xml->error());
        if (broken)
            damaged(fault);
        if (n == 0)
            done = true;
    }
};

XlsxReader::XlsxReader(std::unique_ptr<Private> p) : d(std::move(p))
{
    d->load();
    selectSheet(defaultSheet());
}

XlsxReader::~XlsxReader() = default;

std::unique_ptr<XlsxReader> XlsxReader::fromFile(const QString &path)
{
    auto p = std::make_unique<Private>();
    p->name = QDir::toNativeSeparators(path);
    int code = 0;
    p->zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!p->zip) {
        if (code == ZIP_ER_OPEN || code == ZIP_ER_READ || code == ZIP_ER_MEMORY)
            throw ReadError{QStringLiteral("文件“%1”无法打开。").arg(p->name)};
        throw ReadError{
            QStringLiteral("文件“%1”不是有效的 Excel 工作簿（.xlsx），无法导入。").arg(p->name)};
    }
    std::unique_ptr<XlsxReader> reader(new XlsxReader(std::move(p)));
    reader->rememberFile(path);
    return reader;
}

std::unique_ptr<XlsxReader> XlsxReader::fromBuffer(const QByteArray &data)
{
    auto p = std::make_unique<Private>();
    p->name = QStringLiteral("内存中的工作簿");
    p->buffer = data;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source =
        zip_source_buffer_create(p->buffer.constData(), zip_uint64_t(p->buffer.size()), 0, &error);
    if (source)
        p->zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!p->zip) {
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        throw ReadError{QStringLiteral("数据不是有效的 Excel 工作簿（.xlsx），无法导入。")};
    }
    return std::unique_ptr<XlsxReader>(new XlsxReader(std::move(p)));
}

QStringList XlsxReader::sheetNames() const
{
    QStringList names;
    for (const Sheet &s : d->sheets)
        names << s.name;
    return names;
}

int XlsxReader::defaultSheet() const
{
    for (size_t i = 0; i < d->sheets.size(); ++i)
        if (!d->sheets[i].hidden)
            return int(i);
    return 0;
}

void XlsxReader::selectSheet(int sheet)
{
    if (sheet < 0 || size_t(sheet) >= d->sheets.size())
        throw ReadError{QStringLiteral("工作簿中没有第 %1 个工作表。").arg(sheet + 1)};
    d->startSheet(sheet);
}

bool XlsxReader::next(Row &row)
{
    while (d->ready.empty() && !d->done)
        d->feed();
    if (d->ready.empty()) {
        checkFileUnchanged();
        return false;
    }
    row = std::move(d->ready.front());
    d->ready.pop_front();
    return true;
}

double XlsxReader::progress() const
{
    return d->total > 0 ? qMin(1.0, double(d->fed) / double(d->total)) : (d->done ? 1.0 : 0.0);
}

} // namespace importing
