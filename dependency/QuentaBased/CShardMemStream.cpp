#include "CShardMemStream.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "sysutils_file.h"
#include "sysutils_path.h"
#include "sysutils_string.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cstring>

namespace QuentaBased {

namespace {

// The fill pattern of the backing file, written in blocks of this size.
const unsigned char sharedData[64] = {};
const unsigned int kBlock = sizeof(sharedData);
const unsigned int kTailBlocks = 64;

// Appends `blocks` zero blocks at the descriptor's position.
void AppendZeroBlocks(int fd, unsigned long long blocks)
{
    static const unsigned char zeros[64 * 1024] = {};
    unsigned long long left = blocks * kBlock;
    while (left > 0) {
        const unsigned int chunk = left < sizeof(zeros) ? static_cast<unsigned int>(left) : sizeof(zeros);
        const int written = file_write(fd, zeros, chunk);
        if (written <= 0)
            ThrowLastError(); // a short file would fault the mapping later
        left -= static_cast<unsigned int>(written);
    }
}

// Closes the descriptor even when the work in between throws.
class ScopedFd
{
public:
    explicit ScopedFd(int fd) : m_fd(fd) {}
    ~ScopedFd()
    {
        if (m_fd >= 0)
            file_close(m_fd);
    }
    int get() const { return m_fd; }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;

private:
    int m_fd;
};

std::string ProgramFolderFile(const std::string& name)
{
    return include_path_backslash(extract_file_path(get_executable_path()).c_str()) + extract_file_name(name);
}

} // namespace

CShardMemStream::CShardMemStream(const char* name, unsigned int size, SharedMemMode mode) : m_name(name ? name : "")
{
    QB_GUARDED_VOID({
        if (m_name.empty() || size == 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_size = size;
        if (mode == smCreate)
            CreateSharedMem();
        else if (mode == smOpen)
            OpenSharedMem();
        else
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_position = 0;
        m_valid = true;
    });
    if (!m_valid) {
        // Closed directly: file_close would clear the error just recorded.
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
        m_size = 0;
    }
}

CShardMemStream::~CShardMemStream()
{
    if (m_view != nullptr)
        munmap(m_view, m_size);
    m_view = nullptr;
    if (m_fd >= 0)
        file_close(m_fd);
    m_fd = -1;
}

void CShardMemStream::CreateSharedMem()
{
    std::string path = m_name;
    if (!file_exists(m_name.c_str())) {
        const int fd = file_create(m_name);
        if (fd >= 0) {
            ScopedFd file(fd);
            // At least the size, in whole blocks, plus a 4 KiB tail.
            AppendZeroBlocks(file.get(), static_cast<unsigned long long>(m_size / kBlock) + kTailBlocks);
        } else {
            path = ProgramFolderFile(m_name);
            if (!file_exists(path.c_str()))
                QB_THROW(QB_ERR_UNEXPECTED, "create file failed and read execute file path shard data failed too");
        }
    } else {
        ScopedFd file(file_open(m_name, 2));
        if (file.get() < 0)
            QB_THROW(QB_ERR_UNEXPECTED, "file open failed");
        const long long length = file_seek(file.get(), 0, 2);
        if (length < 0)
            ThrowLastError();
        if (length < static_cast<long long>(m_size))
            AppendZeroBlocks(file.get(), (m_size - static_cast<unsigned long long>(length)) / kBlock + 1);
    }
    m_filePath = path;

    m_fd = file_open(path, 2);
    if (m_fd < 0)
        QB_THROW(QB_ERR_UNEXPECTED, "can't open shared file");
    MapView();
}

void CShardMemStream::OpenSharedMem()
{
    m_fd = file_open(m_name, 2);
    if (m_fd < 0) {
        m_fd = file_open(ProgramFolderFile(m_name), 2);
        if (m_fd < 0)
            QB_THROW(QB_ERR_UNEXPECTED, "can't open sharedData");
    }
    MapView();
}

void CShardMemStream::MapView()
{
    // A mapping that reaches past the end of its file faults on access, so a
    // backing file shorter than the region is refused.
    struct stat st;
    if (fstat(m_fd, &st) != 0 || st.st_size < static_cast<off_t>(m_size))
        QB_THROW(QB_ERR_UNEXPECTED, "mmap file failed");
    void* view = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (view == MAP_FAILED)
        QB_THROW(QB_ERR_UNEXPECTED, "mmap file failed");
    m_view = view;
}

bool CShardMemStream::Fits(unsigned long long count) const
{
    return m_valid && static_cast<unsigned long long>(m_position) + count <= m_size;
}

long long CShardMemStream::GetPosition()
{
    return m_position;
}

long long CShardMemStream::SetPosition(long long position)
{
    if (!m_valid || position < 0 || position > static_cast<long long>(m_size))
        return -1;
    m_position = static_cast<unsigned int>(position);
    return position;
}

long long CShardMemStream::GetSize()
{
    return m_size;
}

bool CShardMemStream::SetSize(long long)
{
    return false;
}

unsigned int CShardMemStream::Read(void* buffer, unsigned int count)
{
    return QB_GUARDED(static_cast<unsigned int>(-1), {
        if (!m_valid || m_position >= m_size || !Fits(count))
            return static_cast<unsigned int>(-1);
        if (buffer == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::memcpy(buffer, static_cast<const unsigned char*>(m_view) + m_position, count);
        m_position += count;
        return count;
    });
}

unsigned int CShardMemStream::Write(const void* buffer, unsigned int count)
{
    return QB_GUARDED(static_cast<unsigned int>(-1), {
        if (!m_valid || m_position >= m_size || !Fits(count))
            return static_cast<unsigned int>(-1);
        if (buffer == nullptr)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::memcpy(static_cast<unsigned char*>(m_view) + m_position, buffer, count);
        m_position += count;
        return count;
    });
}

long long CShardMemStream::Seek(long long offset, SeekOrigin origin)
{
    return QB_GUARDED(-1LL, {
        if (!m_valid)
            return -1LL;
        long long base;
        switch (origin) {
        case soFromBeginning: base = 0; break;
        case soFromCurrent: base = static_cast<long long>(m_position); break;
        case soFromEnd: base = static_cast<long long>(m_size); break;
        default: QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
        }
        // The sum is checked: an offset near the type's limit would wrap.
        long long target;
        if (__builtin_add_overflow(base, offset, &target) || target < 0 || target > static_cast<long long>(m_size))
            QB_THROW(QB_ERR_END_OF_DATA, "Position can't large than end");
        m_position = static_cast<unsigned int>(target);
        return target;
    });
}

long long CShardMemStream::CopyFrom(IQuentaStream*, long long)
{
    return QB_GUARDED(0LL, {
        QB_THROW(QB_ERR_UNEXPECTED, "CShardMemStream::CopyFrom not implement");
        return 0LL;
    });
}

bool CShardMemStream::IsStream()
{
    return false;
}

bool CShardMemStream::Eof()
{
    return m_position == m_size;
}

void CShardMemStream::Free()
{
    GetQuentaException()->Clear();
    delete this;
}

void* CShardMemStream::GetPointer(unsigned int n)
{
    if (!Fits(n))
        return nullptr;
    void* at = static_cast<unsigned char*>(m_view) + m_position;
    m_position += n;
    return at;
}

void* CShardMemStream::MallocMem(unsigned int n)
{
    return GetPointer(n);
}

bool CShardMemStream::DeleteSharedFile()
{
    return file_delete(m_filePath);
}

} // namespace QuentaBased
