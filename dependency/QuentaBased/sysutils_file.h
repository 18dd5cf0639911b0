#pragma once

// File descriptor functions. Failures go to the calling thread's last-error
// record and give the failure value; most of them leave an older record in
// place on success, so judge them by their result.

#include "CBaseException.h"

#include <functional>
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

// A file or folder the program made itself, known by its exact name and by
// the device and inode it got when made: a user's file put under the same
// name afterwards is never taken for it.
struct made_entry
{
    std::string path;
    unsigned long long device = 0;
    unsigned long long inode = 0;
};

// An output is written under a working name beside its final one and
// renamed into place only when whole: "<folder>/<name>.part-<random><ext>",
// so the extension that chooses the format stays last. The file is made
// here, empty, with O_CREAT|O_EXCL and never through a link: a name that is
// taken is left alone and another random part tried. `random_part` (for
// tests) gives the random parts; by default 8 random letters and digits.
// Throws with the reason when no file can be made.
//
// With `note`, the entry (name, device and inode) is handed to it before
// the file appears under its name, where the file system allows (a nameless
// O_TMPFILE file given its name after), else just after it is made; a name
// found taken is handed over again with the next one. A throw from `note`
// leaves no file behind.
using working_file_note = std::function<void(const made_entry&)>;
made_entry create_working_file(const std::string& path, std::string (*random_part)() = nullptr,
                               const working_file_note& note = {});
// A new empty folder "<path>.part-XXXXXX" (mkdtemp) beside `path`. Throws.
made_entry create_working_folder(const std::string& path);
// Whether what is at entry.path now is still the regular file (or, with
// `folder`, the real folder) that was made there; links are never followed.
bool is_made_entry(const made_entry& entry, bool folder);
// Removes entry.path only while it is the file that was made; true when removed.
bool remove_made_file(const made_entry& entry);
// Removes entry.path and what lies in it only while it is the folder that
// was made; links inside are removed, never followed. True when removed.
bool remove_made_folder(const made_entry& entry);

// The calling thread's last error as four lines of display text; "" when none.
std::string GetLastQuentaExpAsText();
// Format(format, file name, line, message).
std::string FormatQuentaExp(const CBaseException& e, std::string format);

} // namespace QuentaBased
