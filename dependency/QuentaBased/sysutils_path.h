#pragma once

// Paths, the program file, the environment and run-time library loading.

#include <string>

namespace QuentaBased {

// Full path of the running program file; "" when it cannot be told.
std::string get_executable_path();
// The value of "HOME"; "" (and 10021005 recorded) when it is not set.
std::string get_home_path();
// Absolute path with links, "." and ".." resolved. A missing last component
// is kept (so a file about to be created gets its full path); below a missing
// folder the rest is dropped. Throws 10021008 "Can't expand path, path = ".
std::string expand_path(const char* path);
// The resolved folder of the path, ending in "/". Throws like expand_path.
std::string extract_file_path(const std::string& path);
// The resolved path's last component; "" (failure recorded) when it cannot be resolved.
std::string extract_file_name(const std::string& path);
// The resolved name, or the first numbered variant (stem_N.ext, N from 0 to
// 39999) no file takes. Throws 10021008 "No free file name" when all are taken.
std::string GetUnicodeFileName(const std::string& name);

bool get_environment_variable(const std::string& name, std::string& value);
bool set_environment_variable(const std::string& name, const std::string& value);
bool delete_environment_variable(const std::string& name);
// Appends the folder to "LD_LIBRARY_PATH" unless it is listed already. Only
// processes started afterwards see it; load_dll takes absolute paths.
void dll_set_load_path(const std::string& folder);

void* load_dll(const char* path);
void* get_proc_addr(void* handle, const char* name);
int free_dll(void* handle);

} // namespace QuentaBased
