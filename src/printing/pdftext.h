#pragma once

#include <QFont>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

// What a PDF reader extracts from a report file must be the text that was drawn.
//
// Qt's PDF writer tells readers which character a glyph stands for (the font's ToUnicode
// map) by the lowest code point the font maps to that glyph. CJK fonts give a Kangxi or
// supplement radical (⼈ U+2F08, ⻚ U+2EDA) the very glyph of its ideograph (人, 页), and a
// tab the glyph of a blank, so readers found "第 1 ⻚" where "第 1 页" was printed and a
// search for 页 failed. A report notes every character it draws; once the file is written,
// each map entry naming a character that was not drawn is set to the drawn character that
// shares its glyph.
namespace PdfText
{

// The characters of the Basic Multilingual Plane a report has drawn (the writer's maps hold
// no others).
class Characters
{
  public:
    void add(QStringView text);
    bool contains(char16_t c) const { return (m_bits[c >> 6] >> (c & 63)) & 1; }
    QString all() const;

  private:
    std::vector<std::uint64_t> m_bits = std::vector<std::uint64_t>(1024);
};

// Mends the character maps of the PDF file at `path` in place: the maps are text of
// fixed-width codes, so no other byte of the file moves. `font` is the font the text was
// drawn in, whose glyphs tell which characters look alike. False, with the reason, when the
// file cannot be read or written.
bool mendCharacterMaps(const QString &path, const Characters &drawn, const QFont &font,
                       QString *error = nullptr);

} // namespace PdfText
