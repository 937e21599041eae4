#pragma once

// Awkward values users type, shared by the reliability tests: quotes, statement text, LIKE
// wildcards, backslashes, control characters, other scripts (right-to-left among them),
// emoji outside the basic plane, placeholder look-alikes and blanks at both ends.
#include <QList>
#include <QString>

namespace awkward
{

struct Case {
    const char *name;
    QString text; // names, titles, memos, addresses
    QString code; // agent and record codes (at most 30 characters)
};

inline QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

inline QList<Case> cases()
{
    return {
        {"quotes", u("O'Brien said \"hi\" '' \"\""), u("O'B\"1")},
        {"statement", u("x'); DELETE FROM tblCustomers; --"), u("x');DELETE FROM tblCustomers--")},
        {"percent", u("100% 完成"), u("100%")},
        {"underscore", u("a_b_c"), u("a_b")},
        {"backslash", u("C:\\new\\table\\"), u("\\x\\")},
        {"controls", u("tab\there\nnewline\r\nCRLF\x01soh\x1f"), u("t\tc\x01")},
        {"emoji", u("😀 商务 🚀👍🏽"), u("😀🚀")},
        {"arabic", u("شركة الوكلاء التجارية"), u("وكيل")},
        {"hebrew", u("סוכן מסחרי בע\"מ"), u("סוכן")},
        {"cyrillic", u("Торговый агент Ёё"), u("Агент")},
        {"greek", u("Εμπορικός αντιπρόσωπος"), u("Πράκτορας")},
        {"placeholders", u(":v0 :c1 ? $1 @p"), u(":v0?$1")},
        {"spaces", u("  leading and trailing  "), u(" sp ")},
        {"mixed", u("Ab中文Ελλάδα Москва عربي 😀"), u("mix中Ελ")},
    };
}

// The first n characters (code points, so an emoji is never split).
inline QString firstChars(const QString &s, int n)
{
    const QList<uint> cps = s.toUcs4();
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(cps.constData()),
                             qMin(n, int(cps.size())));
}

inline int charCount(const QString &s)
{
    return int(s.toUcs4().size());
}

// A text of exactly n characters drawn in turn from every awkward kind: quotes, wildcards, a
// backslash, tab, CR, LF and another C0 control, right-to-left letters, CJK and emoji.
inline QString filled(int n, int shift = 0)
{
    const QList<uint> pool = u("O'B\"%_\\\t\r\n\x01ش\u05d0中😀Ё").toUcs4();
    QList<uint> out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out << pool[(i + shift) % pool.size()];
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(out.constData()), out.size());
}

} // namespace awkward
