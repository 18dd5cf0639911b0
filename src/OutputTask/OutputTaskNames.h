#pragma once

// Naming of output tasks: how a new or renamed task gets a name no other task
// in the list holds, and how a task that is about to start resolves a clash
// with a file already in the output folder.

#include <QString>
#include <QStringList>
#include <QVariant>

namespace OutputTaskNames {

// A clip's or a typed name becomes a file name: "/" and NUL would make a path
// (or cut it short), so each becomes "_".
QString SanitizeTaskName(const QString& name);

// The task list's rule. bRename false (adding a task): a trailing number is
// bumped (below 9 replaced by its successor, from 9 on "_n" appended) and no
// other character of the name changes; bRename true (a finished rename): "_1", "_2", ... go onto the typed
// name. The register is compared whole-name and case-sensitively.
QString MakeNameUniqueInTaskList(const QString& name, bool bRename, const QStringList& lstRegister);

// The destination-folder check of a first start. policy is the "OutputFileExist"
// setting: 0 rename, 1 overwrite, 2 skip; a value that holds no integer reads
// as 0. Returns a null string when the task must not run; otherwise the name
// to use, which the register then holds in place of the task's old entry.
QString CheckNameInOutputDir(const QString& name, const QString& ext, QStringList& lstRegister,
                             const QString& outputFolder, const QVariant& policy);

// Whether the output folder holds an entry (file or folder) of that name.
bool OutputDirHasEntry(const QString& outputFolder, const QString& fileName);

} // namespace OutputTaskNames
