#include "QuentaLoggerPrivate.h"

#include "CQuentaException.h"
#include "../quenta_base_streams.h"
#include "../sysutils.h"

#include <ctime>
#include <unistd.h>

using namespace QuentaBased;

const char* const loglevel_text[6] = {"DEBUG", "INFO ", "WARN ", "EXP  ", "ERROR", "FATAL"};

namespace {

constexpr unsigned int kMaxDumpBytes = 1024;
constexpr unsigned short kCreateMode = 0xFFFF;
constexpr unsigned short kWriteMode = 0x21;

// Set while this thread hands a line to the stream: whatever that write
// records or logs on this thread must not come back into Log.
thread_local bool tWritingLine = false;

// False once the logger is gone (library unload), so late error copies skip it.
std::atomic<bool> gLoggerAlive{false};

std::string DumpText(const unsigned char* bin, unsigned int len)
{
    if (len > kMaxDumpBytes)
        len = kMaxDumpBytes;
    if (len == 0 || bin == nullptr)
        return "NULL";
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(static_cast<size_t>(len) * 4);
    for (unsigned int i = 0; i < len; ++i) {
        text += digits[bin[i] >> 4];
        text += digits[bin[i] & 0x0F];
        text += ' ';
    }
    return text;
}

std::string TimeText()
{
    const time_t now = time(nullptr);
    struct tm local;
    char buffer[64] = {};
    if (localtime_r(&now, &local) == nullptr || asctime_r(&local, buffer) == nullptr)
        return std::string();
    return Trim(buffer, " \r\n");
}

} // namespace

CQuentaLogger gQuentaLogger;

std::string ConvertToLogText(const std::string& text)
{
    return StrReplace(StrReplace(text, "\n", "\\n"), "\r", "\\r");
}

CQuentaLogger::CQuentaLogger()
{
    gLoggerAlive = true;
}

CQuentaLogger::~CQuentaLogger()
{
    gLoggerAlive = false;
}

unsigned int CQuentaLogger::CurrentThreadId()
{
    return static_cast<unsigned int>(gettid());
}

bool CQuentaLogger::SetLogFile(const char* path, bool append)
{
    if (path == nullptr || m_stream.load() != nullptr)
        return false;
    try {
        m_mutex.Lock(INFINITE);
        struct Unlock
        {
            CXMutex& m;
            ~Unlock() { m.Unlock(); }
        } unlock{m_mutex};
        if (m_stream.load() != nullptr)
            return false;
        CFileStream* stream = nullptr;
        if (append && file_exists(path)) {
            stream = new CFileStream(path, kWriteMode);
            stream->Seek(0, soFromEnd);
        } else {
            (new CFileStream(path, kCreateMode))->Free();
            stream = new CFileStream(path, kWriteMode);
        }
        m_logFile = path;
        m_stream = stream;
        return true;
    } catch (...) {
        return false;
    }
}

const char* CQuentaLogger::GetLogFile()
{
    return m_logFile.empty() ? nullptr : m_logFile.c_str();
}

bool CQuentaLogger::SetLogStream(IQuentaStream* stream)
{
    if (stream == nullptr)
        return false;
    IQuentaStream* expected = nullptr;
    return m_stream.compare_exchange_strong(expected, stream);
}

IQuentaStream* CQuentaLogger::GetLogStream()
{
    return m_stream.load();
}

void CQuentaLogger::EnableLog(bool on)
{
    m_logEnabled = on;
}

void CQuentaLogger::EnableExpLog(bool on)
{
    m_expLogEnabled = on;
}

bool CQuentaLogger::IsExpLogEnabled()
{
    return m_expLogEnabled;
}

void CQuentaLogger::Log(LogLevel level, const char* from, const char* msg, const unsigned char* bin, unsigned int len)
{
    const int lv = static_cast<int>(level);
    IQuentaStream* stream = m_stream.load();
    if (!m_logEnabled || (lv == LOG_EXP && !m_expLogEnabled) || stream == nullptr || lv < 0 || lv > 5)
        return;
    if (tWritingLine)
        return;
    try {
        const std::string source = ConvertToLogText(from ? from : "NULL");
        const std::string message = ConvertToLogText(msg ? msg : "NULL");
        const std::string dump = DumpText(bin, len);
        const unsigned int thread = CurrentThreadId();

        if (!m_mutex.Lock(INFINITE))
            return;
        struct Writing
        {
            CQuentaLogger& self;
            ~Writing()
            {
                tWritingLine = false;
                self.m_writing = false;
                self.m_mutex.Unlock();
            }
        } writing{*this};

        const std::string line = "[TM=" + TimeText() + "] [TH=" + std::to_string(thread) +
                                 "] [LV=" + loglevel_text[lv] + "] [FR=" + source + "] [MG=" + message +
                                 "] [BN=" + dump + "]\r\n";
        m_writingThread = thread;
        m_writing = true;
        tWritingLine = true;
        stream->Write(line.data(), static_cast<unsigned int>(line.size()));
    } catch (...) {
        // A line that cannot be built or written is lost, never thrown.
    }
}

bool CQuentaLogger::IsLogging(unsigned int* thread)
{
    if (thread != nullptr)
        *thread = m_writingThread;
    return m_writing;
}

void LogCopiedException(CQuentaException* record)
{
    if (record == nullptr || !gLoggerAlive)
        return;
    try {
        if (!gQuentaLogger.IsExpLogEnabled())
            return;
        unsigned int writer = 0;
        if (gQuentaLogger.IsLogging(&writer) && writer == CQuentaLogger::CurrentThreadId())
            return;
        int line = -1;
        const char* file = record->GetExceptionSource(&line);
        const std::string from = std::string("File: ") + (file ? file : "") + " Line: " + IntToStr(line);
        gQuentaLogger.Log(LOG_EXP, from.c_str(), record->GetExceptionMsg(), nullptr, 0);
    } catch (...) {
        // Logging an error must never raise another.
    }
}

extern "C" IQuentaLogger* GetQuentaLogger()
{
    return &gQuentaLogger;
}
