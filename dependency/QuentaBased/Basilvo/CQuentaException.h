#pragma once

#include "../CBaseException.h"

// A thread's last-error record. Copying an error into it also writes an EXP
// line through the process-wide logger; SetException and Clear never log.
class CQuentaException final : public CBaseException
{
public:
    CQuentaException() : CBaseException(0, "", -1, "") {}
    void Copy(IQuentaException* src) override;
};
