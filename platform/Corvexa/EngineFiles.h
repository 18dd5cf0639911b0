#pragma once

// The files the conversion engine keeps in its folder under the temporary
// folder: the job file, which it makes with all its room reserved, and what
// it reads of them when a worker or a whole engine has died.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CMemFileMapping;

namespace Moorland {

extern const char* const kJobFileName;
// The job file of one run: its table has a slot per task ever added, and a
// task takes about 1.2 KB plus its two paths from the arena.
constexpr uint32_t kJobFileSize = 8u << 20;
constexpr uint32_t kMaxJobs = 4096;

// Makes the job file in sFolder, every block of it reserved, with its job
// table. Throws; when the file system of sTempFolder has no room for it,
// with a text that names that folder.
std::unique_ptr<CMemFileMapping> CreateJobFile(const std::string& sFolder, const std::string& sTempFolder);

// After a failure to write nBytes into sFolder: throws the text that names
// sTempFolder when its file system has less room left than that, and
// returns otherwise.
void ThrowWhenNoRoom(const std::string& sFolder, const std::string& sTempFolder, uint64_t nBytes);

// What a dead engine's workers still had under working names goes, by the
// exact names they noted in the records of its job file in sFolder;
// anything else stays.
void RemoveDeadEngineJobs(const std::string& sFolder);

// The last bytes of a file (a worker's log), at most nMaxBytes.
std::string FileTail(const std::string& sPath, size_t nMaxBytes);

} // namespace Moorland
