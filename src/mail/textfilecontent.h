#pragma once

#include <QByteArray>
#include <QString>

// The text of a file whose encoding nobody said: the one its byte-order mark names, UTF-8 when
// every byte sequence is valid UTF-8, else GB18030 (the superset of GBK that Chinese Windows
// programs write).
struct TextFileContent {
    QString text;
    QString encoding; // "UTF-8", "UTF-16LE", "GB18030", ...
    bool complete = true; // false when some bytes were not valid in that encoding either

    static TextFileContent decode(const QByteArray &bytes);
    bool isUtf8() const { return encoding == QLatin1String("UTF-8"); }
};
