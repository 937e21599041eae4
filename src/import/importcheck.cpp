// The check of a file: every row is read, converted as it will be stored and checked, and
// spooled to a temporary file for the store; nothing is stored.
#include "cellvalue.h"
#include "connection.h"
#include "importrunprivate.h"
#include "sheetreader.h"

#include <QDataStream>

#include <algorithm>

namespace importing
{

namespace
{
constexpr int ReportEvery = 256; // rows between two progress reports

struct Cancelled {
};
} // namespace

ImportRun::ImportRun(store::Connection &db, const ImportList &list, const QString &user,
                     bool administrator)
    : d(std::make_unique<Private>(db, list, user, administrator))
{
    d->table = store::Schema::find(list.table);
}

ImportRun::~ImportRun() = default;

QStringList ImportRun::readHeader(SheetReader &reader)
{
    SheetReader::Row row;
    if (!reader.next(row))
        throw ReadError{QStringLiteral("所选工作表是空的，没有可以导入的内容。")};
    QStringList headers;
    for (const QVariant &cell : std::as_const(row.cells))
        headers << cellText(cell).trimmed();
    return headers;
}

void ImportRun::setMapping(const Mapping &mapping)
{
    if (const QStringList missing = mapping.missingRequired(); !missing.isEmpty())
        throw ReadError{QStringLiteral("请为以下字段指定文件中的列：%1")
                            .arg(missing.join(QStringLiteral("、")))};
    d->targets.clear();
    d->keyTarget = -1;
    for (int c = 0; c < mapping.columns(); ++c) {
        const int f = mapping.fieldOf(c);
        if (f < 0)
            continue;
        const ListField &field = d->list.fields[f];
        Target t;
        t.column = c;
        t.field = f;
        t.name = field.field;
        t.caption = field.caption();
        if (const store::Column *col = d->table ? d->table->column(field.field) : nullptr) {
            t.name = col->name;
            t.type = col->type;
            t.width = col->width;
        }
        t.lookup = d->list.lookupOf(field.field);
        t.choices = d->list.choices.value(field.field);
        if (t.name.compare(d->list.key, Qt::CaseInsensitive) == 0)
            d->keyTarget = int(d->targets.size());
        d->targets.push_back(t);
    }
    d->checked = false;
}

QStringList ImportRun::filledCaptions() const
{
    QStringList out;
    for (const Target &t : d->targets)
        out << t.caption;
    return out;
}

int ImportRun::Private::targetOf(const QString &field) const
{
    for (size_t i = 0; i < targets.size(); ++i)
        if (targets[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

bool ImportRun::Private::ownerColumn() const
{
    return table && table->column(QStringLiteral("SUser"));
}

// One cell as it will be stored in the target's column; `why` tells when it cannot be.
QVariant ImportRun::Private::convertCell(const Target &t, const QVariant &cell,
                                         const LookupTable *lookup, QString *why) const
{
    if (lookup) {
        const QString text = cellText(cell).trimmed();
        if (text.isEmpty())
            return {};
        QString code;
        switch (lookup->find(text, &code)) {
        case LookupTable::Found::Yes:
            return code;
        case LookupTable::Found::No:
            *why = QStringLiteral("“%1”找不到（既不是已有的代码，也不是已有的名称）").arg(text);
            return {};
        case LookupTable::Found::Several:
            *why = QStringLiteral("“%1”对应多个同名条目，请改用代码").arg(text);
            return {};
        }
    }
    const CellValue v = CellValue::of(cell, t.type);
    if (!v.refusal.isEmpty()) {
        *why = v.refusal;
        return {};
    }
    if (!t.choices.isEmpty() && v.value.isValid()) {
        const QString text = v.value.toString().trimmed();
        if (t.choices.contains(text))
            return text;
        *why = QStringLiteral("“%1”不是可选的值（%2）")
                   .arg(text, t.choices.join(QStringLiteral("、")));
        return {};
    }
    if (t.width > 0 && v.value.typeId() == QMetaType::QString) {
        const int n = storedLength(v.value.toString());
        if (n > t.width) {
            *why = QStringLiteral("太长：最多 %1 个字，这里有 %2 个字").arg(t.width).arg(n);
            return {};
        }
    }
    return v.value;
}

QVector<QVariant>
ImportRun::Private::convert(const QVector<QVariant> &cells, qint64 row,
                            const std::vector<std::unique_ptr<LookupTable>> &lookups,
                            CodeSet &codes, QList<Problem> &problems) const
{
    QVector<QVariant> values(qsizetype(targets.size()));
    for (size_t i = 0; i < targets.size(); ++i) {
        const Target &t = targets[i];
        QString why;
        values[qsizetype(i)] = convertCell(t, cells.value(t.column), lookups[i].get(), &why);
        if (!why.isEmpty())
            problems.append({row, t.column, t.caption + why});
    }
    for (const QString &r : list.required) {
        const int i = targetOf(r);
        if (i >= 0 && !cells.value(targets[size_t(i)].column).isValid())
            problems.append({row, targets[size_t(i)].column,
                             targets[size_t(i)].caption + QStringLiteral("不能为空")});
    }
    const QString code = keyTarget >= 0 ? values[keyTarget].toString() : QString();
    if (!code.isEmpty()) {
        if (list.refuseCode)
            if (const auto why = list.refuseCode(code))
                problems.append({row, targets[size_t(keyTarget)].column, *why});
        if (const qint64 first = codes.insert(code, row))
            problems.append({row, targets[size_t(keyTarget)].column,
                             QStringLiteral("代码“%1”与第 %2 行重复").arg(code).arg(first)});
    }
    return values;
}

CheckResult ImportRun::check(SheetReader &reader, int sheet, const Progress &progress)
{
    reader.selectSheet(sheet);
    readHeader(reader);
    d->checked = false;
    d->possibleDuplicates.clear();
    d->stored = std::make_unique<StoredRows>(d->db, d->list, d->user, d->administrator);
    d->stored->loadContacts();
    d->stored->keyColumn = d->keyTarget >= 0 ? d->targets[size_t(d->keyTarget)].column : -1;
    d->spool = std::make_unique<QTemporaryFile>();
    if (!d->spool->open())
        throw ReadError{QStringLiteral("无法建立临时文件：%1").arg(d->spool->errorString())};
    CheckResult result;
    try {
        d->readRows(reader, result, progress);
    } catch (const Cancelled &) {
        result.cancelled = true;
        return result;
    }
    d->finishCheck(result);
    if (progress)
        progress(1.0);
    return result;
}

// Every row converted, checked and spooled as it will be stored.
void ImportRun::Private::readRows(SheetReader &reader, CheckResult &result,
                                  const Progress &progress)
{
    std::vector<std::unique_ptr<LookupTable>> lookups;
    for (const Target &t : targets) {
        const bool own = t.lookup && t.lookup->owned && !administrator;
        lookups.push_back(t.lookup
                              ? std::make_unique<LookupTable>(db, *t.lookup, own ? user : QString())
                              : nullptr);
    }
    QDataStream out(spool.get());
    CodeSet codes;
    const int nameAt = targetOf(list.nameField), phoneAt = targetOf(list.phoneField),
              emailAt = targetOf(list.emailField);
    const auto text = [](const QVector<QVariant> &v, int i) {
        return i >= 0 ? v[i].toString() : QString();
    };
    SheetReader::Row row;
    while (reader.next(row)) {
        QList<Problem> problems;
        const QVector<QVariant> values = convert(row.cells, row.number, lookups, codes, problems);
        const QString code = keyTarget >= 0 ? values[keyTarget].toString() : QString();
        QStringList why;
        for (const Problem &p : std::as_const(problems)) {
            if (result.problems.size() < CheckResult::MaxListed)
                result.problems.append(p);
            why << p.text;
        }
        result.problemCount += problems.size();
        result.problemRows += problems.isEmpty() ? 0 : 1;
        out << row.number << code << why.join(QStringLiteral("；")) << values;
        if (result.preview.size() < CheckResult::PreviewRows)
            result.preview.append({row.number, code, values, !problems.isEmpty(), false});
        if (!code.isEmpty())
            stored->lookFor(code, row.number, !problems.isEmpty());
        if (problems.isEmpty())
            stored->consider(row.number, code, text(values, nameAt), text(values, phoneAt),
                             text(values, emailAt));
        if (++result.rows % ReportEvery == 0 && progress && !progress(reader.progress()))
            throw Cancelled{};
    }
    if (out.status() != QDataStream::Ok || !spool->flush())
        throw ReadError{QStringLiteral("临时文件写入失败：%1").arg(spool->errorString())};
}

// What only the whole file tells: codes already stored, possible duplicates.
void ImportRun::Private::finishCheck(CheckResult &result)
{
    stored->flush();
    for (const Problem &p : std::as_const(stored->foreignProblems)) {
        if (result.problems.size() < CheckResult::MaxListed)
            result.problems.append(p);
        ++result.problemCount;
        ++result.problemRows;
    }
    result.existingRows = stored->existingRows;
    for (PreviewRow &p : result.preview) {
        const StoredRows::Existing *e = p.code.isEmpty() ? nullptr : stored->existing(p.code);
        p.existing = e;
        p.problem = p.problem || (e && e->foreign);
    }
    result.duplicates = stored->confirmDuplicates();
    for (const PossibleDuplicate &dup : std::as_const(result.duplicates))
        possibleDuplicates.insert(dup.row);
    std::stable_sort(result.problems.begin(), result.problems.end(),
                     [](const Problem &a, const Problem &b) { return a.row < b.row; });
    problemRows = result.problemRows;
    checked = true;
}

} // namespace importing
