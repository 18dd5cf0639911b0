#pragma once

// Folder listing, folder tests, creation and deletion.

#include <dirent.h>
#include <string>

namespace QuentaBased {

// One folder listing, from find_first to find_close. "." and ".." are never
// handed out.
struct find_data
{
    // The entry the listing stands on; null before the first read and after the end.
    struct dirent* current = nullptr;
    // Absolute, resolved, ending in "/".
    std::string folder;
    DIR* dir = nullptr;
    std::string pattern;
    // The current entry's type code, looked up with lstat when the folder
    // reading does not give it (links are never taken for what they point to).
    unsigned char type = DT_UNKNOWN;

    find_data() = default;
    find_data(const find_data&) = delete;
    find_data& operator=(const find_data&) = delete;
    ~find_data();
};

// Stands on the first entry whose name matches the wildcard pattern (letter
// case ignored). Never null: every failure throws (10021003, 10021005, 10021008).
find_data* find_first(const char* folder, const char* pattern);
// False at the end (10021008 "find_next error" recorded) or on failure.
bool find_next(find_data* handle);
void find_close(find_data* handle);
// The folder followed by the current entry's name.
std::string find_get_path(find_data* handle);
// True for folders (and the other entry types that share the folder bit).
bool find_is_folder(find_data* handle);

// Clears the record first; false with the reason recorded.
bool dir_exists(const char* path);
// Creates the folder and every missing parent; an existing folder is fine.
// Only "/" separates the levels; a backslash belongs to the name.
// Throws 10021008 "Can't create directory, DirName = " + path.
void make_dir(const char* path);
// Deletes a folder with everything below it, or a single file. A symbolic
// link is removed itself, never followed. Failures are only recorded.
void delete_dir(const char* path);

} // namespace QuentaBased
