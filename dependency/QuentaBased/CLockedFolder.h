#pragma once

// A folder of one process's own under the temporary folder, named
// "<prefix>XXXXXX" (mkdtemp), and held by an flock on the folder itself for
// as long as the object lives. The kernel lets go of the lock when the
// process dies, however it dies and whatever pid namespace it ran in: a
// folder whose lock can be taken belongs to a process that is gone, and only
// such a folder is ever cleared by another process. The lock is on the
// folder rather than on a file in it because a file can be replaced or
// removed while its process lives (by the user, or a tidying tool), and a
// new file holds no lock. A process id says nothing here: another namespace
// sharing the temporary folder counts ids its own way, and ids are reused.
// The file "lock" in the folder is locked as well, for the programs that
// judge by it.

#include <functional>
#include <string>

namespace QuentaBased {

class CLockedFolder
{
public:
    // Makes and locks a new folder in `parent` (the temporary folder when
    // empty). Throws with the reason.
    CLockedFolder(const std::string& prefix, const std::string& parent = std::string());
    // Removes the folder with the files this process left in it.
    ~CLockedFolder();
    CLockedFolder(const CLockedFolder&) = delete;
    CLockedFolder& operator=(const CLockedFolder&) = delete;

    const std::string& Path() const { return m_path; }

    // The folders "<prefix>*" in `parent` (the temporary folder when empty)
    // whose process has gone: for each, while its lock is held, `clear` is
    // given the folder to take away what that process made elsewhere; then
    // the files in the folder go, and the folder. A folder of another user,
    // a link, a folder without its "owner" file (being made, or not one of
    // these) and a locked one are left alone. The number of folders removed.
    static int RemoveAbandoned(const std::string& prefix, const std::function<void(const std::string&)>& clear = {},
                               const std::string& parent = std::string());

    // $TMPDIR, else /tmp, without a trailing '/'.
    static std::string TempFolder();

private:
    std::string m_path;
    int m_folder = -1;
    int m_lock = -1;
};

} // namespace QuentaBased
