// A process's own folder under the temporary folder, told abandoned by its
// lock alone.

#include "CLockedFolder.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

using QuentaBased::CLockedFolder;

namespace {

class LockedFolder : public QuentaTest::ScratchFolder
{
protected:
    LockedFolder() : ScratchFolder("fc_locked_") {}

    bool Exists(const std::string& path) const
    {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0;
    }

    // A folder made by a child process that then dies without tidying up,
    // as a killed program does; its path.
    std::string Abandoned(const std::string& prefix)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return std::string();
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            auto* folder = new CLockedFolder(prefix, m_dir);
            std::ofstream(folder->Path() + "/left.seix") << "left";
            const std::string path = folder->Path() + "\n";
            ssize_t n = ::write(fds[1], path.data(), path.size());
            (void)n;
            ::_exit(0);
        }
        ::close(fds[1]);
        std::string path;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            path += c;
        ::close(fds[0]);
        int status;
        ::waitpid(child, &status, 0);
        return path;
    }
};

} // namespace

TEST_F(LockedFolder, OnlyFoldersWhoseProcessHasGoneAreRemoved)
{
    const std::string prefix = "app-work-";
    const std::string parent = m_dir;
    CLockedFolder live(prefix, parent);
    std::ofstream(live.Path() + "/mine.seix") << "mine";
    const std::string gone = Abandoned(prefix);
    ASSERT_FALSE(gone.empty());
    ASSERT_TRUE(Exists(gone + "/left.seix"));
    // Look-alikes: a user's folder with the prefix, a link with it to a
    // user's folder, and a folder whose lock is free but which is still
    // being made (no "owner" yet).
    ASSERT_EQ(::mkdir(Path(prefix + "users").c_str(), 0700), 0);
    Put(prefix + "users/notes.txt", "the user's\n");
    ASSERT_EQ(::mkdir(Path("elsewhere").c_str(), 0700), 0);
    Put("elsewhere/lock", "");
    Put("elsewhere/owner", "1\n");
    Put("elsewhere/notes.txt", "the user's\n");
    ASSERT_EQ(::symlink(Path("elsewhere").c_str(), Path(prefix + "link").c_str()), 0);
    ASSERT_EQ(::mkdir(Path(prefix + "making").c_str(), 0700), 0);
    Put(prefix + "making/lock", "");

    std::vector<std::string> cleared;
    EXPECT_EQ(CLockedFolder::RemoveAbandoned(
                  prefix, [&](const std::string& f) { cleared.push_back(f); }, parent),
              1);
    EXPECT_EQ(cleared, std::vector<std::string>{gone});
    EXPECT_FALSE(Exists(gone));
    EXPECT_EQ(Get(live.Path().substr(parent.size() + 1) + "/mine.seix"), "mine");
    EXPECT_EQ(Get(prefix + "users/notes.txt"), "the user's\n");
    EXPECT_EQ(Get("elsewhere/notes.txt"), "the user's\n");
    EXPECT_TRUE(Exists(Path("elsewhere/lock")));
    EXPECT_TRUE(Exists(Path(prefix + "link")));
    EXPECT_TRUE(Exists(Path(prefix + "making/lock")));

    // Another process's abandoned folder of another prefix is not this one's business.
    const std::string other = Abandoned("other-");
    EXPECT_EQ(CLockedFolder::RemoveAbandoned(prefix, {}, parent), 0);
    EXPECT_TRUE(Exists(other));
}

TEST_F(LockedFolder, AFolderGoesWithItsObject)
{
    std::string path;
    {
        CLockedFolder folder("app-work-", m_dir);
        path = folder.Path();
        std::ofstream(path + "/a.seix") << "a";
        EXPECT_EQ(CLockedFolder::RemoveAbandoned("app-work-", {}, m_dir), 0) << "held while it lives";
        EXPECT_TRUE(Exists(path + "/a.seix"));
    }
    EXPECT_FALSE(Exists(path));
}

// What a user or a tidying tool may do to the lock file of a folder: only the
// folder's own lock tells a live process from a dead one.
TEST_F(LockedFolder, ALockFileReplacedRemovedOrUnreadableNeverGivesALiveFolderAway)
{
    enum Tamper {
        Untouched,
        Replaced,
        Removed,
        Unreadable,
    };
    const char* const names[] = {"untouched", "replaced", "removed", "unreadable"};
    for (Tamper tamper : {Untouched, Replaced, Removed, Unreadable}) {
        for (bool alive : {true, false}) {
            SCOPED_TRACE(std::string(names[tamper]) + (alive ? ", alive" : ", gone"));
            const std::string prefix = std::string("tamper-") + names[tamper] + (alive ? "-alive-" : "-gone-");
            std::unique_ptr<CLockedFolder> live;
            std::string path;
            if (alive) {
                live.reset(new CLockedFolder(prefix, m_dir));
                path = live->Path();
                std::ofstream(path + "/work.seix") << "work";
            } else {
                path = Abandoned(prefix);
                ASSERT_FALSE(path.empty());
            }
            const std::string lock = path + "/lock";
            switch (tamper) {
            case Untouched: break;
            case Replaced: // as an editor saves: a new file renamed over the old one
                std::ofstream(lock + ".new") << "";
                ASSERT_EQ(::rename((lock + ".new").c_str(), lock.c_str()), 0);
                break;
            case Removed: ASSERT_EQ(::unlink(lock.c_str()), 0); break;
            case Unreadable: ASSERT_EQ(::chmod(lock.c_str(), 0), 0); break;
            }
            EXPECT_EQ(CLockedFolder::RemoveAbandoned(prefix, {}, m_dir), alive ? 0 : 1);
            EXPECT_EQ(Exists(path), alive);
            if (alive) {
                EXPECT_EQ(Get(path.substr(m_dir.size() + 1) + "/work.seix"), "work");
            }
            // The live folder still goes with its object, whatever its lock file went through.
            live.reset();
            EXPECT_FALSE(Exists(path));
        }
    }
}
