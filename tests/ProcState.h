#pragma once

// The state letter of a process as /proc/<pid>/stat gives it ('R', 'S',
// 'Z', ...), or 0 once the process is gone. A process can end between the
// open and the read; the read then fails (ESRCH) and the process counts as
// gone, so this never throws.

#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace MediaTest {

inline char ProcState(int pid)
{
    const int fd = ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buffer[1024];
    const ssize_t got = ::read(fd, buffer, sizeof(buffer));
    ::close(fd);
    if (got <= 0)
        return 0;
    const std::string text(buffer, static_cast<size_t>(got));
    const std::string::size_type paren = text.rfind(')');
    if (paren == std::string::npos || paren + 2 >= text.size())
        return 0;
    return text[paren + 2];
}

} // namespace MediaTest
