#include "gridexport.h"

#include "datagrid.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "errordisplay.h"
#include "filedialog.h"
#include "messagebox.h"
#include "operationlog.h"
#include "session.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QProgressDialog>
#include <QTemporaryFile>
#include <functional>

namespace GridExport
{

namespace
{

const char *const PrefixProperty = "tessalyLogPrefix";
constexpr int ReportEvery = 256; // rows between two progress reports

struct Cancelled {
};

// The grid's dataset rows in the order of their groups, each with its groups' shown values.
// Rows are first spooled in dataset order (one streaming read of the store), then read back
// from the mapped spool in group order.
class GroupedRows
{
  public:
    GroupedRows(const DatasetModel &model, store::Dataset &d, const QList<int> &fields)
        : m_model(model), m_d(d), m_fields(fields)
    {
    }

    template <typename Tick> void spool(Tick &&tick)
    {
        if (!m_spool.open())
            throw ExportWriter::Failure{
                QStringLiteral("对不起，无法建立临时文件：%1").arg(m_spool.errorString())};
        const int n = m_d.rowCount();
        m_offsets.fill(-1, n);
        m_lengths.fill(0, n);
        qint64 at = 0;
        QByteArray blob;
        m_d.forEachRow([&](int row, const QVector<QVariant> &values) {
            blob.clear();
            QDataStream out(&blob, QIODevice::WriteOnly);
            for (const int f : m_fields)
                out << (f >= 0 ? values.value(f) : QVariant());
            if (row >= 0 && row < n && m_spool.write(blob) == blob.size()) {
                m_offsets[row] = at;
                m_lengths[row] = int(blob.size());
                at += blob.size();
            }
            tick();
        });
        if (!m_spool.flush())
            throw ExportWriter::Failure{
                QStringLiteral("对不起，临时文件写入失败：%1").arg(m_spool.errorString())};
        m_size = at;
    }

    // Calls `emitRow` with group values then column values, in the grid's order.
    void replay(int groupLevels, const std::function<void(const QVector<QVariant> &)> &emitRow)
    {
        const uchar *base = m_size > 0 ? m_spool.map(0, m_size) : nullptr;
        if (m_size > 0 && !base)
            throw ExportWriter::Failure{
                QStringLiteral("对不起，临时文件无法读取：%1").arg(m_spool.errorString())};
        QVector<QVariant> out(groupLevels + m_fields.size());
        const std::function<void(const QModelIndex &, int)> walk = [&](const QModelIndex &parent,
                                                                       int level) {
            const int n = m_model.rowCount(parent);
            for (int i = 0; i < n; ++i) {
                const QModelIndex idx = m_model.index(i, 0, parent);
                if (m_model.isGroupRow(idx)) {
                    if (level < groupLevels)
                        out[level] = m_model.groupValue(idx);
                    walk(idx, level + 1);
                    continue;
                }
                const int row = m_model.datasetRow(idx);
                if (row < 0 || row >= m_offsets.size() || m_offsets[row] < 0)
                    continue; // a row the store no longer holds
                const QByteArray blob = QByteArray::fromRawData(
                    reinterpret_cast<const char *>(base + m_offsets[row]), m_lengths[row]);
                QDataStream in(blob);
                for (int f = 0; f < m_fields.size(); ++f)
                    in >> out[groupLevels + f];
                emitRow(out);
            }
        };
        walk({}, 0);
    }

  private:
    const DatasetModel &m_model;
    store::Dataset &m_d;
    QList<int> m_fields;
    QTemporaryFile m_spool;
    QVector<qint64> m_offsets;
    QVector<int> m_lengths;
    qint64 m_size = 0;
};

} // namespace

QString incompleteList(store::Dataset &d, const QString &doing)
{
    if (!d.isOpen())
        return {};
    d.readRest();
    const QString error = d.readError();
    return error.isEmpty()
               ? QString()
               : QStringLiteral("读取数据时出错，列表不完整，不能%1。请刷新后再试：\n%2")
                     .arg(doing, error);
}

Result write(const DataGrid &grid, ExportWriter::Format format, const QString &path,
             const Progress &progress)
{
    store::Dataset *d = grid.dataset();
    const bool open = d && d->isOpen();
    const QStringList groups = open ? grid.model()->groupFields() : QStringList();

    QList<ExportWriter::Column> columns;
    QList<int> fields; // dataset field of each non-group column, -1 when it has none
    const QList<GridColumn> gridColumns = grid.columns();
    const auto typeOf = [d, open](int f) {
        return open && f >= 0 ? d->fieldType(f) : store::ColumnType::Text;
    };
    for (const QString &g : groups) {
        for (const GridColumn &c : gridColumns)
            if (c.field.compare(g, Qt::CaseInsensitive) == 0)
                columns.append(
                    {c.caption.isEmpty() ? c.field : c.caption, typeOf(d->fieldIndex(g))});
    }
    for (const GridColumn &c : gridColumns) {
        if (!c.visible || groups.contains(c.field, Qt::CaseInsensitive))
            continue;
        const int f = open ? d->fieldIndex(c.field) : -1;
        fields.append(f);
        columns.append({c.caption.isEmpty() ? c.field : c.caption, typeOf(f)});
    }

    if (open)
        if (const QString why = incompleteList(*d, QStringLiteral("导出")); !why.isEmpty())
            throw ExportWriter::Failure{why};
    Result result;
    std::unique_ptr<ExportWriter> writer = ExportWriter::create(format, path);
    writer->begin(columns);
    if (open) {
        const qint64 total = qint64(d->rowCount()) * (groups.isEmpty() ? 1 : 2);
        qint64 done = 0;
        const auto tick = [&] {
            if (++done % ReportEvery == 0 && progress && !progress(done, total))
                throw Cancelled{};
        };
        try {
            if (progress && !progress(0, total))
                throw Cancelled{};
            if (groups.isEmpty()) {
                QVector<QVariant> out(fields.size());
                d->forEachRow([&](int, const QVector<QVariant> &values) {
                    for (int i = 0; i < fields.size(); ++i)
                        out[i] = fields[i] >= 0 ? values.value(fields[i]) : QVariant();
                    writer->writeRow(out);
                    ++result.rows;
                    tick();
                });
            } else {
                GroupedRows rows(*grid.model(), *d, fields);
                rows.spool(tick);
                rows.replay(int(groups.size()), [&](const QVector<QVariant> &out) {
                    writer->writeRow(out);
                    ++result.rows;
                    tick();
                });
            }
        } catch (const Cancelled &) {
            result.cancelled = true;
            return result; // the writer goes without finishing: nothing under `path`
        }
    }
    writer->finish();
    if (progress)
        progress(qMax<qint64>(result.rows, 1), qMax<qint64>(result.rows, 1));
    return result;
}

void run(DataGrid *grid)
{
    store::Dataset *d = grid->dataset();
    if (!d)
        return;
    ErrorDisplay::run(grid, [&] {
        const QString module = logPrefix(grid);
        store::OperationLog::write(d->connection(), store::OperationLog::dateTimeText(),
                                   module + QStringLiteral("-导出"));
        const QString folder = store::session().AppDir + QStringLiteral("Export");
        QDir().mkpath(folder);
        const QString caption = QStringLiteral("导出");
        const QString xlsx = QStringLiteral("Excel 工作簿(*.xlsx)"),
                      csv = QStringLiteral("CSV 文件(*.csv)");
        // The type chosen in the dialog decides the file's format and its extension.
        QString chosen;
        const QString path =
            FileDialog::getSaveFileName(grid, caption, folder, module.section(QLatin1Char('-'), -1),
                                        xlsx + QStringLiteral(";;") + csv, &chosen);
        if (path.isEmpty())
            return;
        const ExportWriter::Format format =
            chosen == csv ? ExportWriter::Format::Csv : ExportWriter::Format::Xlsx;

        QProgressDialog dialog(QStringLiteral("正在导出……"), QStringLiteral("取消"), 0, 1000,
                               grid->window());
        dialog.setObjectName(QStringLiteral("dlgExportProgress"));
        dialog.setWindowTitle(caption);
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setMinimumDuration(400);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        Result result;
        try {
            result = write(*grid, format, path, [&dialog](qint64 done, qint64 total) {
                dialog.setValue(total > 0 ? int(done * 1000 / total) : 0);
                QCoreApplication::processEvents();
                return !dialog.wasCanceled();
            });
        } catch (const ExportWriter::Failure &f) {
            dialog.close();
            MessageBox::warning(grid, f.text, caption);
            return;
        }
        dialog.close();
        if (result.cancelled)
            MessageBox::information(grid, QStringLiteral("导出已取消，没有生成文件。"), caption);
        else
            MessageBox::information(grid,
                                    QStringLiteral("数据导出成功！共导出 %1 行到“%2”。")
                                        .arg(result.rows)
                                        .arg(QDir::toNativeSeparators(path)),
                                    caption);
    });
}

void setLogPrefix(QWidget *owner, const QString &prefix, PrefixRule rule)
{
    if (rule == KeepSet && owner->property(PrefixProperty).isValid())
        return;
    owner->setProperty(PrefixProperty, prefix);
}

QString logPrefix(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant p = w->property(PrefixProperty);
        if (p.isValid() && !p.toString().isEmpty())
            return p.toString();
        if (w->isWindow()) {
            // A window whose commands say nothing about their module: its caption.
            return w->windowTitle().isEmpty() ? QStringLiteral("数据导出") : w->windowTitle();
        }
    }
    return QStringLiteral("数据导出");
}

} // namespace GridExport
