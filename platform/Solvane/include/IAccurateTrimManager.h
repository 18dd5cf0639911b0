#pragma once

// Frame-exact cutting of one job, driven by the job record itself.

namespace Moorland {

struct ConvertTaskInfo2;

class IAccurateTrimManager
{
public:
    virtual bool OpenFile() = 0;
    virtual bool WriteFile(ConvertTaskInfo2* record) = 0;
    virtual bool CloseFile() = 0;
    virtual bool SetTaskInfo(ConvertTaskInfo2* record) = 0;
    virtual void Release() = 0;

protected:
    virtual ~IAccurateTrimManager() = default;
};

} // namespace Moorland
