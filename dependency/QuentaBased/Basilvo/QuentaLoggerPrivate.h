#pragma once

// Inside libBasilvo only: the logger behind GetQuentaLogger() and the helpers
// the last-error records use. None of these names leave the library, so
// clients see only the interface in QuentaLogger.h.

#include "QuentaLogger.h"
#include "../CXMutex.h"

#include <atomic>
#include <string>

class CQuentaException;

// The five-character level texts, indexed by LogLevel.
extern const char* const loglevel_text[6];

// The logger behind GetQuentaLogger(): one line per Log call, written whole
// under a mutex. The stream, once set, stays for the rest of the process and
// is never freed or closed here (other clean-up may still log).
class CQuentaLogger : public IQuentaLogger
{
public:
    CQuentaLogger();
    ~CQuentaLogger();

    // Opens the file write-only; without `append` (or when it is missing) it
    // starts empty. False when a stream is already set or the file cannot be opened.
    bool SetLogFile(const char* path, bool append) override;
    const char* GetLogFile() override;
    bool SetLogStream(IQuentaStream* stream) override;
    IQuentaStream* GetLogStream() override;
    void EnableLog(bool on) override;
    void EnableExpLog(bool on) override;
    bool IsExpLogEnabled() override;
    // "[TM=..] [TH=..] [LV=..] [FR=..] [MG=..] [BN=..]\r\n". Never throws; a
    // line that cannot be written is lost.
    void Log(LogLevel level, const char* from, const char* msg, const unsigned char* bin, unsigned int len) override;
    bool IsLogging(unsigned int* thread) override;

    // The writer's identifier in log lines: the kernel thread id.
    static unsigned int CurrentThreadId();

private:
    std::string m_logFile;
    std::atomic<IQuentaStream*> m_stream{nullptr};
    std::atomic<bool> m_logEnabled{true};
    std::atomic<bool> m_expLogEnabled{true};
    std::atomic<bool> m_writing{false};
    std::atomic<unsigned int> m_writingThread{0};
    QuentaBased::CXMutex m_mutex;
};

// Line feeds and carriage returns as the two characters "\\n" and "\\r".
std::string ConvertToLogText(const std::string& text);

// The logging half of a last-error record's Copy: one EXP line for the copied
// error, unless exception logging is off or this very thread is writing a line.
void LogCopiedException(CQuentaException* record);
