#pragma once

// The pieces of a workbook the sheet reader needs before it reads a row: an XML stream
// parser over expat, the cell formats (which show dates), and the shared strings.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

struct XML_ParserStruct;

namespace importing::xlsx
{

// A push parser: element names come without their namespace prefix. A document type
// declaration is refused, so no entity of the file is ever expanded.
class Xml
{
  public:
    using Attributes = const char **;
    std::function<void(QByteArrayView name, Attributes attributes)> onStart;
    std::function<void(QByteArrayView name)> onEnd;
    std::function<void(const char *text, int length)> onText;

    Xml();
    ~Xml();
    Xml(const Xml &) = delete;
    Xml &operator=(const Xml &) = delete;

    // False on malformed XML; error() then says why.
    bool feed(const char *data, int length, bool last);
    QString error() const;

    // The value of an attribute by its name without prefix, or null.
    static const char *attribute(Attributes attributes, QByteArrayView name);

  private:
    XML_ParserStruct *m_parser;
};

// How a number in a cell is shown, by its format.
enum class NumberKind : quint8 { Number, Date, Time };

NumberKind builtinFormatKind(int id);
NumberKind formatKind(const QString &formatCode);

// A number of days since the workbook's epoch as a date (QDate, or QDateTime with a time of
// day) or a time of day (QTime); a number out of the calendar's range stays a number.
QVariant fromSerial(double serial, NumberKind kind, bool date1904);

// Text with the _xHHHH_ escapes of the file format turned back into characters.
QString unescape(const QString &text);

// The cell formats of styles.xml: what each cell style index shows its number as.
class Styles
{
  public:
    // Fed with the parts of styles.xml through `xml`.
    void attach(Xml &xml);
    NumberKind kindOf(int style) const;

  private:
    std::vector<std::pair<int, NumberKind>> m_custom; // numFmtId -> kind
    std::vector<NumberKind> m_xfs;
    int m_depth = 0, m_cellXfsDepth = -1;
};

// The shared strings of a workbook, kept as one block of text.
class SharedStrings
{
  public:
    void attach(Xml &xml);
    qsizetype size() const { return qsizetype(m_starts.size()) - 1; }
    QString at(qsizetype index) const;
    bool tooLarge() const { return m_tooLarge; }

    // The most text kept; a larger table is refused as damaged.
    static constexpr qsizetype MaxText = qsizetype(1) << 28;

  private:
    QString m_text;
    std::vector<qsizetype> m_starts{0};
    QByteArray m_item;
    int m_phoneticDepth = 0;
    bool m_inText = false, m_tooLarge = false;
};

} // namespace importing::xlsx
