#include "mailbody.h"

#include "textfilecontent.h"

namespace MailBody
{

Decoded decode(const QByteArray &bytes)
{
    if (bytes.size() > MaxBytes)
        return {{}, {}, QStringLiteral("文件太大（超过 %1 MB），不能作为邮件内容。").arg(MaxBytes / (1024 * 1024))};
    const TextFileContent content = TextFileContent::decode(bytes);
    if (!content.complete)
        return {{}, {}, QStringLiteral("文件的编码无法识别（应为 UTF-8 或 GB18030），不能作为邮件内容。")};
    if (content.text.contains(QChar(0)))
        return {{}, {}, QStringLiteral("文件不是文本文件，不能作为邮件内容。")};
    QString text = content.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return {text, content.encoding, {}};
}

} // namespace MailBody
