#include "CQuentaException.h"

#include "Basilvo.h"
#include "QuentaLoggerPrivate.h"

#include <pthread.h>

namespace {

void DestroyRecord(void* record)
{
    delete static_cast<CQuentaException*>(record);
}

// Owns the per-thread slot for the life of the library.
struct TLSKeyKeeper
{
    static pthread_key_t sTLSIndex;
    static bool sValid;

    TLSKeyKeeper() { sValid = pthread_key_create(&sTLSIndex, &DestroyRecord) == 0; }
    ~TLSKeyKeeper()
    {
        if (sValid)
            pthread_key_delete(sTLSIndex);
        sValid = false;
        sTLSIndex = 0;
    }
};

pthread_key_t TLSKeyKeeper::sTLSIndex = 0;
bool TLSKeyKeeper::sValid = false;

// Built before any export can be called (static initialisation of the library).
TLSKeyKeeper gTLSKeyKeeper;

} // namespace

void CQuentaException::Copy(IQuentaException* src)
{
    if (src == this)
        return;
    CBaseException::Copy(src);
    LogCopiedException(this);
}

extern "C" IQuentaException* GetQuentaException()
{
    if (!TLSKeyKeeper::sValid) {
        // Only reachable during library unload; hand out a per-thread fallback.
        static thread_local CQuentaException fallback;
        return &fallback;
    }
    auto* record = static_cast<CQuentaException*>(pthread_getspecific(TLSKeyKeeper::sTLSIndex));
    if (record == nullptr) {
        record = new CQuentaException();
        pthread_setspecific(TLSKeyKeeper::sTLSIndex, record);
    }
    return record;
}

extern "C" void ReleaseQuentaException()
{
    if (!TLSKeyKeeper::sValid)
        return;
    auto* record = static_cast<CQuentaException*>(pthread_getspecific(TLSKeyKeeper::sTLSIndex));
    if (record != nullptr) {
        pthread_setspecific(TLSKeyKeeper::sTLSIndex, nullptr);
        delete record;
    }
}
