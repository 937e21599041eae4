#include "inifile.h"

#include "storeerror.h"

#include <QFile>
#include <QSaveFile>

IniFile::IniFile(const QString &path) : m_path(path)
{
    m_sections.push_back({}); // lines before the first section
    QFile f(path);
    if (!f.exists())
        return;
    // A file that is there but cannot be read must not be replaced by our keys alone.
    if (!f.open(QIODevice::ReadOnly))
        throw store::StoreError(QStringLiteral("无法读取文件 %1：%2").arg(path, f.errorString()));
    parse(f.readAll());
}

void IniFile::parse(const QByteArray &content)
{
    QByteArray text = content;
    if (text.startsWith("\xEF\xBB\xBF")) {
        m_bom = text.left(3);
        text.remove(0, 3);
    }
    if (text.contains('\n') && !text.contains("\r\n"))
        m_eol = "\n"; // keep the file's own line ends
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast(); // the break after the last line
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray t = line.trimmed();
        if (t.startsWith('[') && t.contains(']')) {
            Section s;
            s.header = line;
            s.name = t.mid(1, t.indexOf(']') - 1).trimmed().toLower();
            m_sections.push_back(std::move(s));
            continue;
        }
        Section &s = m_sections.back();
        const QByteArray key = keyOf(line);
        if (!key.isEmpty() && !s.keys.contains(key))
            s.keys.insert(key, int(s.lines.size()));
        s.lines.append(line);
    }
}

QByteArray IniFile::keyOf(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('#'))
        return {};
    const qsizetype eq = t.indexOf('=');
    return eq <= 0 ? QByteArray() : t.left(eq).trimmed().toLower();
}

IniFile::Section &IniFile::section(const QString &name)
{
    const QByteArray wanted = name.trimmed().toUtf8().toLower();
    for (size_t i = 1; i < m_sections.size(); ++i)
        if (m_sections[i].name == wanted)
            return m_sections[i];
    Section s;
    s.header = '[' + name.toUtf8() + ']';
    s.name = wanted;
    m_sections.push_back(std::move(s));
    return m_sections.back();
}

void IniFile::setValue(const QString &sectionName, const QString &key, const QString &value)
{
    Section &s = section(sectionName);
    // A line break inside a value would start a line of its own.
    QString flat = value;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QByteArray line = key.toUtf8();
    line += '=';
    line += flat.toUtf8();
    const QByteArray lookup = key.trimmed().toUtf8().toLower();
    if (const auto it = s.keys.constFind(lookup); it != s.keys.constEnd()) {
        s.lines[it.value()] = line;
        return;
    }
    // New keys go after the section's last line with text, before the blank lines that part
    // it from the next section.
    qsizetype at = s.lines.size();
    while (at > 0 && s.lines[at - 1].trimmed().isEmpty())
        --at;
    s.keys.insert(lookup, int(at));
    s.lines.insert(at, line);
}

void IniFile::save() const
{
    QSaveFile f(m_path);
    bool ok = f.open(QIODevice::WriteOnly);
    if (ok && !m_bom.isEmpty())
        ok = f.write(m_bom) >= 0;
    for (size_t i = 0; ok && i < m_sections.size(); ++i) {
        const Section &s = m_sections[i];
        if (i > 0)
            ok = f.write(s.header + m_eol) >= 0;
        for (const QByteArray &line : s.lines) {
            if (!ok)
                break;
            ok = f.write(line) >= 0 && f.write(m_eol) >= 0;
        }
    }
    if (!ok || !f.commit())
        throw store::StoreError(QStringLiteral("无法写入文件 %1：%2").arg(m_path, f.errorString()));
}
