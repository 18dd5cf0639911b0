// Built twice by the tests: as it stands it must compile; with
// LOGGER_PRIVATE_NAMES it must not, because the logger's public header may
// promise clients only what libBasilvo exports.
#include "Basilvo/QuentaLogger.h"

IQuentaLogger* Use(LogLevel level)
{
#ifdef LOGGER_PRIVATE_NAMES
    (void)loglevel_text[level];
#endif
    (void)level;
    return GetQuentaLogger();
}
