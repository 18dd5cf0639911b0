#pragma once

#include "Basilvo.h"

class IQuentaStream;

enum LogLevel {
    LOG_DEBUG = 0,
    LOG_INFO = 1,
    LOG_WARN = 2,
    LOG_EXP = 3,
    LOG_ERROR = 4,
    LOG_FATAL = 5,
};

// The process-wide text logger, reached through GetQuentaLogger(). Never
// deleted through this interface.
class IQuentaLogger
{
public:
    virtual bool SetLogFile(const char* path, bool append) = 0;
    virtual const char* GetLogFile() = 0;
    virtual bool SetLogStream(IQuentaStream* stream) = 0;
    virtual IQuentaStream* GetLogStream() = 0;
    virtual void EnableLog(bool on) = 0;
    virtual void EnableExpLog(bool on) = 0;
    virtual bool IsExpLogEnabled() = 0;
    virtual void Log(LogLevel level, const char* from, const char* msg, const unsigned char* bin, unsigned int len) = 0;
    virtual bool IsLogging(unsigned int* thread) = 0;

protected:
    ~IQuentaLogger() = default;
};
