#include "reportlayout.h"

#include <QRegularExpression>

namespace
{

struct NamedSize {
    const char *name;
    QPageSize::PageSizeId id;
};

// The paper and envelope names a layout may use; anything else is given in millimetres.
const NamedSize namedSizes[] = {
    {"A3", QPageSize::A3},         {"A4", QPageSize::A4},         {"A5", QPageSize::A5},
    {"A6", QPageSize::A6},         {"B4", QPageSize::B4},         {"B5", QPageSize::B5},
    {"Letter", QPageSize::Letter}, {"Legal", QPageSize::Legal},   {"DL", QPageSize::DLE},
    {"C5", QPageSize::C5E},        {"C6", QPageSize::EnvelopeC6}, {"C4", QPageSize::EnvelopeC4},
};

// Numbers separated by blanks or an "x" ("220 x 110", "220x110").
QList<qreal> numbers(const QString &value, bool *ok)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,xX×*]+"));
    QList<qreal> out;
    *ok = true;
    for (const QString &part : value.split(separators, Qt::SkipEmptyParts)) {
        bool good = false;
        const qreal v = part.toDouble(&good);
        if (!good || v < 0) {
            *ok = false;
            return {};
        }
        out << v;
    }
    return out;
}

} // namespace

ReportLayout ReportLayout::parse(const QString &text)
{
    ReportLayout layout;
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = body.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line break that ends the file

    static const QRegularExpression separator(QStringLiteral("^-{3,}$"));
    int sep = -1;
    for (int i = 0; i < lines.size() && sep < 0; ++i)
        if (separator.match(lines[i].trimmed()).hasMatch())
            sep = i;
    if (sep < 0) {
        layout.m_problems << QStringLiteral("缺少分隔行“---”（页面设置与报表内容之间）");
        sep = -1;
    }

    for (int i = 0; i < sep; ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        int colon = line.indexOf(QLatin1Char(':'));
        const int wide = line.indexOf(QChar(0xFF1A)); // a full-width colon typed by a Chinese IME
        if (colon < 0 || (wide >= 0 && wide < colon))
            colon = wide;
        if (colon <= 0) {
            layout.m_problems << QStringLiteral("第 %1 行无法识别：%2").arg(i + 1).arg(line);
            continue;
        }
        layout.setting(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed(), i + 1);
    }

    // The bands: a line "[name]" starts one; HTML bands keep their lines as they are.
    static const QRegularExpression header(QStringLiteral("^\\[([A-Za-z-]+)\\]$"));
    QString section;
    bool strayText = false, rowBand = false;
    for (int i = sep + 1; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed();
        const auto m = header.match(trimmed);
        if (m.hasMatch()) {
            section = m.captured(1).toLower();
            rowBand = rowBand || section == QLatin1String("columns") || section == QLatin1String("record") ||
                      section == QLatin1String("label");
            if (!sectionNames().contains(section)) {
                layout.m_problems << QStringLiteral("第 %1 行的段落未知：[%2]").arg(i + 1).arg(m.captured(1));
                section = QStringLiteral("?");
            }
            continue;
        }
        if (section.isEmpty()) {
            strayText = strayText || !trimmed.isEmpty();
            continue;
        }
        layout.sectionLine(section, lines[i], i + 1);
    }
    if (strayText)
        layout.m_problems << QStringLiteral("“---”之后、第一个段落（如 [columns]）之前有内容：这是旧格式的报表格式文件，"
                                            "请按本文件开头的说明改为分段的格式");
    if (!rowBand && !layout.isLabels() && !strayText)
        layout.m_problems << QStringLiteral("没有打印每条记录的段落：[columns]、[record] 或（标签）[label]");
    if (layout.isLabels() && !rowBand)
        layout.m_problems << QStringLiteral("标签格式没有 [label] 段落");

    if (layout.isLabels()) {
        const QSizeF page = layout.bodySize();
        if (layout.m_labelSize.isEmpty()) // without a size the labels share the page evenly
            layout.m_labelSize = QSizeF(page.width() / layout.m_labelColumns, page.height() / layout.m_labelRows);
        if (layout.m_labelSize.width() * layout.m_labelColumns > page.width() + 0.01 ||
            layout.m_labelSize.height() * layout.m_labelRows > page.height() + 0.01)
            layout.m_problems << QStringLiteral("标签网格超出了页边距以内的纸张范围");
        if (2 * layout.m_labelPadding >= qMin(layout.m_labelSize.width(), layout.m_labelSize.height()))
            layout.m_problems << QStringLiteral("标签内边距太大");
    }
    qreal fixed = 0, percent = 0;
    for (const Column &c : layout.m_columns) {
        fixed += c.millimetres;
        percent += c.percent;
    }
    if (percent > 100.01 || fixed > layout.bodySize().width() + 0.01)
        layout.m_problems << QStringLiteral("[columns] 的列宽合计超出了纸张宽度");
    return layout;
}

QStringList ReportLayout::sectionNames()
{
    return {QStringLiteral("report-header"), QStringLiteral("page-header"), QStringLiteral("columns"),
            QStringLiteral("record"),        QStringLiteral("label"),       QStringLiteral("group-header"),
            QStringLiteral("group-footer"),  QStringLiteral("summary"),     QStringLiteral("page-footer"),
            QStringLiteral("empty")};
}

void ReportLayout::sectionLine(const QString &section, const QString &line, int number)
{
    static const QHash<QString, Band> html{{QStringLiteral("report-header"), Band::ReportHeader},
                                           {QStringLiteral("page-header"), Band::PageHeader},
                                           {QStringLiteral("record"), Band::Record},
                                           {QStringLiteral("group-header"), Band::GroupHeader},
                                           {QStringLiteral("group-footer"), Band::GroupFooter},
                                           {QStringLiteral("summary"), Band::Summary},
                                           {QStringLiteral("page-footer"), Band::PageFooter},
                                           {QStringLiteral("empty"), Band::Empty}};
    if (const auto it = html.constFind(section); it != html.constEnd()) {
        QString &text = m_bands[int(it.value())];
        text += line + QLatin1Char('\n');
        return;
    }
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')) || section == QLatin1String("?"))
        return;
    const auto bad = [&](const QString &why) {
        m_problems << QStringLiteral("第 %1 行（[%2]）%3：%4").arg(number).arg(section, why, trimmed);
    };
    if (section == QLatin1String("columns")) {
        const QStringList parts = trimmed.split(QLatin1Char('|'));
        if (parts.size() < 4)
            return bad(QStringLiteral("应为“标题 | 宽度 | 对齐 | 内容”"));
        Column c;
        c.caption = parts[0].trimmed();
        const QString width = parts[1].trimmed();
        if (!width.isEmpty()) {
            bool ok = false;
            if (width.endsWith(QLatin1Char('%')))
                c.percent = width.chopped(1).trimmed().toDouble(&ok);
            else
                c.millimetres = width.toDouble(&ok);
            if (!ok || c.percent < 0 || c.millimetres < 0)
                return bad(QStringLiteral("的列宽无效"));
        }
        if (!alignment(parts[2].trimmed(), &c.align))
            return bad(QStringLiteral("的对齐方式无效（left、center、right）"));
        c.text = parts.mid(3).join(QLatin1Char('|')).trimmed();
        m_columns << c;
    } else if (section == QLatin1String("label")) {
        LabelLine l;
        QString options;
        const int bar = trimmed.lastIndexOf(QLatin1Char('|'));
        l.text = (bar < 0 ? trimmed : trimmed.left(bar)).trimmed();
        if (bar >= 0)
            options = trimmed.mid(bar + 1);
        for (const QString &o : options.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString key = o.section(QLatin1Char('='), 0, 0).toLower();
            const QString value = o.section(QLatin1Char('='), 1);
            bool ok = true;
            if (key == QLatin1String("bold") && value.isEmpty())
                l.bold = true;
            else if (key == QLatin1String("size"))
                l.size = value.toDouble(&ok);
            else if (key == QLatin1String("indent"))
                l.indent = value.toDouble(&ok);
            else if (key == QLatin1String("top"))
                l.top = value.toDouble(&ok);
            else if (key == QLatin1String("align"))
                ok = alignment(value, &l.align) && l.align;
            else
                ok = false;
            if (!ok)
                return bad(QStringLiteral("的选项无效“%1”").arg(o));
        }
        m_labelLines << l;
    }
}

bool ReportLayout::alignment(const QString &text, Qt::Alignment *align)
{
    if (text.isEmpty())
        *align = {};
    else if (text.compare(QLatin1String("left"), Qt::CaseInsensitive) == 0)
        *align = Qt::AlignLeft;
    else if (text.compare(QLatin1String("center"), Qt::CaseInsensitive) == 0)
        *align = Qt::AlignHCenter;
    else if (text.compare(QLatin1String("right"), Qt::CaseInsensitive) == 0)
        *align = Qt::AlignRight;
    else
        return false;
    return true;
}

QList<qreal> ReportLayout::columnWidths(qreal bodyWidth) const
{
    qreal given = 0;
    int even = 0;
    for (const Column &c : m_columns) {
        given += c.millimetres + c.percent * bodyWidth / 100;
        if (c.millimetres == 0 && c.percent == 0)
            ++even;
    }
    const qreal share = even ? qMax(0.0, bodyWidth - given) / even : 0;
    QList<qreal> out;
    for (const Column &c : m_columns)
        out << (c.millimetres > 0 ? c.millimetres : c.percent > 0 ? c.percent * bodyWidth / 100 : share);
    return out;
}

void ReportLayout::setting(const QString &key, const QString &value, int line)
{
    const auto bad = [&] {
        m_problems << QStringLiteral("第 %1 行的设置值无效：%2: %3").arg(line).arg(key, value);
    };
    bool ok = false;
    if (key == QLatin1String("title")) {
        m_title = value;
    } else if (key == QLatin1String("page")) {
        for (const NamedSize &s : namedSizes) {
            if (value.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0) {
                m_pageSize = QPageSize(s.id);
                return;
            }
        }
        const QList<qreal> v = numbers(value, &ok);
        if (!ok || v.size() != 2 || v[0] <= 0 || v[1] <= 0)
            return bad();
        m_pageSize =
            QPageSize(QSizeF(v[0], v[1]), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    } else if (key == QLatin1String("orientation")) {
        if (value.compare(QLatin1String("portrait"), Qt::CaseInsensitive) == 0)
            m_orientation = QPageLayout::Portrait;
        else if (value.compare(QLatin1String("landscape"), Qt::CaseInsensitive) == 0)
            m_orientation = QPageLayout::Landscape;
        else
            bad();
    } else if (key == QLatin1String("margins")) {
        const QList<qreal> v = numbers(value, &ok);
        if (ok && v.size() == 1)
            m_margins = QMarginsF(v[0], v[0], v[0], v[0]);
        else if (ok && v.size() == 4)
            m_margins = QMarginsF(v[0], v[1], v[2], v[3]);
        else
            bad();
    } else if (key == QLatin1String("font-size")) {
        const QList<qreal> v = numbers(value, &ok);
        if (!ok || v.size() != 1 || v[0] < 4 || v[0] > 72)
            return bad();
        m_fontSize = v[0];
    } else if (key == QLatin1String("labels")) {
        const QList<qreal> v = numbers(value, &ok);
        if (!ok || v.size() != 2 || v[0] < 1 || v[1] < 1 || v[0] != int(v[0]) || v[1] != int(v[1]))
            return bad();
        m_labelColumns = int(v[0]);
        m_labelRows = int(v[1]);
    } else if (key == QLatin1String("label-size")) {
        const QList<qreal> v = numbers(value, &ok);
        if (!ok || v.size() != 2 || v[0] <= 0 || v[1] <= 0)
            return bad();
        m_labelSize = QSizeF(v[0], v[1]);
    } else if (key == QLatin1String("label-padding")) {
        const QList<qreal> v = numbers(value, &ok);
        if (!ok || v.size() != 1)
            return bad();
        m_labelPadding = v[0];
    } else if (key == QLatin1String("cell-padding")) {
        const QList<qreal> v = numbers(value, &ok);
        if (!ok || v.size() != 1 || v[0] > 20)
            return bad();
        m_cellPadding = v[0];
    } else if (key == QLatin1String("group")) {
        m_groupField = value;
    } else if (key == QLatin1String("page-header")) {
        static const QStringList yes{QStringLiteral("yes"), QStringLiteral("on"),
                                     QStringLiteral("true"), QStringLiteral("是")};
        static const QStringList no{QStringLiteral("no"), QStringLiteral("off"),
                                    QStringLiteral("false"), QStringLiteral("否")};
        if (yes.contains(value, Qt::CaseInsensitive))
            m_pageHeader = true;
        else if (no.contains(value, Qt::CaseInsensitive))
            m_pageHeader = false;
        else
            bad();
    } else {
        m_problems << QStringLiteral("第 %1 行的设置项未知：%2").arg(line).arg(key);
    }
}

QPageLayout ReportLayout::pageLayout() const
{
    return QPageLayout(m_pageSize, m_orientation, m_margins, QPageLayout::Millimeter);
}

QSizeF ReportLayout::paperSize() const
{
    QSizeF paper = m_pageSize.size(QPageSize::Millimeter);
    if (m_orientation == QPageLayout::Landscape)
        paper.transpose();
    return paper;
}

QSizeF ReportLayout::bodySize() const
{
    const QSizeF paper = paperSize();
    return QSizeF(qMax(10.0, paper.width() - m_margins.left() - m_margins.right()),
                  qMax(10.0, paper.height() - m_margins.top() - m_margins.bottom()));
}

QStringList ReportLayout::templates() const
{
    QStringList out;
    for (const Band b : {Band::ReportHeader, Band::PageHeader, Band::GroupHeader, Band::Record, Band::GroupFooter,
                         Band::Summary, Band::PageFooter, Band::Empty})
        if (m_bands.contains(int(b)))
            out << m_bands.value(int(b));
    for (const Column &c : m_columns)
        out << c.text;
    for (const LabelLine &l : m_labelLines)
        out << l.text;
    return out;
}

QList<QStringList> ReportLayout::tagPaths() const
{
    QList<QStringList> out;
    for (const QString &t : templates())
        out += tagPaths(t);
    return out;
}

QList<QStringList> ReportLayout::tagPaths(const QString &templateText)
{
    // The default delimiters only: a template that changes them is rendered all the same,
    // it just cannot be checked here beyond that point.
    static const QRegularExpression tag(QStringLiteral("\\{\\{(\\{?)\\s*([#^/&!>=]?)\\s*(.*?)\\s*\\}?\\}\\}"),
                                        QRegularExpression::DotMatchesEverythingOption);
    QList<QStringList> out;
    QStringList sections;
    auto it = tag.globalMatch(templateText);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString kind = m.captured(2);
        const QString name = m.captured(3).trimmed();
        if (kind == QLatin1String("!") || kind == QLatin1String(">"))
            continue;
        if (kind == QLatin1String("="))
            break;
        if (kind == QLatin1String("/")) {
            if (!sections.isEmpty())
                sections.removeLast();
            continue;
        }
        QStringList path = sections;
        path << name;
        out << path;
        if (kind == QLatin1String("#") || kind == QLatin1String("^"))
            sections << name;
    }
    return out;
}
