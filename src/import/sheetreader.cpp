#include "sheetreader.h"

#include "cfbprobe.h"
#include "csvreader.h"
#include "xlsxreader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <cmath>

namespace importing
{

namespace
{

enum class Content { Empty, Zip, Compound, Other };

Content contentOf(const QByteArray &head)
{
    if (head.isEmpty())
        return Content::Empty;
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"))
        return Content::Zip;
    if (head.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")))
        return Content::Compound;
    return Content::Other;
}

QString shown(const QString &name)
{
    return QDir::toNativeSeparators(name);
}

// A name that promises a workbook: its content must then be one.
bool workbookName(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("xlsx") || suffix == QLatin1String("xlsm") ||
           suffix == QLatin1String("xls");
}

[[noreturn]] void refuseCompound(QIODevice &device, const QString &name)
{
    switch (probeCompoundFile(device)) {
    case CompoundKind::Encrypted:
        throw ReadError{QStringLiteral("工作簿“%1”设有打开密码（已加密），无法读取。请在 Excel "
                                       "中取消密码并另存后再导入。")
                            .arg(shown(name))};
    case CompoundKind::LegacyWorkbook:
        throw ReadError{QStringLiteral("文件“%1”是旧版 Excel 97-2003 工作簿（.xls），请在 Excel "
                                       "中另存为 .xlsx 工作簿或 CSV 文件后再导入。")
                            .arg(shown(name))};
    case CompoundKind::Other:
        break;
    }
    throw ReadError{
        QStringLiteral("文件“%1”不是 Excel 工作簿（.xlsx），也不是 CSV 文件，无法导入。")
            .arg(shown(name))};
}

[[noreturn]] void refuseOther(const QString &name)
{
    throw ReadError{
        QStringLiteral("文件“%1”不是有效的 Excel 工作簿（.xlsx），无法导入。").arg(shown(name))};
}

} // namespace

std::unique_ptr<SheetReader> SheetReader::openFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReadError{
            QStringLiteral("文件“%1”无法打开：%2").arg(shown(path), file.errorString())};
    switch (contentOf(file.read(8))) {
    case Content::Empty:
        throw ReadError{QStringLiteral("文件“%1”是空的。").arg(shown(path))};
    case Content::Zip:
        file.close();
        return XlsxReader::fromFile(path);
    case Content::Compound:
        refuseCompound(file, path);
    case Content::Other:
        break;
    }
    if (workbookName(path))
        refuseOther(path);
    file.close();
    return CsvReader::fromFile(path);
}

std::unique_ptr<SheetReader> SheetReader::openBuffer(const QByteArray &data, const QString &name)
{
    switch (contentOf(data.left(8))) {
    case Content::Empty:
        throw ReadError{QStringLiteral("文件“%1”是空的。").arg(shown(name))};
    case Content::Zip:
        return XlsxReader::fromBuffer(data);
    case Content::Compound: {
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        refuseCompound(buffer, name);
    }
    case Content::Other:
        break;
    }
    if (workbookName(name))
        refuseOther(name);
    return CsvReader::fromBuffer(data, name);
}

void SheetReader::rememberFile(const QString &path)
{
    const QFileInfo info(path);
    m_path = path;
    m_size = info.size();
    m_modified = info.lastModified();
}

void SheetReader::checkFileUnchanged() const
{
    if (m_path.isEmpty())
        return;
    const QFileInfo info(m_path);
    if (!info.exists() || info.size() != m_size || info.lastModified() != m_modified)
        throw ReadError{QStringLiteral("文件“%1”在读取过程中被删除或改动，请等文件完整后再导入。")
                            .arg(shown(m_path))};
}

QString cellText(const QVariant &cell)
{
    switch (cell.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::Double: {
        const double d = cell.toDouble();
        // Whole numbers as a spreadsheet shows them (a telephone number, a code of digits).
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    case QMetaType::QDate:
        return cell.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime:
        return cell.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QMetaType::QTime:
        return cell.toTime().toString(QStringLiteral("hh:mm:ss"));
    case QMetaType::Bool:
        return cell.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    default:
        return cell.toString();
    }
}

} // namespace importing
