#include "xlsxparts.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <expat.h>

namespace importing::xlsx
{

namespace
{

QByteArrayView localName(const char *name)
{
    const char *colon = std::strrchr(name, ':');
    return QByteArrayView(colon ? colon + 1 : name);
}

// Every handler is given the parser; the Xml object is its user data.
Xml *owner(void *parser)
{
    return static_cast<Xml *>(XML_GetUserData(static_cast<XML_Parser>(parser)));
}

void XMLCALL startElement(void *parser, const XML_Char *name, const XML_Char **attributes)
{
    if (Xml *xml = owner(parser); xml->onStart)
        xml->onStart(localName(name), attributes);
}

void XMLCALL endElement(void *parser, const XML_Char *name)
{
    if (Xml *xml = owner(parser); xml->onEnd)
        xml->onEnd(localName(name));
}

void XMLCALL characters(void *parser, const XML_Char *text, int length)
{
    if (Xml *xml = owner(parser); xml->onText)
        xml->onText(text, length);
}

// No part of a workbook declares a document type; one that does is not read further.
void XMLCALL refuseDoctype(void *parser, const XML_Char *, const XML_Char *, const XML_Char *, int)
{
    XML_StopParser(static_cast<XML_Parser>(parser), XML_FALSE);
}

int toInt(const char *text, int otherwise = -1)
{
    if (!text)
        return otherwise;
    bool ok = false;
    const int v = QByteArrayView(text).toInt(&ok);
    return ok ? v : otherwise;
}

} // namespace

Xml::Xml() : m_parser(XML_ParserCreate(nullptr))
{
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, startElement, endElement);
    XML_SetCharacterDataHandler(m_parser, characters);
    XML_SetStartDoctypeDeclHandler(m_parser, refuseDoctype);
    XML_UseParserAsHandlerArg(m_parser);
}

Xml::~Xml()
{
    XML_ParserFree(m_parser);
}

bool Xml::feed(const char *data, int length, bool last)
{
    return XML_Parse(m_parser, data, length, last ? XML_TRUE : XML_FALSE) == XML_STATUS_OK;
}

QString Xml::error() const
{
    const XML_Error e = XML_GetErrorCode(m_parser);
    if (e == XML_ERROR_ABORTED)
        return QStringLiteral("含有文档类型声明");
    return QStringLiteral("第 %1 行：%2")
        .arg(XML_GetCurrentLineNumber(m_parser))
        .arg(QString::fromUtf8(XML_ErrorString(e)));
}

const char *Xml::attribute(Attributes attributes, QByteArrayView name)
{
    for (int i = 0; attributes && attributes[i]; i += 2)
        if (localName(attributes[i]) == name)
            return attributes[i + 1];
    return nullptr;
}

NumberKind builtinFormatKind(int id)
{
    // The built-in formats, with those a Chinese Excel numbers 27 to 58.
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || id == 36 ||
        (id >= 50 && id <= 54) || id == 57 || id == 58)
        return NumberKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || (id >= 45 && id <= 47) || id == 55 ||
        id == 56)
        return NumberKind::Time;
    return NumberKind::Number;
}

NumberKind formatKind(const QString &formatCode)
{
    // Only the first section (positive numbers) matters, without its quoted texts, escaped
    // characters, colours, locales and conditions; elapsed times ([h]:mm) keep their letters.
    QString kept;
    bool quoted = false;
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode.at(i);
        if (quoted) {
            quoted = c != QLatin1Char('"');
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i; // the next character is shown or repeated as it is
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = formatCode.indexOf(QLatin1Char(']'), i);
            if (close < 0)
                break;
            const QString inside = formatCode.mid(i + 1, close - i - 1).toLower();
            const bool elapsed =
                !inside.isEmpty() && std::all_of(inside.cbegin(), inside.cend(), [](QChar x) {
                    return x == QLatin1Char('h') || x == QLatin1Char('m') || x == QLatin1Char('s');
                });
            if (elapsed)
                kept += inside;
            i = close;
        } else if (c == QLatin1Char(';')) {
            break;
        } else {
            kept += c.toLower();
        }
    }
    kept.remove(QLatin1String("am/pm")).remove(QLatin1String("a/p"));
    if (kept.contains(QLatin1Char('y')) || kept.contains(QLatin1Char('d')))
        return NumberKind::Date;
    if (kept.contains(QLatin1Char('h')) || kept.contains(QLatin1Char('s')))
        return NumberKind::Time;
    if (kept.contains(QLatin1Char('m')))
        return NumberKind::Date; // months alone
    return NumberKind::Number;
}

QVariant fromSerial(double serial, NumberKind kind, bool date1904)
{
    // 2958465 is 9999-12-31, the last day a workbook holds.
    if (kind == NumberKind::Number || !std::isfinite(serial) || serial < 0 || serial >= 2958466)
        return serial;
    double days = std::floor(serial);
    qint64 seconds = std::llround((serial - days) * 86400.0);
    if (seconds >= 86400) {
        days += 1;
        seconds = 0;
    }
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    if (kind == NumberKind::Time && days == 0)
        return time;
    QDate epoch;
    if (date1904)
        epoch = QDate(1904, 1, 1);
    else // the 1900 calendar counts a 29 February 1900 that never was
        epoch = serial < 61 ? QDate(1899, 12, 31) : QDate(1899, 12, 30);
    const QDate date = epoch.addDays(qint64(days));
    if (seconds == 0)
        return date;
    return QDateTime(date, time);
}

QString unescape(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('_') && i + 6 < text.size() &&
            text.at(i + 1) == QLatin1Char('x') && text.at(i + 6) == QLatin1Char('_')) {
            bool ok = false;
            const ushort code = QStringView(text).mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 6;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

void Styles::attach(Xml &xml)
{
    xml.onStart = [this](QByteArrayView name, Xml::Attributes a) {
        ++m_depth;
        if (name == "numFmt") {
            const char *code = Xml::attribute(a, "formatCode");
            m_custom.emplace_back(toInt(Xml::attribute(a, "numFmtId")),
                                  formatKind(QString::fromUtf8(code ? code : "")));
        } else if (name == "cellXfs") {
            m_cellXfsDepth = m_depth;
        } else if (name == "xf" && m_cellXfsDepth >= 0 && m_depth == m_cellXfsDepth + 1) {
            const int id = toInt(Xml::attribute(a, "numFmtId"), 0);
            NumberKind kind = builtinFormatKind(id);
            for (const auto &[customId, customKind] : m_custom)
                if (customId == id)
                    kind = customKind;
            m_xfs.push_back(kind);
        }
    };
    xml.onEnd = [this](QByteArrayView name) {
        if (name == "cellXfs")
            m_cellXfsDepth = -1;
        --m_depth;
    };
}

NumberKind Styles::kindOf(int style) const
{
    return style >= 0 && size_t(style) < m_xfs.size() ? m_xfs[size_t(style)] : NumberKind::Number;
}

void SharedStrings::attach(Xml &xml)
{
    xml.onStart = [this](QByteArrayView name, Xml::Attributes) {
        if (name == "si")
            m_item.clear();
        else if (name == "rPh")
            ++m_phoneticDepth; // reading aids of East Asian text, not part of it
        else if (name == "t" && m_phoneticDepth == 0)
            m_inText = true;
    };
    xml.onEnd = [this](QByteArrayView name) {
        if (name == "t") {
            m_inText = false;
        } else if (name == "rPh") {
            --m_phoneticDepth;
        } else if (name == "si") {
            if (m_text.size() + m_item.size() > MaxText) {
                m_tooLarge = true;
                return;
            }
            m_text += unescape(QString::fromUtf8(m_item));
            m_starts.push_back(m_text.size());
        }
    };
    xml.onText = [this](const char *text, int length) {
        if (m_inText)
            m_item.append(text, length);
    };
}

QString SharedStrings::at(qsizetype index) const
{
    const qsizetype from = m_starts[size_t(index)];
    return m_text.mid(from, m_starts[size_t(index) + 1] - from);
}

} // namespace importing::xlsx
