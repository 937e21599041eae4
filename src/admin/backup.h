#pragma once

struct Workspace;

// Attaches the backup and restore windows to 数据备份 (Act_Backup) and 数据恢复 (Act_Restore).
// The commands themselves log and make the backup folder before the window opens.
void installBackup(Workspace &ws);
