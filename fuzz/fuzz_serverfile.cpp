// "Server.txt" as any program or person may have left it: its first line read, judged, and,
// when it is a server address, taken apart and shown without its password.
#include "connection.h"
#include "serverfile.h"
#include "storeerror.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = store::ServerFile::firstLine(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!store::ServerFile::isLocationText(line))
        return 0;
    const QString location = store::Connection::normalise(line);
    (void)store::Connection::shownLocation(location);
    if (store::Connection::isServerLocation(location)) {
        try {
            const store::ServerAddress a = store::ServerAddress::parse(location);
            (void)a.uri();
        } catch (const store::StoreError &) {
        }
    }
    return 0;
}
