#pragma once

// The exports of the error and log service (libBasilvo.so, also compiled into
// the QuickTime plug-in). Plain C symbol names.

#include "../IQuentaException.h"

class IQuentaLogger;

#if defined(BASILVO_BUILDING)
#define BASILVO_EXPORT __attribute__((visibility("default")))
#else
#define BASILVO_EXPORT
#endif

extern "C" {
// The calling thread's last-error record, created on first use. Never null.
BASILVO_EXPORT IQuentaException* GetQuentaException();
// Destroys the calling thread's record, if any.
BASILVO_EXPORT void ReleaseQuentaException();
// The process-wide logger.
BASILVO_EXPORT IQuentaLogger* GetQuentaLogger();
}
