#include "CBaseException.h"

#include "Basilvo/Basilvo.h"

#include <cstring>

CBaseException::CBaseException(int code, const char* msg, int line, const char* file)
    : m_code(code), m_msg(msg ? msg : ""), m_line(line), m_file(file ? file : "")
{}

CBaseException::CBaseException(IQuentaException* src)
{
    int line = -1;
    const char* file = src->GetExceptionSource(&line);
    const char* msg = src->GetExceptionMsg();
    m_code = src->GetExceptionCode();
    m_msg = msg ? msg : "";
    m_line = line;
    m_file = file ? file : "";
}

const char* CBaseException::GetExceptionSource(int* line) const
{
    *line = m_line;
    return m_file.c_str();
}

void CBaseException::SetException(int code, const char* msg, int line, const char* file)
{
    m_code = code;
    m_msg = msg ? msg : "";
    m_line = line;
    m_file = file ? file : "";
}

void CBaseException::Clear()
{
    m_code = 0;
    m_msg.clear();
}

void CBaseException::Copy(IQuentaException* src)
{
    if (src == nullptr || src == this)
        return;
    int line = -1;
    const char* srcFile = src->GetExceptionSource(&line);
    // Own copy first: `src` may hand out texts that our SetException would overwrite.
    const std::string file = srcFile ? srcFile : "";
    const char* srcMsg = src->GetExceptionMsg();
    const std::string msg = srcMsg ? srcMsg : "";
    const int code = src->GetExceptionCode();
    static_cast<IQuentaException*>(this)->SetException(code, msg.c_str(), line, file.c_str());
}

namespace QuentaBased {

std::string ErrnoMessage(const std::string& opText, int err)
{
    char buf[256];
    // GNU strerror_r may return a static text instead of filling buf.
    const char* text = strerror_r(err, buf, sizeof(buf));
    return opText + ": errno: " + std::to_string(err) + " " + (text ? text : "");
}

void RecordCurrentException(int line, const char* file) noexcept
{
    try {
        IQuentaException* record = GetQuentaException();
        try {
            throw;
        } catch (CBaseException& e) {
            record->Copy(&e);
        } catch (std::exception& e) {
            record->SetException(QB_ERR_STD_EXCEPTION, e.what(), line, file);
        } catch (...) {
            record->SetException(QB_ERR_UNEXPECTED, "Unknown exception", line, file);
        }
    } catch (...) {
        // Out of memory while recording: nothing more can be done here.
    }
}

void ThrowLastError()
{
    throw CBaseException(GetQuentaException());
}

} // namespace QuentaBased
