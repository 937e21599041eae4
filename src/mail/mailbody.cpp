#include "mailbody.h"

#include <QStringDecoder>

namespace MailBody
{

Decoded decode(const QByteArray &bytes)
{
    if (bytes.size() > MaxBytes)
        return {{}, QStringLiteral("文件太大（超过 %1 MB），不能作为邮件内容。").arg(MaxBytes / (1024 * 1024))};
    if (bytes.contains('\0'))
        return {{}, QStringLiteral("文件不是文本文件，不能作为邮件内容。")};
    QByteArrayView raw(bytes);
    if (raw.startsWith("\xEF\xBB\xBF"))
        raw = raw.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (utf8.hasError()) {
        // Not UTF-8: the other encoding Chinese text files come in.
        QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
        const QString refusal = QStringLiteral("文件的编码无法识别（应为 UTF-8 或 GB18030），不能作为邮件内容。");
        if (!gb.isValid())
            return {{}, refusal};
        text = gb.decode(raw);
        if (gb.hasError())
            return {{}, refusal};
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return {text, {}};
}

} // namespace MailBody
