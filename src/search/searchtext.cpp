#include "searchtext.h"

#include <QHash>

#include <memory>
#include <mutex>
#include <unicode/coll.h>
#include <unicode/translit.h>
#include <unicode/uscript.h>

namespace search
{
namespace
{

icu::UnicodeString toIcu(QStringView text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

bool isHan(char32_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(UChar32(c), &status) == USCRIPT_HAN && U_SUCCESS(status);
}

// One reading per character, without tones, kept once looked up: a name repeats few
// characters, and the transliterator is slow to make and not to be shared between threads.
class Readings
{
  public:
    QString of(char32_t c)
    {
        if (const auto it = m_known.constFind(c); it != m_known.cend())
            return *it;
        if (!m_latin) {
            UErrorCode status = U_ZERO_ERROR;
            m_latin.reset(icu::Transliterator::createInstance("Han-Latin; Latin-ASCII; Lower",
                                                              UTRANS_FORWARD, status));
            if (U_FAILURE(status))
                m_latin.reset();
        }
        QString reading;
        if (m_latin) {
            icu::UnicodeString text{UChar32(c)};
            m_latin->transliterate(text);
            reading = fromIcu(text).trimmed();
            reading.removeIf([](QChar ch) { return !ch.isLetter(); });
        }
        if (reading.isEmpty()) // no reading known: the character stands for itself
            reading = QString::fromUcs4(&c, 1);
        m_known.insert(c, reading);
        return reading;
    }

  private:
    std::unique_ptr<icu::Transliterator> m_latin;
    QHash<char32_t, QString> m_known;
};

} // namespace

QString fold(QStringView text)
{
    return text.toString().normalized(QString::NormalizationForm_KC).toCaseFolded();
}

Pinyin pinyinOf(QStringView text)
{
    thread_local Readings readings;
    Pinyin out;
    QString other; // a run of characters that are not Chinese, folded together
    const auto flush = [&] {
        if (other.isEmpty())
            return;
        const QString folded = fold(other);
        out.full += folded;
        out.initials += folded;
        other.clear();
    };
    for (const char32_t c : text.toUcs4()) {
        if (!isHan(c)) {
            if (!QChar::isSpace(c))
                other += QString::fromUcs4(&c, 1);
            continue;
        }
        flush();
        const QString reading = readings.of(c);
        out.full += reading;
        out.initials += reading.left(1);
    }
    flush();
    return out;
}

QString searchKey(QStringView text)
{
    QString key = fold(text);
    for (const char32_t c : text.toUcs4())
        if (isHan(c)) {
            const Pinyin p = pinyinOf(text);
            key += QLatin1Char(' ') + p.full + QLatin1Char(' ') + p.initials;
            break;
        }
    return key;
}

int compareChinese(QStringView a, QStringView b)
{
    // A collator compares from several threads once made; making it is guarded.
    static std::once_flag made;
    static std::unique_ptr<icu::Collator> collator;
    std::call_once(made, [] {
        UErrorCode status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale("zh"), status));
        if (U_FAILURE(status))
            collator.reset();
    });
    if (!collator)
        return a.compare(b);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = collator->compare(toIcu(a), toIcu(b), status);
    return U_FAILURE(status) ? a.compare(b) : int(r);
}

} // namespace search
