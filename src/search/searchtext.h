#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// What a search compares: texts folded so that letter case and full-width versus half-width
// forms do not matter, and Chinese names also by their pinyin, whole ("wangfang") and by
// initials ("wf"). The readings come from ICU's Han-to-Latin transliteration.
namespace search
{

// The text in case-folded NFKC: "ＡＢｃ１" and "abc1" fold alike.
QString fold(QStringView text);

struct Pinyin {
    QString full;     // "wangfang" for 王芳; other characters folded as they stand
    QString initials; // "wf"
};

// The pinyin of each Chinese character of `text`, without tones or spaces; any other
// character stands in both forms folded, so "王芳A1" gives "wangfanga1" and "wfa1".
Pinyin pinyinOf(QStringView text);

// The text a search column holds for `text`: its folded form, and for text with Chinese
// characters its full pinyin and initials, separated by blanks. A folded query that is
// contained in it finds the row by any of the three.
QString searchKey(QStringView text);

// Chinese order: by pinyin, as spreadsheets sort ("二级" < "三级" < "一级"); other texts in
// the locale's order. Thread-safe.
int compareChinese(QStringView a, QStringView b);

} // namespace search
