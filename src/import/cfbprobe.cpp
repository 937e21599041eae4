#include "cfbprobe.h"

#include <QByteArray>
#include <QIODevice>
#include <QSet>
#include <QString>
#include <QtEndian>

#include <vector>

namespace importing
{

namespace
{

constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr int HeaderFatSlots = 109; // FAT sector numbers kept in the header itself
constexpr int EntrySize = 128;      // one directory entry

quint32 u32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// The container's sectors as the header describes them.
class Container
{
  public:
    explicit Container(QIODevice &device) : m_device(device) {}

    bool readHeader()
    {
        if (!m_device.seek(0))
            return false;
        m_header = m_device.read(512);
        if (m_header.size() < 512)
            return false;
        const int shift = qFromLittleEndian<quint16>(m_header.constData() + 0x1E);
        if (shift != 9 && shift != 12)
            return false;
        m_sectorSize = 1 << shift;
        m_sectors = (m_device.size() - 512) / m_sectorSize;
        return true;
    }

    QByteArray sector(quint32 n)
    {
        if (n >= m_sectors || !m_device.seek(qint64(n + 1) * m_sectorSize))
            return {};
        const QByteArray s = m_device.read(m_sectorSize);
        return s.size() == m_sectorSize ? s : QByteArray();
    }

    // The allocation table from the sectors the header lists (enough for any workbook
    // under several gigabytes).
    bool readFat()
    {
        const quint32 fatSectors = u32(m_header, 0x2C);
        for (int i = 0; i < HeaderFatSlots && quint32(i) < fatSectors; ++i) {
            const QByteArray s = sector(u32(m_header, 0x4C + 4 * i));
            if (s.isEmpty())
                return false;
            for (qsizetype at = 0; at < s.size(); at += 4)
                m_fat.push_back(u32(s, at));
        }
        return !m_fat.empty();
    }

    // The names in the directory, following its chain without ever going round in a loop.
    QSet<QString> directoryNames()
    {
        QSet<QString> names;
        QSet<quint32> seen;
        for (quint32 n = u32(m_header, 0x30); n != EndOfChain && n < m_fat.size(); n = m_fat[n]) {
            if (seen.contains(n))
                break;
            seen.insert(n);
            const QByteArray s = sector(n);
            for (qsizetype at = 0; at + EntrySize <= s.size(); at += EntrySize) {
                const int bytes = qFromLittleEndian<quint16>(s.constData() + at + 0x40);
                if (bytes < 2 || bytes > 64)
                    continue;
                names.insert(QString::fromUtf16(
                    reinterpret_cast<const char16_t *>(s.constData() + at), bytes / 2 - 1));
            }
        }
        return names;
    }

  private:
    QIODevice &m_device;
    QByteArray m_header;
    int m_sectorSize = 512;
    qint64 m_sectors = 0;
    std::vector<quint32> m_fat;
};

} // namespace

CompoundKind probeCompoundFile(QIODevice &device)
{
    Container c(device);
    if (!c.readHeader() || !c.readFat())
        return CompoundKind::Other;
    const QSet<QString> names = c.directoryNames();
    if (names.contains(QStringLiteral("EncryptedPackage")) ||
        names.contains(QStringLiteral("EncryptionInfo")))
        return CompoundKind::Encrypted;
    if (names.contains(QStringLiteral("Workbook")) || names.contains(QStringLiteral("Book")))
        return CompoundKind::LegacyWorkbook;
    return CompoundKind::Other;
}

} // namespace importing
