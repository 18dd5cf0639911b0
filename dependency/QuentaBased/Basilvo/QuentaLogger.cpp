// Placeholder until the logger lands: keeps Basilvo linkable.
#include "QuentaLogger.h"
#include "CQuentaException.h"

void LogCopiedException(CQuentaException*) {}

extern "C" IQuentaLogger* GetQuentaLogger()
{
    return nullptr;
}
