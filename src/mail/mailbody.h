#pragma once

#include <QByteArray>
#include <QString>

// A message body read from a text file (邮件内容's 导入...): in the encoding its byte-order mark
// names, else UTF-8, else GB18030 as Chinese editors save it. Line ends become '\n'. A file
// that is no text (NUL characters), in neither encoding, or too big for a mail is refused
// with a message.
namespace MailBody
{

constexpr qsizetype MaxBytes = 4 * 1024 * 1024;

struct Decoded {
    QString text;
    QString encoding; // the one the text was read in
    QString refusal;  // empty when the text was read
};

Decoded decode(const QByteArray &bytes);

} // namespace MailBody
