#pragma once

// DVD and Blu-ray authoring from a disc project file.

#include <cstdint>

namespace Moorland {

// Progress of a disc task, owned by the creator.
struct DiscCreatorStatus
{
    int32_t state;        // 0 idle, 1 running, 2 finished, 3 failed, 4 cancelled
    int32_t phase;
    double percent;
    int32_t errorCode;
    char errorText[256];
};

class IDiscCreator
{
public:
    virtual bool LoadProjectFile(const char* path) = 0;
    virtual bool StartTask() = 0;
    virtual bool CancelTask() = 0;
    virtual const DiscCreatorStatus* GetTaskStatus() = 0;
    virtual void Release() = 0;

protected:
    virtual ~IDiscCreator() = default;
};

} // namespace Moorland
