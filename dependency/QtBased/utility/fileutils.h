#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Native separators and exactly one separator at the end.
QString includePathSeparator(QString sPath);
// Native separators and one ending separator fewer.
QString excludePathSeparator(QString sPath);
// Decimal units with two decimals: "1.50 MB"; up to 1000 bytes "999 B".
QString FormatBytesToStr2(uint64_t nBytes);
// Units of 1024, the remainder after the point: 1536 gives "1.512KB"; 0 gives "0B".
QString fileSizeToString(uint64_t nBytes);
// The extensions of a file-dialog filter, without "*." and without repeats:
// "Video (*.mp4 *.mov);;Audio (*.mp3)" gives mp4, mov, mp3.
QStringList extractExtsFromFilterStr(QString sFilter);

// Shows `sFileName` selected in the desktop's file manager when it exists in
// the folder, otherwise opens the folder; a missing folder does nothing.
// Returns at once: the file manager is asked over D-Bus, falling back to
// "xdg-open" on the folder, each path passed as one argument.
void OpenFloderWithShell(QString sFolder, QString sFileName);

// What OpenFloderWithShell asks for: nothing (false) for a missing folder;
// otherwise the folder and, when the file exists there, the file to select.
bool ResolveShellTarget(const QString& sFolder, const QString& sFileName, QString& sDir, QString& sFile);

// Keeps a file the program cannot read beside itself, so that writing a fresh
// one does not destroy what the user had: the first as "<name>.bad", later
// ones "<name>.bad-2" and on, so an earlier file kept aside is never
// replaced. The name it is kept under; empty when it could not be moved.
QString KeepFileAside(const QString& sPath);
