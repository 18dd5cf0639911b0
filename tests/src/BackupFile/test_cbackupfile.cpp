#include "Basilvo.h"
#include "BackupFile/cbackupfilethread.h"
#include "BackupFile/ibackupfile.h"
#include "sysutils_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

struct Folder
{
    QString dir;
    Folder()
    {
        std::string tmpl = "/tmp/fablecut-backup-XXXXXX";
        dir = QString::fromLocal8Bit(mkdtemp(&tmpl[0]));
    }
    ~Folder() { QDir(dir).removeRecursively(); }
};

QByteArray Pattern(int size, int seed)
{
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + seed * 7) & 0xFF);
    return bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Hash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

struct Backuper
{
    IBackupFile* b = CreateBackuper();
    ~Backuper() { b->Free(); }
    IBackupFile* operator->() const { return b; }
};

bool WaitEnded(IBackupFile* b, int ms = 20000)
{
    for (int waited = 0; waited < ms; waited += 10) {
        const int s = b->GetState();
        if (s == BACKUP_STATE_FINISHED || s == BACKUP_STATE_STOPPED)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

QStringList Succeeded(IBackupFile* b)
{
    QStringList list;
    for (int i = 0; i < b->GetSucceedFileCount(); ++i)
        list << QFileInfo(QString::fromUtf8(b->GetSucceedFilePath(i))).fileName();
    return list;
}

// Injected failures: the n-th read of a file named like `failName` fails, or
// every write after `writeLimit` bytes reports a full disk.
std::atomic<int> g_readsBeforeFailure{-1};
std::atomic<long long> g_writeRoom{-1};
int FailingRead(int fd, void* buffer, unsigned int count)
{
    if (g_readsBeforeFailure.load() == 0) {
        g_readsBeforeFailure = -1; // one failure only
        GetQuentaException()->SetException(10021013, "file_read error: errno: 5 Input/output error", __LINE__,
                                           __FILE__);
        return -1;
    }
    if (g_readsBeforeFailure.load() > 0)
        --g_readsBeforeFailure;
    return QuentaBased::file_read(fd, buffer, count > 4096 ? 4096 : count);
}
int FullDiskWrite(int fd, const void* buffer, unsigned int count)
{
    if (g_writeRoom.load() >= 0 && g_writeRoom.load() < count) {
        GetQuentaException()->SetException(10021013, "file_write error: errno: 28 No space left on device", __LINE__,
                                           __FILE__);
        return -1;
    }
    if (g_writeRoom.load() >= 0)
        g_writeRoom -= count;
    return QuentaBased::file_write(fd, buffer, count);
}
const BackupFileIo kFaultyIo = {&FailingRead, &FullDiskWrite};

} // namespace

TEST(BackupFile, ExistPoliciesAndCopies)
{
    struct Case
    {
        int policy;
        QStringList existing;
        QStringList succeeded;
        int backedUp;
    };
    const Case cases[] = {
        {BACKUP_EXIST_RENAME, {}, {"00001.MTS", "00002.MTS"}, 2},
        {BACKUP_EXIST_RENAME, {"00001.MTS"}, {"00001_0.MTS", "00002.MTS"}, 2},
        {BACKUP_EXIST_RENAME, {"00001.MTS", "00001_0.MTS"}, {"00001_1.MTS", "00002.MTS"}, 2},
        {BACKUP_EXIST_OVERWRITE, {"00001.MTS"}, {"00001.MTS", "00002.MTS"}, 2},
        {7, {"00001.MTS"}, {"00001.MTS", "00002.MTS"}, 2}, // any other value overwrites
        {BACKUP_EXIST_SKIP, {"00001.MTS"}, {"00002.MTS"}, 2},
    };
    for (const Case& c : cases) {
        Folder src, dst;
        WriteFile(src.dir + "/00001.MTS", Pattern(200000, 1));
        WriteFile(src.dir + "/00002.MTS", Pattern(3000, 2));
        for (const QString& name : c.existing)
            WriteFile(dst.dir + "/" + name, "old");
        Backuper b;
        b->SetBackupFileExistPolicy(static_cast<BackuFileExistPolicy>(c.policy));
        ASSERT_EQ(1, b->SetBackupDestPath(dst.dir.toUtf8().constData()));
        ASSERT_EQ(1, b->AddBackupFile((src.dir + "/00001.MTS").toUtf8().constData()));
        ASSERT_EQ(1, b->AddBackupFile((src.dir + "/00002.MTS").toUtf8().constData()));
        EXPECT_EQ(203000, b->GetBackupFilesTotalSize());
        ASSERT_EQ(1, b->StartBackupFiles());
        ASSERT_TRUE(WaitEnded(b.b));
        const BackupProgressInfo* p = b->GetBackupProgressInfo();
        EXPECT_EQ(BACKUP_STATE_FINISHED, p->nState);
        EXPECT_EQ(2, p->nTotalFiles);
        EXPECT_EQ(c.backedUp, p->nBackedUpFiles) << c.policy;
        EXPECT_EQ(c.succeeded, Succeeded(b.b)) << c.policy;
        long long bytes = 0;
        for (const QString& name : c.succeeded) {
            const QString source = src.dir + "/" + (name.startsWith("00001") ? "00001.MTS" : "00002.MTS");
            EXPECT_EQ(Hash(source), Hash(dst.dir + "/" + name)) << name.toStdString();
            bytes += QFileInfo(source).size();
        }
        EXPECT_EQ(bytes, p->llBackedUpBytes) << c.policy;
        if (c.policy == BACKUP_EXIST_SKIP)
            EXPECT_EQ(QByteArray("old"), [&] {
                QFile f(dst.dir + "/00001.MTS");
                f.open(QIODevice::ReadOnly);
                return f.readAll();
            }());
        // Runs are not restarted without a reset.
        EXPECT_EQ(0, b->StartBackupFiles());
        EXPECT_STREQ("Backup State not ready", GetQuentaException()->GetExceptionMsg());
        EXPECT_EQ(1, b->ResetBackupState());
        EXPECT_EQ(0, b->GetSucceedFileCount());
        EXPECT_EQ(nullptr, b->GetSucceedFilePath(0));
    }
}

TEST(BackupFile, RefusalsAndRules)
{
    Folder src, dst;
    WriteFile(src.dir + "/a.MTS", Pattern(1000, 3));
    Backuper b;
    // A start without a destination is refused: copies would land in "/".
    ASSERT_EQ(1, b->AddBackupFile((src.dir + "/a.MTS").toUtf8().constData()));
    EXPECT_EQ(0, b->StartBackupFiles());
    EXPECT_EQ(BACKUP_STATE_READY, b->GetState());
    EXPECT_EQ(0, b->AddBackupFile((src.dir + "/none.MTS").toUtf8().constData()));
    EXPECT_EQ(std::string("File ") + (src.dir + "/none.MTS").toStdString() + " Not exist",
              GetQuentaException()->GetExceptionMsg());
    EXPECT_EQ(0, b->SetBackupDestPath((dst.dir + "/none").toUtf8().constData()));
    EXPECT_EQ(10021005, GetQuentaException()->GetExceptionCode());
    EXPECT_EQ(0, b->RemoveBackupFile("/not/listed"));
    EXPECT_EQ(1, b->RemoveBackupFile((src.dir + "/a.MTS").toUtf8().constData()));
    EXPECT_EQ(0, b->PauseBackup());
    EXPECT_EQ(0, b->ContinueBackup());
    EXPECT_EQ(0, b->StopBackup());
    EXPECT_EQ(1, b->SetBackupThreadPriority(static_cast<BackupThreadPriority>(7)));
    EXPECT_GT(b->GetDiskFreeRoom(dst.dir.toUtf8().constData()), 0);
    EXPECT_EQ(0, b->GetDiskFreeRoom("/nonexistent/folder"));
    EXPECT_STREQ("Can not Detect Disk FreeRoom", GetQuentaException()->GetExceptionMsg());

    // An empty list ends at once, finished, with nothing copied.
    ASSERT_EQ(1, b->SetBackupDestPath(dst.dir.toUtf8().constData()));
    ASSERT_EQ(1, b->StartBackupFiles());
    ASSERT_TRUE(WaitEnded(b.b));
    EXPECT_EQ(BACKUP_STATE_FINISHED, b->GetState());
    EXPECT_EQ(0, b->GetSucceedFileCount());
    EXPECT_EQ(nullptr, b->GetSucceedFilePath(-1));

    // A listed file removed before the start leaves the list.
    ASSERT_EQ(1, b->ResetBackupState());
    WriteFile(src.dir + "/gone.MTS", "x");
    ASSERT_EQ(1, b->AddBackupFile((src.dir + "/gone.MTS").toUtf8().constData()));
    ASSERT_EQ(1, b->AddBackupFile((src.dir + "/a.MTS").toUtf8().constData()));
    QFile::remove(src.dir + "/gone.MTS");
    ASSERT_EQ(1, b->StartBackupFiles());
    ASSERT_TRUE(WaitEnded(b.b));
    EXPECT_EQ(1, b->GetBackupProgressInfo()->nTotalFiles);
    EXPECT_EQ(QStringList{"a.MTS"}, Succeeded(b.b));

    // Overwriting a file onto itself never empties it.
    ASSERT_EQ(1, b->ResetBackupState());
    b->ClearBackupFilesList();
    b->SetBackupFileExistPolicy(BACKUP_EXIST_OVERWRITE);
    ASSERT_EQ(1, b->SetBackupDestPath(src.dir.toUtf8().constData()));
    ASSERT_EQ(1, b->AddBackupFile((src.dir + "/a.MTS").toUtf8().constData()));
    ASSERT_EQ(1, b->StartBackupFiles());
    ASSERT_TRUE(WaitEnded(b.b));
    EXPECT_EQ(0, b->GetSucceedFileCount());
    EXPECT_EQ(Pattern(1000, 3).size(), QFileInfo(src.dir + "/a.MTS").size());
}

TEST(BackupFile, FailingReadsAndAFullDisk)
{
    struct Case
    {
        const char* what;
        int readsBeforeFailure;
        long long writeRoom;
    };
    const Case cases[] = {
        {"a read failing part-way", 3, -1},
        {"a full destination", -1, 10000},
    };
    for (const Case& c : cases) {
        Folder src, dst;
        WriteFile(src.dir + "/1.MTS", Pattern(50000, 4));
        WriteFile(src.dir + "/2.MTS", Pattern(50000, 5));
        g_readsBeforeFailure = c.readsBeforeFailure;
        g_writeRoom = c.writeRoom;
        SetBackupFileIo(&kFaultyIo);
        Backuper b;
        ASSERT_EQ(1, b->SetBackupDestPath(dst.dir.toUtf8().constData()));
        b->AddBackupFile((src.dir + "/1.MTS").toUtf8().constData());
        b->AddBackupFile((src.dir + "/2.MTS").toUtf8().constData());
        ASSERT_EQ(1, b->StartBackupFiles());
        ASSERT_TRUE(WaitEnded(b.b));
        SetBackupFileIo(nullptr);
        // The failed file's partial copy is gone and it is not listed.
        EXPECT_FALSE(QFile::exists(dst.dir + "/1.MTS")) << c.what;
        const QStringList ok = Succeeded(b.b);
        if (c.writeRoom >= 0) {
            EXPECT_TRUE(ok.isEmpty()) << c.what; // the disk stays full
        } else {
            EXPECT_EQ(QStringList{"2.MTS"}, ok) << c.what;
            EXPECT_EQ(Hash(src.dir + "/2.MTS"), Hash(dst.dir + "/2.MTS"));
        }
    }
    g_readsBeforeFailure = -1;
    g_writeRoom = -1;
}

namespace {
std::atomic<int> g_slowReads{0};
int SlowRead(int fd, void* buffer, unsigned int count)
{
    ++g_slowReads;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return QuentaBased::file_read(fd, buffer, count > 65536 ? 65536 : count);
}
const BackupFileIo kSlowIo = {&SlowRead, &QuentaBased::file_write};
} // namespace

TEST(BackupFile, PauseContinueStopAndProgress)
{
    Folder src, dst;
    WriteFile(src.dir + "/1.MTS", Pattern(65536 * 4, 6));
    WriteFile(src.dir + "/2.MTS", Pattern(65536 * 40, 7));
    WriteFile(src.dir + "/3.MTS", Pattern(100, 8));
    SetBackupFileIo(&kSlowIo);
    Backuper b;
    ASSERT_EQ(1, b->SetBackupDestPath(dst.dir.toUtf8().constData()));
    for (const char* name : {"1.MTS", "2.MTS", "3.MTS"})
        b->AddBackupFile((src.dir + "/" + name).toUtf8().constData());
    ASSERT_EQ(1, b->SetBackupThreadPriority(BACKUP_PRIORITY_LOWEST));
    ASSERT_EQ(1, b->StartBackupFiles());
    EXPECT_EQ(0, b->ResetBackupState());
    EXPECT_STREQ("Running", GetQuentaException()->GetExceptionMsg());
    EXPECT_EQ(0, b->GetSucceedFileCount()); // not while running
    // Wait until the second file is being copied, watching the record.
    const BackupProgressInfo* p = nullptr;
    for (int i = 0; i < 1000; ++i) {
        p = b->GetBackupProgressInfo();
        ASSERT_LE(p->llBackedUpBytes, p->llTotalBytes);
        if (p->nBackedUpFiles == 1 && p->llBackedUpBytes > 65536 * 4)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(p, b->GetBackupProgressInfo()); // one address for the backuper's life
    EXPECT_EQ((src.dir + "/2.MTS").toStdString(), std::string(p->szCurrentFile));
    EXPECT_EQ(65536LL * 44 + 100, p->llTotalBytes);
    ASSERT_EQ(1, b->PauseBackup());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const int readsWhilePaused = g_slowReads.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(readsWhilePaused, g_slowReads.load());
    EXPECT_EQ(BACKUP_STATE_RUNNING, b->GetState());
    ASSERT_EQ(1, b->ContinueBackup());
    // A paused run looks at its flags every 500 ms.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_GT(g_slowReads.load(), readsWhilePaused);
    // Stop while paused ends the run.
    ASSERT_EQ(1, b->PauseBackup());
    ASSERT_EQ(1, b->StopBackup());
    ASSERT_TRUE(WaitEnded(b.b, 5000));
    SetBackupFileIo(nullptr);
    EXPECT_EQ(BACKUP_STATE_STOPPED, b->GetState());
    EXPECT_EQ(QStringList{"1.MTS"}, Succeeded(b.b));
    EXPECT_FALSE(QFile::exists(dst.dir + "/2.MTS")); // the partial copy is deleted
    EXPECT_FALSE(QFile::exists(dst.dir + "/3.MTS"));
}

TEST(BackupFile, LongSourcePathIsCutInTheRecord)
{
    Folder src, dst;
    QString deep = src.dir;
    for (int i = 0; i < 10; ++i)
        deep += QString::fromUtf8("/ordner_mit_langem_namen_\xC3\xA4\xC3\xB6_") + QString::number(i);
    WriteFile(deep + "/clip.MTS", Pattern(10, 9));
    Backuper b;
    ASSERT_EQ(1, b->SetBackupDestPath(dst.dir.toUtf8().constData()));
    ASSERT_EQ(1, b->AddBackupFile((deep + "/clip.MTS").toUtf8().constData()));
    ASSERT_EQ(1, b->StartBackupFiles());
    ASSERT_TRUE(WaitEnded(b.b));
    const BackupProgressInfo* p = b->GetBackupProgressInfo();
    const std::string shown(p->szCurrentFile);
    EXPECT_LE(shown.size(), 259u);
    EXPECT_EQ(0u, (deep + "/clip.MTS").toStdString().find(shown));
    EXPECT_TRUE(QString::fromUtf8(shown.c_str()).toUtf8().toStdString() == shown); // whole characters only
    EXPECT_EQ(QStringList{"clip.MTS"}, Succeeded(b.b));
}
