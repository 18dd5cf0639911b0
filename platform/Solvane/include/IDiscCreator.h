#pragma once

// DVD and Blu-ray authoring from a disc project file.

#include <cstddef>
#include <cstdint>

namespace Moorland {

// Progress of a disc task, owned by the creator. The first 16 bytes are the
// status the worker copies into the job record; the error text follows.
#pragma pack(push, 1)
struct DiscCreatorStatus
{
    uint8_t state; // job record states: 1 running, 4 failed, 5 finished
    uint8_t phase;
    uint8_t step; // within the phase
    uint8_t reserved1;
    uint16_t statusWord;
    uint16_t reserved2;
    double percent;      // 0.0 to 100.0
    char errorText[256]; // why a failed task failed, empty otherwise
};
#pragma pack(pop)
static_assert(offsetof(DiscCreatorStatus, phase) == 1, "disc status layout");
static_assert(offsetof(DiscCreatorStatus, step) == 2, "disc status layout");
static_assert(offsetof(DiscCreatorStatus, statusWord) == 4, "disc status layout");
static_assert(offsetof(DiscCreatorStatus, percent) == 8, "disc status layout");
static_assert(offsetof(DiscCreatorStatus, errorText) == 16, "disc status layout");

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
