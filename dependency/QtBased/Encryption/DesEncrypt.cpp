#include "DesEncrypt.h"

#include "CBaseException.h"

#include <cstring>
#include <exception>

void DesEncrypt::process(const char* data, int length, bool encrypt)
{
    if (data == nullptr)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    if (length < 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    try {
        const std::string output = des_enc(m_key, std::string(data, static_cast<size_t>(length)), encrypt);
        // Resize first: on failure the previous result must not be half overwritten.
        m_result.Realloc(output.size());
        std::memset(m_result.data, 0, m_result.size);
        std::memcpy(m_result.data, output.data(), output.size());
    } catch (CBaseException&) {
        throw;
    } catch (std::exception& e) {
        QB_THROW(QB_ERR_STD_EXCEPTION, e.what());
    } catch (...) {
        QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
    }
}
