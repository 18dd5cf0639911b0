#pragma once

// File descriptor functions. Failures go to the calling thread's last-error
// record and give the failure value; most of them leave an older record in
// place on success, so judge them by their result.

#include "CBaseException.h"

#include <string>

namespace QuentaBased {

// Creates or empties the file, open for reading and writing (0666). -1 on failure.
int file_create(const std::string& name);
// 0xFFFF: as file_create. Otherwise the low two bits pick read, write or
// read-write; 3 is refused. Clears the record on success. -1 on failure.
int file_open(const std::string& name, unsigned short mode);
void file_close(int fd);
// Origin 0 start, 1 current, 2 end. The new position, -1 on failure.
long long file_seek(int fd, long long offset, int origin);
// Cuts or extends the file at the current position.
bool file_set_current_end(int fd);
int file_write(int fd, const void* buffer, unsigned int count);
// 1 to count bytes; -1 at the end of the file (10021016 "End of file") or on failure.
int file_read(int fd, void* buffer, unsigned int count);
bool file_delete(const std::string& name);
bool move_file(const std::string& from, const std::string& to);
// Clears the record first; true for anything that exists, folders included.
bool file_exists(const char* path);

// An output is written under a working name beside its final one and
// renamed into place only when whole: "<folder>/<name>.part-<pid><ext>", so
// the extension that chooses the format stays last, and the writer's
// process id tells whose it is.
std::string staged_file_name(const std::string& path, long pid);
// Removes the regular files that the writer `pid` left under working names
// for `path`, the numbered parts of a split ("<name>(2).part-<pid><ext>")
// included. The number removed.
int remove_staged_files(const std::string& path, long pid);

// The calling thread's last error as four lines of display text; "" when none.
std::string GetLastQuentaExpAsText();
// Format(format, file name, line, message).
std::string FormatQuentaExp(const CBaseException& e, std::string format);

} // namespace QuentaBased
