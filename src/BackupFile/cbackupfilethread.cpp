#include "cbackupfilethread.h"

#include "Basilvo.h"
#include "CBaseException.h"
#include "sysutils_file.h"
#include "sysutils_path.h"
#include "sysutils_string.h"
#include "utility/utility.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>

using namespace QuentaBased;

namespace {

const BackupFileIo kSystemIo = {&file_read, &file_write};
std::atomic<const BackupFileIo*> g_io{&kSystemIo};

// Nice values standing in for the round-robin priorities 16, 46, 8 and 66,
// which need privileges a desktop user does not have.
const int kNiceOfPriority[] = {0, 5, -5, 10, -10};

// The path cut to the record's 259 bytes, never inside a UTF-8 character.
void CopyCut(char (&target)[260], const std::string& text)
{
    size_t n = std::min(text.size(), sizeof target - 1);
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(target, text.data(), n);
    target[n] = 0;
}

struct FdCloser
{
    int fd;
    ~FdCloser()
    {
        if (fd >= 0)
            file_close(fd);
    }
};

} // namespace

void SetBackupFileIo(const BackupFileIo* io)
{
    g_io.store(io ? io : &kSystemIo);
}

CBackupFileThread::CBackupFileThread(BackupProgressShared* progress, std::vector<std::string> files,
                                     std::string destFolder, std::vector<std::string>& succeeded, CXMutex* lock)
    : m_progress(progress), m_files(std::move(files)), m_dest(std::move(destFolder)), m_lock(lock),
      m_succeeded(succeeded)
{}

CBackupFileThread::~CBackupFileThread()
{
    // The run uses this object's members: it must have ended first. A thread
    // still held never runs and the base class ends it.
    if (!IsSuspended())
        Wait(INFINITE);
}

bool CBackupFileThread::SetThreadPriority(int priority)
{
    if (priority < 0 || priority > 4)
        return false;
    m_nice = kNiceOfPriority[priority];
    m_setNice = priority != 0;
    return true;
}

CBackupFileThread::Outcome CBackupFileThread::copyOne(const std::string& source, char* buffer)
{
    const int in = file_open(source, 0);
    if (in < 0)
        return Outcome::Failed;
    FdCloser inCloser{in};
    std::string dest = m_dest + extract_file_name(source);
    if (file_exists(dest.c_str())) {
        if (m_policy == BACKUP_EXIST_SKIP) {
            update([](BackupProgressInfo& p) { ++p.nBackedUpFiles; });
            return Outcome::Skipped;
        }
        if (m_policy == BACKUP_EXIST_RENAME) {
            dest = makePath(dest.c_str());
        } else {
            // Overwriting the source with itself would empty it.
            struct stat a, b;
            if (::stat(source.c_str(), &a) == 0 && ::stat(dest.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
                a.st_ino == b.st_ino)
                QB_THROW(QB_ERR_FILE_IO, "The backup of " + source + " would overwrite the file itself");
        }
    }
    const int out = file_create(dest);
    if (out < 0)
        return Outcome::Failed;
    FdCloser outCloser{out};
    update([&source](BackupProgressInfo& p) { CopyCut(p.szCurrentFile, source); });
    const BackupFileIo* io = g_io.load();
    bool failed = false;
    for (;;) {
        while (m_pause && !m_stop)
            usleep(500 * 1000);
        if (m_stop) {
            file_close(out);
            outCloser.fd = -1;
            file_delete(dest);
            return Outcome::Stopped;
        }
        errno = 0;
        GetQuentaException()->Clear();
        const int got = io->read(in, buffer, kBufferSize);
        if (got < 0) {
            // The foundation's read gives -1 both at the end and on failure;
            // only its "End of file" record is the end.
            failed = GetQuentaException()->GetExceptionCode() != QB_ERR_END_OF_DATA;
            break;
        }
        int written = 0;
        while (written < got) {
            const int n = io->write(out, buffer + written, static_cast<unsigned int>(got - written));
            if (n <= 0)
                break;
            written += n;
        }
        if (written < got) {
            failed = true;
            break;
        }
        update([got](BackupProgressInfo& p) { p.llBackedUpBytes += got; });
    }
    file_close(out);
    outCloser.fd = -1;
    if (failed) {
        // A copy that lacks data must not pass for a backup.
        const CBaseException cause(GetQuentaException());
        file_delete(dest);
        throw CBaseException(QB_ERR_FILE_IO, "Backup of " + source + " failed: " + cause.GetMsg(), __LINE__, __FILE__);
    }
    m_succeeded.push_back(dest);
    update([](BackupProgressInfo& p) { ++p.nBackedUpFiles; });
    return Outcome::Copied;
}

int CBackupFileThread::Execute()
{
    m_lock->Lock(INFINITE);
    if (m_setNice)
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), m_nice);
    update([](BackupProgressInfo& p) {
        p.nState = BACKUP_STATE_RUNNING;
        p.nBackedUpFiles = 0;
    });
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBufferSize]);
    if (!buffer) {
        GetQuentaException()->SetException(QB_ERR_NO_MEMORY, "No enough memory", __LINE__, __FILE__);
        update([](BackupProgressInfo& p) { p.nState = BACKUP_STATE_FINISHED; });
        m_lock->Unlock();
        return 0;
    }
    for (const std::string& source : m_files) {
        Outcome outcome = Outcome::Failed;
        QB_GUARDED_VOID({ outcome = copyOne(source, buffer.get()); });
        if (outcome == Outcome::Stopped) {
            update([](BackupProgressInfo& p) { p.nState = BACKUP_STATE_STOPPED; });
            m_lock->Unlock();
            return 1;
        }
    }
    update([](BackupProgressInfo& p) { p.nState = BACKUP_STATE_FINISHED; });
    m_lock->Unlock();
    return 0;
}
