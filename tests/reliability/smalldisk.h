#pragma once

#include <QString>

// A file system of a few megabytes that a test fills to the last byte and frees again: a
// tmpfs mounted in a mount namespace of the test process alone (entered as root, or as the
// root of a user namespace of its own), so nothing outside sees it and nothing stays mounted
// when the process ends. Programs the test starts share it.
class SmallDisk
{
  public:
    // Call first thing in main(), while the process still has one thread. Empty when the
    // process has mounts of its own now, else why not.
    static QString enterPrivateMounts();

    explicit SmallDisk(qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool isValid() const { return m_mounted; }
    QString error() const { return m_error; }
    QString path() const { return m_path; }

    // Takes every byte left (a filler file), and gives it back.
    void fill();
    void free();
    qint64 available() const;

  private:
    QString m_path, m_error;
    bool m_mounted = false;
};
