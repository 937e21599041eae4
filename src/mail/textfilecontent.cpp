#include "textfilecontent.h"

#include <QStringDecoder>

TextFileContent TextFileContent::decode(const QByteArray &bytes)
{
    if (const auto marked = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*marked); // drops the mark itself
        const QString text = decoder.decode(bytes);
        return {text, QString::fromLatin1(QStringConverter::nameForEncoding(*marked))};
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return {text, QStringLiteral("UTF-8")};
    QStringDecoder gb18030("GB18030");
    return {gb18030.decode(bytes), QStringLiteral("GB18030")};
}
