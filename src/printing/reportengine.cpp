#include "reportengine.h"

#include "dataset.h"
#include "reporttemplate.h"
#include "schema.h"
#include "session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace
{

QStringList senderColumns()
{
    const store::Table *t = store::Schema::find(QStringLiteral("tblUserInfo"));
    return t ? t->columnNames() : QStringList();
}

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
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
    if (!QFileInfo(path).isFile())
        return Report::message(QStringLiteral("报表格式文件不存在：") + shownPath(path), path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Report::message(QStringLiteral("报表格式文件无法读取：") + shownPath(path), path);
    return renderText(QString::fromUtf8(file.readAll()), dataset, path);
}

Report ReportEngine::renderText(const QString &layoutText, store::Dataset *dataset, const QString &layoutPath) const
{
    const QString fault = QStringLiteral("报表格式文件有误：") + shownPath(layoutPath) + QLatin1Char('\n');
    const ReportLayout layout = ReportLayout::parse(layoutText);
    if (!layout.problems().isEmpty())
        return Report::message(fault + layout.problems().join(QLatin1Char('\n')), layoutPath);
    for (const QString &t : layout.templates()) {
        const ReportTemplate compiled(t, true);
        if (!compiled.isValid())
            return Report::message(fault + compiled.error(), layoutPath);
    }
    const ReportSource source(dataset, m_sender);
    // Without a dataset (or with a closed one) there is nothing to print but the bands
    // around the rows, so there is nothing to check the fields against either.
    const QStringList unknown = source.dataset() ? unknownNames(layout, source.fieldNames()) : QStringList();
    if (!unknown.isEmpty())
        return Report::message(QStringLiteral("报表格式文件 %1 中有数据集 %2 没有的字段：%3")
                                   .arg(shownPath(layoutPath), dataset ? dataset->name() : QStringLiteral("（无）"),
                                        unknown.join(QStringLiteral("、"))),
                               layoutPath);
    const QDate printDate = m_printDate.isValid() ? m_printDate : QDate::currentDate();
    return Report(layout, source, layoutPath, printDate.toString(QStringLiteral("yyyy-MM-dd")));
}

QStringList ReportEngine::unknownNames(const ReportLayout &layout, const QStringList &fieldNames)
{
    static const QSet<QString> provided = {QStringLiteral("title"), QStringLiteral("printdate"),
                                           QStringLiteral("rowcount"), QStringLiteral("rowno"),
                                           QStringLiteral("sender"), QStringLiteral("."),
                                           QStringLiteral("group.value"), QStringLiteral("group.count")};
    QSet<QString> fields, senders;
    for (const QString &f : fieldNames)
        fields.insert(f.toLower());
    for (const QString &s : senderColumns())
        senders.insert(s.toLower());

    QStringList unknown;
    for (const QStringList &path : layout.tagPaths()) {
        const QString name = path.last();
        QString lower = name.toLower();
        bool known = provided.contains(lower) || fields.contains(lower);
        if (!known && lower.startsWith(QLatin1String("sender.")))
            known = senders.contains(lower.mid(7));
        if (!known && path.contains(QStringLiteral("sender"), Qt::CaseInsensitive))
            known = senders.contains(lower);
        if (!known && lower.startsWith(QLatin1String("group.")))
            lower = lower.mid(6);
        if (!known && lower.startsWith(QLatin1String("sum.")))
            known = fields.contains(lower.mid(4));
        if (!known && !unknown.contains(name))
            unknown << name;
    }
    if (!layout.groupField().isEmpty() && !fields.contains(layout.groupField().toLower()))
        unknown << layout.groupField();
    return unknown;
}
