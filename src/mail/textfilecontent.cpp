#include "textfilecontent.h"

#include <QStringDecoder>

TextFileContent TextFileContent::decode(const QByteArray &bytes)
{
    if (const auto marked = QStringConverter::encodingForData(bytes)) {
        // Stateless: bytes cut off at the end are an error, never silently dropped.
        QStringDecoder decoder(*marked, QStringDecoder::Flag::Stateless); // drops the mark itself
        const QString text = decoder.decode(bytes);
        // A trailing part of a character (an odd byte of UTF-16) is dropped by the decoder
        // without an error: the text written back must be the whole file.
        QStringEncoder encoder(*marked, QStringEncoder::Flag::WriteBom);
        const bool whole = QByteArray(encoder.encode(text)).size() == bytes.size();
        return {text, QString::fromLatin1(QStringConverter::nameForEncoding(*marked)),
                !decoder.hasError() && whole};
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return {text, QStringLiteral("UTF-8")};
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    const QString gbText = gb18030.decode(bytes);
    return {gbText, QStringLiteral("GB18030"), gb18030.isValid() && !gb18030.hasError()};
}
