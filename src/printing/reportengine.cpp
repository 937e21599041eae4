#include "reportengine.h"

#include "dataset.h"
#include "money.h"
#include "session.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <kainjow/mustache.hpp>

namespace mu = kainjow::mustache;

namespace
{

std::string utf8(const QString &s)
{
    return s.toStdString();
}

// The organisation's own columns: a sender object always carries all of them, so that a
// name missing from the sender row never falls through to the row printed beside it.
QStringList senderColumns()
{
    const store::Table *t = store::Schema::find(QStringLiteral("tblUserInfo"));
    return t ? t->columnNames() : QStringList();
}

// A value stored under its own spelling and under every spelling the template uses for it,
// because mustache names are exact while field names are not.
struct Key {
    int field = -1;
    std::vector<std::string> spellings;
};

std::vector<std::string> spellingsOf(const QString &name, const QSet<QString> &tags)
{
    std::vector<std::string> out{utf8(name)};
    for (const QString &t : tags)
        if (t != name && t.compare(name, Qt::CaseInsensitive) == 0)
            out.push_back(utf8(t));
    return out;
}

} // namespace

ReportEngine::ReportEngine(const QString &reportDir) : m_reportDir(reportDir)
{
    if (m_reportDir.isEmpty())
        m_reportDir = store::session().AppDir + QStringLiteral("Data/Report/");
    if (!m_reportDir.endsWith(QLatin1Char('/')))
        m_reportDir += QLatin1Char('/');
}

QString ReportEngine::layoutPath(const QString &layoutName) const
{
    QString name = layoutName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/')); // names written as "Data\Report\x.frf"
    return QFileInfo(name).isAbsolute() ? name : m_reportDir + name;
}

QVariantMap ReportEngine::senderFrom(store::Dataset &userInfo)
{
    userInfo.open();
    QVariantMap sender;
    if (userInfo.rowCount() == 0)
        return sender;
    const QStringList names = userInfo.fieldNames();
    for (int i = 0; i < names.size(); ++i)
        sender.insert(names[i], userInfo.value(0, i));
    return sender;
}

Report ReportEngine::render(const QString &layoutName, store::Dataset *dataset) const
{
    const QString path = layoutPath(layoutName);
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile())
        return Report::message(QStringLiteral("报表格式文件不存在：") + shown, path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Report::message(QStringLiteral("报表格式文件无法读取：") + shown, path);
    return renderText(QString::fromUtf8(file.readAll()), dataset, path);
}

QString ReportEngine::fieldText(const QVariant &value, store::ColumnType type)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (type) {
    case store::ColumnType::Currency: {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (ok)
            return store::Money::text(v);
        break;
    }
    case store::ColumnType::Bool:
        if (value.canConvert<bool>())
            return value.toBool() ? QStringLiteral("是") : QStringLiteral("否");
        break;
    case store::ColumnType::Date:
        if (value.metaType().id() == QMetaType::QString) {
            const QDateTime dt = QDateTime::fromString(value.toString(), Qt::ISODate);
            if (dt.isValid())
                return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
        }
        break;
    default:
        break;
    }
    return store::Dataset::displayText(value);
}

Report ReportEngine::renderText(const QString &layoutText, store::Dataset *dataset,
                                const QString &layoutPath) const
{
    const ReportLayout layout = ReportLayout::parse(layoutText);
    for (const QString &p : layout.problems())
        qWarning("%s: %s", qPrintable(layoutPath), qPrintable(p));

    mu::mustache templ(utf8(layout.templateText()));
    if (!templ.is_valid())
        return Report::message(QStringLiteral("报表格式文件有误：") +
                                   QDir::toNativeSeparators(layoutPath) + QLatin1Char('\n') +
                                   QString::fromStdString(templ.error_message()),
                               layoutPath);

    const QSet<QString> tags = layout.tagNames();

    // ---- the rows, as the dataset holds them now
    std::vector<Key> keys;
    const int rowCount = dataset && dataset->isOpen() ? dataset->rowCount() : 0;
    if (dataset) {
        const QStringList names = dataset->fieldNames();
        for (int i = 0; i < names.size(); ++i)
            keys.push_back({i, spellingsOf(names[i], tags)});
    }
    std::vector<mu::data> rowObjects;
    rowObjects.reserve(size_t(rowCount));
    for (int r = 0; r < rowCount; ++r) {
        mu::data row;
        for (const Key &k : keys) {
            const std::string text =
                utf8(fieldText(dataset->value(r, k.field), dataset->fieldType(k.field)));
            for (const std::string &s : k.spellings)
                row.set(s, text);
        }
        row.set("rowNo", utf8(QString::number(r + 1)));
        row.set("blank", false);
        rowObjects.push_back(std::move(row));
    }

    mu::data context;
    context.set("title", utf8(layout.title()));
    const QDate printDate = m_printDate.isValid() ? m_printDate : QDate::currentDate();
    context.set("printDate", utf8(printDate.toString(QStringLiteral("yyyy-MM-dd"))));
    context.set("rowCount", utf8(QString::number(rowCount)));
    mu::data rows{mu::data::type::list};
    for (const mu::data &row : rowObjects)
        rows.push_back(row);
    context.set("rows", rows);

    // ---- the sender
    if (!m_sender.isEmpty()) {
        mu::data sender;
        QStringList names = senderColumns();
        for (auto it = m_sender.cbegin(); it != m_sender.cend(); ++it)
            if (!names.contains(it.key(), Qt::CaseInsensitive))
                names << it.key();
        for (const QString &name : names) {
            QVariant v;
            for (auto it = m_sender.cbegin(); it != m_sender.cend(); ++it)
                if (it.key().compare(name, Qt::CaseInsensitive) == 0)
                    v = it.value();
            const std::string text = utf8(fieldText(v, store::ColumnType::Text));
            for (const std::string &s : spellingsOf(name, tags))
                sender.set(s, text);
        }
        context.set("sender", sender);
    }

    // ---- the label grid: sheets of grid rows of labels
    if (layout.isLabels()) {
        const qreal u = Report::unitsPerMm();
        const int width = int(layout.labelSize().width() * u);
        const int height = int(layout.labelSize().height() * u);
        const int padding = qRound(layout.labelPadding() * u);
        context.set("labelWidth", utf8(QString::number(width)));
        context.set("labelHeight", utf8(QString::number(height)));
        context.set("labelPadding", utf8(QString::number(padding)));
        context.set("labelSpacer",
                    utf8(QStringLiteral("<img src=\"tessaly:label-spacer\" width=\"1\" "
                                        "height=\"%1\" style=\"float: right\">")
                             .arg(qMax(1, height - 2 * padding))));

        mu::data blankLabel;
        for (const Key &k : keys)
            for (const std::string &s : k.spellings)
                blankLabel.set(s, std::string());
        blankLabel.set("rowNo", std::string());
        blankLabel.set("blank", true);

        const int columns = layout.labelColumns();
        const int perPage = layout.labelsPerPage();
        mu::data pages{mu::data::type::list};
        mu::data allGridRows{mu::data::type::list};
        for (int start = 0, pageNo = 1; start < rowCount; start += perPage, ++pageNo) {
            mu::data gridRows{mu::data::type::list};
            const int end = qMin(start + perPage, rowCount);
            for (int first = start; first < end; first += columns) {
                mu::data labels{mu::data::type::list};
                for (int i = first; i < first + columns; ++i)
                    labels.push_back(i < end ? rowObjects[size_t(i)] : blankLabel);
                mu::data gridRow;
                gridRow.set("labels", labels);
                gridRows.push_back(gridRow);
                allGridRows.push_back(gridRow);
            }
            mu::data page;
            page.set("pageNo", utf8(QString::number(pageNo)));
            page.set("last", end >= rowCount);
            page.set("labelRows", gridRows);
            pages.push_back(page);
        }
        context.set("labelPages", pages);
        context.set("labelRows", allGridRows);
    }

    const std::string html = templ.render(context);
    if (!templ.is_valid())
        return Report::message(QStringLiteral("报表格式文件有误：") +
                                   QDir::toNativeSeparators(layoutPath) + QLatin1Char('\n') +
                                   QString::fromStdString(templ.error_message()),
                               layoutPath);
    return Report(layout, QString::fromStdString(html), layoutPath,
                  printDate.toString(QStringLiteral("yyyy-MM-dd")));
}

QStringList ReportEngine::unknownNames(const ReportLayout &layout, const QStringList &fieldNames)
{
    static const QSet<QString> provided = {QStringLiteral("title"),
                                           QStringLiteral("printDate"),
                                           QStringLiteral("rowCount"),
                                           QStringLiteral("rows"),
                                           QStringLiteral("rowNo"),
                                           QStringLiteral("blank"),
                                           QStringLiteral("sender"),
                                           QStringLiteral("labelPages"),
                                           QStringLiteral("labelRows"),
                                           QStringLiteral("labels"),
                                           QStringLiteral("pageNo"),
                                           QStringLiteral("last"),
                                           QStringLiteral("labelWidth"),
                                           QStringLiteral("labelHeight"),
                                           QStringLiteral("labelPadding"),
                                           QStringLiteral("labelSpacer"),
                                           QStringLiteral(".")};
    QSet<QString> fields, senders;
    for (const QString &f : fieldNames)
        fields.insert(f.toLower());
    for (const QString &s : senderColumns())
        senders.insert(s.toLower());

    QStringList unknown;
    for (const QStringList &path : layout.tagPaths()) {
        const QString &name = path.last();
        const QStringList parts = name.split(QLatin1Char('.'));
        bool known;
        if (parts.size() > 1)
            known = parts.size() == 2 && parts[0] == QLatin1String("sender") &&
                    senders.contains(parts[1].toLower());
        else
            known = provided.contains(name) || fields.contains(name.toLower()) ||
                    (path.contains(QStringLiteral("sender")) && senders.contains(name.toLower()));
        if (!known && !unknown.contains(name))
            unknown << name;
    }
    return unknown;
}
