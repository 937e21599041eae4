// A file imported as a mail body: any bytes, decoded or refused.
#include "mailbody.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const MailBody::Decoded d = MailBody::decode(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (d.refusal.isEmpty() && d.text.contains(QLatin1Char('\r')))
        __builtin_trap(); // line ends are '\n' only
    return 0;
}
