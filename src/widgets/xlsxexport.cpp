#include "xlsxexport.h"

#include "diskspace.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <xlsxwriter.h>

namespace
{
constexpr int MaxWidth = 60;       // character cells; longer texts wrap out of sight
constexpr int MaxCellText = 32767; // characters a cell holds

QString cannotWrite(const QString &path, const QString &why)
{
    return store::DiskSpace::writeFailure(
        path,
        QStringLiteral("对不起，文件“%1”无法写入：%2").arg(QDir::toNativeSeparators(path), why));
}

lxw_datetime toLxw(const QDateTime &dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    return lxw_datetime{d.year(), d.month(),  d.day(),
                        t.hour(), t.minute(), t.second() + t.msec() / 1000.0};
}

QDateTime asDateTime(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().startOfDay();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return QDateTime::fromString(v.toString(), Qt::ISODate);
}
} // namespace

XlsxExport::XlsxExport(const QString &path) : m_path(path) {}

XlsxExport::~XlsxExport()
{
    if (m_book) {
        lxw_workbook_free(m_book); // abandoned: its temporary files go, nothing is assembled
        m_book = nullptr;
    }
    if (!m_partial.isEmpty())
        QFile::remove(m_partial);
}

void XlsxExport::begin(const QList<Column> &columns)
{
    m_columns = columns;
    m_widths.fill(0, columns.size());
    // A free name beside the chosen one, so the final rename stays on one file system. It is
    // made as any new file is, so the workbook gets the permissions the user's umask gives.
    for (int attempt = 0; m_partial.isEmpty(); ++attempt) {
        QFile reserve(m_path +
                      QStringLiteral(".%1.part")
                          .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (reserve.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            m_partial = reserve.fileName();
        else if (reserve.exists() && attempt < 100)
            continue;
        else
            throw Failure{cannotWrite(m_path, reserve.errorString())};
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray name = QFile::encodeName(m_partial);
    m_book = workbook_new_opt(name.constData(), &options);
    if (!m_book)
        throw Failure{cannotWrite(m_path, QStringLiteral("无法建立工作簿"))};
    m_sheet = workbook_add_worksheet(m_book, nullptr);
    m_header = workbook_add_format(m_book);
    format_set_bold(m_header);
    m_date = workbook_add_format(m_book);
    format_set_num_format(m_date, "yyyy-mm-dd");
    m_dateTime = workbook_add_format(m_book);
    format_set_num_format(m_dateTime, "yyyy-mm-dd hh:mm:ss");
    m_money = workbook_add_format(m_book);
    format_set_num_format(m_money, "0.00");

    for (int c = 0; c < columns.size(); ++c) {
        check(worksheet_write_string(m_sheet, 0, lxw_col_t(c),
                                     columns[c].caption.toUtf8().constData(), m_header),
              "header");
        fit(c, displayWidth(columns[c].caption));
    }
    worksheet_freeze_panes(m_sheet, 1, 0);
    m_row = 1;
}

void XlsxExport::writeRow(const QVector<QVariant> &values)
{
    if (m_row >= MaxRows)
        throw Failure{
            QStringLiteral("对不起，一个 Excel 工作表最多只能容纳 %1 行，请先用查询缩小范围，"
                           "或导出为 CSV 文件。")
                .arg(MaxRows - 1)};
    using T = store::ColumnType;
    for (int c = 0; c < m_columns.size(); ++c) {
        const QVariant v = values.value(c);
        if (!v.isValid() || v.isNull())
            continue;
        const lxw_row_t row = lxw_row_t(m_row);
        const lxw_col_t col = lxw_col_t(c);
        switch (m_columns[c].type) {
        case T::Date: {
            const QDateTime dt = asDateTime(v);
            if (!dt.isValid()) {
                writeText(c, v.toString());
                break;
            }
            const bool withTime = dt.time() != QTime(0, 0);
            lxw_datetime when = toLxw(dt);
            check(
                worksheet_write_datetime(m_sheet, row, col, &when, withTime ? m_dateTime : m_date),
                "date");
            fit(c, withTime ? 19 : 10);
            break;
        }
        case T::Currency: {
            const double d = v.toDouble();
            check(worksheet_write_number(m_sheet, row, col, d, m_money), "money");
            fit(c, int(QString::number(d, 'f', 2).size()) + 1);
            break;
        }
        case T::Number:
        case T::Integer:
        case T::AutoNumber: {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok) {
                writeText(c, v.toString());
                break;
            }
            check(worksheet_write_number(m_sheet, row, col, d, nullptr), "number");
            fit(c, int(QString::number(d, 'g', 15).size()) + 1);
            break;
        }
        case T::Bool:
            check(worksheet_write_boolean(m_sheet, row, col, v.toBool() ? 1 : 0, nullptr), "bool");
            fit(c, 5);
            break;
        default:
            writeText(c, v.toString());
            break;
        }
    }
    ++m_row;
}

void XlsxExport::writeText(int column, const QString &text)
{
    if (text.isEmpty())
        return;
    const QString kept = text.size() > MaxCellText ? text.left(MaxCellText) : text;
    check(worksheet_write_string(m_sheet, lxw_row_t(m_row), lxw_col_t(column),
                                 kept.toUtf8().constData(), nullptr),
          "text");
    // The widest line counts; measuring stops early once a text is wider than any column.
    int widest = 0;
    for (const QStringView line : QStringView(kept).left(MaxWidth * 4).split(QLatin1Char('\n')))
        widest = qMax(widest, displayWidth(line.toString()));
    fit(column, widest);
}

void XlsxExport::fit(int column, int width)
{
    if (width > m_widths[column])
        m_widths[column] = width;
}

void XlsxExport::finish()
{
    // Column widths go into the sheet's head, which is assembled when the workbook closes.
    for (int c = 0; c < m_columns.size(); ++c)
        worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c),
                             qBound(6, m_widths[c] + 2, MaxWidth), nullptr);
    const lxw_error e = workbook_close(m_book);
    m_book = nullptr;
    if (e != LXW_NO_ERROR)
        throw Failure{cannotWrite(m_path, QString::fromUtf8(lxw_strerror(e)))};
    const QByteArray from = QFile::encodeName(m_partial), to = QFile::encodeName(m_path);
    if (std::rename(from.constData(), to.constData()) != 0)
        throw Failure{cannotWrite(m_path, QString::fromLocal8Bit(strerror(errno)))};
    m_partial.clear();
}

void XlsxExport::check(int error, const char *what)
{
    if (error != LXW_NO_ERROR)
        throw Failure{cannotWrite(
            m_path, QStringLiteral("%1: %2").arg(
                        QLatin1String(what), QString::fromUtf8(lxw_strerror(lxw_error(error)))))};
}
