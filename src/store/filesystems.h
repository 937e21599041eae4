#pragma once

#include <QString>

namespace store::FileSystems {

// The type of the file system `path` lies on ("ext4", "nfs4", "cifs"), as the mount table
// tells; empty when it cannot be told.
QString typeOf(const QString &path);

// True for file systems shared by several machines over a network (NFS, SMB/CIFS, 9p, sshfs
// and the like), where SQLite's shared-memory log cannot coordinate the seats.
bool isNetworkType(const QString &type);
bool isNetwork(const QString &path);

// The mount table read (the system's by default); tests describe mounts of their own.
void setMountTable(const QString &path);

} // namespace store::FileSystems
