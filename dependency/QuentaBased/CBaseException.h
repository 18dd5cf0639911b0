#pragma once

#include "IQuentaException.h"

#include <exception>
#include <string>
#include <utility>

// The foundation's error codes; each site's message is fixed where it throws.
enum QuentaErrorCode : int {
    QB_ERR_INDEX = 10021000,         // list index out of range
    QB_ERR_BAD_POINTER = 10021003,   // null pointer argument
    QB_ERR_NOT_FOUND = 10021005,     // object missing, environment and directory failures
    QB_ERR_NO_MEMORY = 10021007,     // "No enough memory"
    QB_ERR_UNEXPECTED = 10021008,    // "Unexpected error", "Unknown exception"
    QB_ERR_BAD_PARAM = 10021010,     // "Bad param"
    QB_ERR_SOURCE_EMPTY = 10021011,  // "Soure Stream is empty"
    QB_ERR_DEST_SMALL = 10021012,    // "Dest buffer is not enough"
    QB_ERR_FILE_IO = 10021013,       // file input/output failure
    QB_ERR_STD_EXCEPTION = 10021015, // a standard exception's what()
    QB_ERR_END_OF_DATA = 10021016,   // "End of file"
    QB_ERR_MEDIA = 10021017,         // media or device not as expected
    QB_ERR_PROCESS_STATE = 10021019, // child process in the wrong state
};

// The one exception type of the system. Thrown by value, caught by reference;
// also the base of the per-thread last-error record.
class CBaseException : public IQuentaException
{
public:
    CBaseException(int code, const char* msg, int line, const char* file);
    CBaseException(int code, const std::string& msg, int line, const char* file)
        : CBaseException(code, msg.c_str(), line, file)
    {}
    // Builds a record from another one, e.g. to throw the thread's recorded error on.
    explicit CBaseException(IQuentaException* src);

    CBaseException(const CBaseException&) = default;
    CBaseException& operator=(const CBaseException&) = default;
    CBaseException(CBaseException&&) = default;
    CBaseException& operator=(CBaseException&&) = default;
    ~CBaseException() = default;

    int GetCode() const { return m_code; }
    const char* GetMsg() const { return m_msg.c_str(); }

    int GetExceptionCode() const override { return m_code; }
    const char* GetExceptionMsg() const override { return m_msg.c_str(); }
    const char* GetExceptionSource(int* line) const override;
    void SetException(int code, const char* msg, int line, const char* file) override;
    void Clear() override;
    void Copy(IQuentaException* src) override;

private:
    int m_code = 0;
    std::string m_msg;
    int m_line = -1;
    std::string m_file;
};

namespace QuentaBased {

// "<op text>: errno: <n> <strerror(n)>": the message of an operating-system failure.
std::string ErrnoMessage(const std::string& opText, int err);

// The boundary of a public operation: records the exception that is being
// handled into the calling thread's last-error record. Call only inside a
// catch block. A CBaseException is copied (and so logged); a std::exception
// becomes 10021015 with its text; anything else 10021008 "Unknown exception".
void RecordCurrentException(int line, const char* file) noexcept;

// Runs `body` at an operation's boundary: its result, or `failValue` after the
// exception was recorded.
template <typename R, typename F> R CallGuarded(R failValue, int line, const char* file, F&& body) noexcept
{
    try {
        return std::forward<F>(body)();
    } catch (...) {
        RecordCurrentException(line, file);
    }
    return failValue;
}

// For void operations: true when `body` completed, false after recording.
template <typename F> bool CallGuardedVoid(int line, const char* file, F&& body) noexcept
{
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        RecordCurrentException(line, file);
    }
    return false;
}

// Throws a CBaseException built from the calling thread's last-error record.
[[noreturn]] void ThrowLastError();

} // namespace QuentaBased

#define QB_THROW(code, msg) throw CBaseException((code), (msg), __LINE__, __FILE__)
#define QB_THROW_ERRNO(code, opText, err)                                                                              \
    throw CBaseException((code), ::QuentaBased::ErrnoMessage((opText), (err)), __LINE__, __FILE__)
// QB_GUARDED(-1, { ...; return n; }) — the whole boundary of an operation in one expression.
#define QB_GUARDED(failValue, ...) ::QuentaBased::CallGuarded((failValue), __LINE__, __FILE__, [&]() __VA_ARGS__)
#define QB_GUARDED_VOID(...) ::QuentaBased::CallGuardedVoid(__LINE__, __FILE__, [&]() __VA_ARGS__)
