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
    const QStringList lines = body.split(QLatin1Char('\n'));

    static const QRegularExpression separator(QStringLiteral("^-{3,}$"));
    int sep = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (separator.match(lines[i].trimmed()).hasMatch()) {
            sep = i;
            break;
        }
    }
    if (sep < 0) {
        // No settings at all: the whole file is the template, on the default page.
        layout.m_problems << QStringLiteral("缺少分隔行“---”，整个文件按报表模板处理");
        layout.m_template = body;
        return layout;
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
    layout.m_template = lines.mid(sep + 1).join(QLatin1Char('\n'));

    if (layout.isLabels()) {
        if (layout.m_labelSize.isEmpty()) {
            // Without a size the labels share the page evenly.
            const QSizeF body = layout.bodySize();
            layout.m_labelSize =
                QSizeF(body.width() / layout.m_labelColumns, body.height() / layout.m_labelRows);
        }
        const QSizeF body = layout.bodySize();
        if (layout.m_labelSize.width() * layout.m_labelColumns > body.width() + 0.01 ||
            layout.m_labelSize.height() * layout.m_labelRows > body.height() + 0.01)
            layout.m_problems << QStringLiteral("标签网格超出了页边距以内的纸张范围");
        if (2 * layout.m_labelPadding >=
            qMin(layout.m_labelSize.width(), layout.m_labelSize.height()))
            layout.m_problems << QStringLiteral("标签内边距太大");
    }
    return layout;
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

QSizeF ReportLayout::bodySize() const
{
    QSizeF paper = m_pageSize.size(QPageSize::Millimeter);
    if (m_orientation == QPageLayout::Landscape)
        paper.transpose();
    return QSizeF(qMax(10.0, paper.width() - m_margins.left() - m_margins.right()),
                  qMax(10.0, paper.height() - m_margins.top() - m_margins.bottom()));
}

QList<QStringList> ReportLayout::tagPaths() const
{
    // The default delimiters only: a template that changes them is rendered all the same,
    // it just cannot be checked here beyond that point.
    static const QRegularExpression tag(
        QStringLiteral("\\{\\{(\\{?)\\s*([#^/&!>=]?)\\s*(.*?)\\s*\\}?\\}\\}"),
        QRegularExpression::DotMatchesEverythingOption);
    QList<QStringList> out;
    QStringList sections;
    auto it = tag.globalMatch(m_template);
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

QSet<QString> ReportLayout::tagNames() const
{
    QSet<QString> names;
    for (const QStringList &path : tagPaths())
        for (const QString &part : path.last().split(QLatin1Char('.')))
            names.insert(part);
    return names;
}
