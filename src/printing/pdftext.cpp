#include "pdftext.h"

#include <QByteArrayView>
#include <QFile>
#include <QFontDatabase>
#include <QHash>
#include <QRawFont>

namespace PdfText
{

void Characters::add(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        m_bits[u >> 6] |= std::uint64_t(1) << (u & 63);
    }
}

QString Characters::all() const
{
    QString out;
    for (int word = 0; word < int(m_bits.size()); ++word)
        for (int bit = 0; m_bits[word] >> bit && bit < 64; ++bit)
            if ((m_bits[word] >> bit) & 1) {
                const char16_t u = char16_t(word * 64 + bit);
                if (!QChar::isSurrogate(u))
                    out.append(QChar(u));
            }
    return out;
}

namespace
{

// Which drawn character a glyph of the font stands for.
class Equivalents
{
  public:
    Equivalents(const Characters &drawn, const QFont &font) : m_drawn(drawn), m_font(font) {}

    // The drawn character that looks like `c`, or `c` itself when there is none.
    char16_t of(char16_t c)
    {
        if (m_drawn.contains(c))
            return c;
        if (!m_raw.isValid()) {
            // The font Chinese text is drawn in, which is a fallback when the family holds
            // no ideographs.
            m_raw = QRawFont::fromFont(m_font, QFontDatabase::SimplifiedChinese);
            const QString chars = m_drawn.all();
            const QList<quint32> glyphs = m_raw.glyphIndexesForString(chars);
            for (qsizetype i = 0; i < glyphs.size() && i < chars.size(); ++i)
                if (glyphs[i] != 0 && !m_byGlyph.contains(glyphs[i]))
                    m_byGlyph.insert(glyphs[i], chars[i].unicode());
        }
        const QList<quint32> glyph = m_raw.glyphIndexesForString(QString(QChar(c)));
        return glyph.size() == 1 && glyph[0] != 0 ? m_byGlyph.value(glyph[0], c) : c;
    }

  private:
    const Characters &m_drawn;
    QFont m_font;
    QRawFont m_raw;
    QHash<quint32, char16_t> m_byGlyph;
};

// Reads the codes of one character map in place. A map is text such as
//   2 beginbfrange
//   <0001> <0003> [<4EBA> <2F24> <0031> ]
//   <0004> <0004> <2EDA>
//   endbfrange
// or "beginbfchar" with pairs of codes.
class MapReader
{
  public:
    MapReader(char *at, char *end) : m_at(at), m_end(end) {}

    // The next "<hex>" before `stop`, or null; `bracket` tells whether a "[" came first.
    char *code(QByteArrayView stop, int *digits, bool *bracket = nullptr)
    {
        if (bracket)
            *bracket = false;
        while (m_at < m_end) {
            const char c = *m_at;
            if (c == '<') {
                char *start = ++m_at;
                while (m_at < m_end && *m_at != '>')
                    ++m_at;
                *digits = int(m_at - start);
                ++m_at;
                return start;
            }
            if (c == '[' && bracket)
                *bracket = true;
            if (QByteArrayView(m_at, m_end - m_at).startsWith(stop))
                return nullptr;
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '[')
                return nullptr;
            ++m_at;
        }
        return nullptr;
    }
    // Skips to after the closing "]" of an array of codes.
    bool arrayCode(char **code, int *digits)
    {
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r'))
            ++m_at;
        if (m_at < m_end && *m_at == ']') {
            ++m_at;
            return false;
        }
        *code = this->code("]", digits);
        return *code != nullptr;
    }

  private:
    char *m_at, *m_end;
};

bool readHex(const char *text, int digits, uint *value)
{
    bool ok = false;
    *value = QByteArrayView(text, digits).toUInt(&ok, 16);
    return ok;
}

// Replaces a four-digit character code by the drawn character that shares its glyph.
void mendCode(char *code, int digits, Equivalents &equivalents)
{
    uint value = 0;
    if (digits != 4 || !readHex(code, digits, &value))
        return;
    const char16_t to = equivalents.of(char16_t(value));
    if (to == value)
        return;
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < 4; ++i)
        code[i] = hex[(to >> (12 - 4 * i)) & 15];
}

void mendRanges(char *from, char *end, Equivalents &equivalents)
{
    MapReader r(from, end);
    int digits = 0;
    for (;;) {
        char *low = r.code("endbfrange", &digits);
        uint lowValue = 0, highValue = 0;
        if (!low || !readHex(low, digits, &lowValue))
            return;
        char *high = r.code("endbfrange", &digits);
        if (!high || !readHex(high, digits, &highValue))
            return;
        bool array = false;
        char *target = r.code("endbfrange", &digits, &array);
        if (!target)
            return;
        if (array) {
            do
                mendCode(target, digits, equivalents);
            while (r.arrayCode(&target, &digits));
        } else if (lowValue == highValue) {
            // A run of several codes maps to consecutive characters: left as it is.
            mendCode(target, digits, equivalents);
        }
    }
}

void mendPairs(char *from, char *end, Equivalents &equivalents)
{
    MapReader r(from, end);
    int digits = 0;
    while (r.code("endbfchar", &digits)) {
        char *target = r.code("endbfchar", &digits);
        if (!target)
            return;
        mendCode(target, digits, equivalents);
    }
}

} // namespace

bool mendCharacterMaps(const QString &path, const Characters &drawn, const QFont &font,
                       QString *error)
{
    QFile file(path);
    const auto fail = [&] {
        if (error)
            *error = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::ReadWrite))
        return fail();
    if (file.size() == 0)
        return true;
    uchar *mapped = file.map(0, file.size());
    if (!mapped)
        return fail();
    char *const data = reinterpret_cast<char *>(mapped);
    const QByteArrayView all(data, file.size());
    Equivalents equivalents(drawn, font);
    for (qsizetype at = all.indexOf("begincmap"); at >= 0; at = all.indexOf("begincmap", at + 1)) {
        const qsizetype end = all.indexOf("endcmap", at);
        if (end < 0)
            break;
        for (const auto &[begin, stop, pairs] : {std::tuple{"beginbfrange", "endbfrange", false},
                                                 std::tuple{"beginbfchar", "endbfchar", true}}) {
            for (qsizetype block = all.indexOf(begin, at); block >= 0 && block < end;
                 block = all.indexOf(begin, block + 1)) {
                const qsizetype blockEnd = all.indexOf(stop, block);
                if (blockEnd < 0 || blockEnd > end)
                    break;
                char *first = data + block + qstrlen(begin);
                if (pairs)
                    mendPairs(first, data + blockEnd + qstrlen(stop), equivalents);
                else
                    mendRanges(first, data + blockEnd + qstrlen(stop), equivalents);
            }
        }
        at = end;
    }
    file.unmap(mapped);
    if (!file.flush())
        return fail();
    return true;
}

} // namespace PdfText
