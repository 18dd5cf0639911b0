#pragma once

// Frame processors and audio effects the media manager makes by name, and the
// compositing layer interface "IAVComposite" of the processor "VideoComposite".

#include <cstddef>
#include <cstdint>

namespace Moorland {

class IRawVideoFrame;
class IRawAudioFrame;

// Where a processor applies (x, y); the rest stays zero.
struct ProcessParams
{
    int16_t x;
    int16_t y;
    uint8_t reserved[12];
};
static_assert(sizeof(ProcessParams) == 16, "processor parameters are 16 bytes");

// One layer of the compositor; zero except the fields named.
#pragma pack(push, 4)
struct CompositeLayerInfo
{
    int32_t reserved0;
    int32_t identifier; // offset 4: -1
    int32_t reserved8;
    int32_t sourceKind; // offset 12: 0 image file, 1 markup source
    int32_t reserved16;
    int16_t x; // offset 20
    int16_t y; // offset 22
    int32_t reserved24;
    int32_t kind;   // offset 28: 3
    int16_t width;  // offset 32: -1 for the markup layer
    int16_t height; // offset 34
    uint8_t reserved36[1084 - 36];
};
#pragma pack(pop)
static_assert(sizeof(CompositeLayerInfo) == 1084, "layer record is 1084 bytes");
static_assert(offsetof(CompositeLayerInfo, identifier) == 4, "layer record layout");
static_assert(offsetof(CompositeLayerInfo, sourceKind) == 12, "layer record layout");
static_assert(offsetof(CompositeLayerInfo, x) == 20, "layer record layout");
static_assert(offsetof(CompositeLayerInfo, kind) == 28, "layer record layout");
static_assert(offsetof(CompositeLayerInfo, width) == 32, "layer record layout");

// Flags of ProcessFrame: 0 for effects, the top bit for composites.
const uint32_t ProcessFlagComposite = 0x80000000u;

class IVideoProcessor
{
public:
    virtual void* QueryInterface(const char* name) = 0;
    virtual void Release() = 0;
    virtual bool SetParameter(const char* name, const char* value) = 0;
    virtual void SetTimePosition(int32_t ms) = 0;
    // A new frame; whoever receives it releases it with Free.
    virtual IRawVideoFrame* ProcessFrame(ProcessParams* params, uint32_t flags, IRawVideoFrame* frame) = 0;
    virtual bool ProcessFrameInPlace(ProcessParams* params, uint32_t flags, IRawVideoFrame* frame) = 0;

protected:
    virtual ~IVideoProcessor() = default;
};

class IAudioEffect
{
public:
    virtual void Release() = 0;
    virtual bool SetParameter(const char* name, const char* value) = 0;
    virtual void SetTimePosition(int64_t time100ns) = 0;
    virtual IRawAudioFrame* ProcessFrame(IRawAudioFrame* frame) = 0;
    virtual bool ProcessFrameInPlace(IRawAudioFrame* frame) = 0;

protected:
    virtual ~IAudioEffect() = default;
};

class IAVLayerObject
{
public:
    virtual void* QueryInterface(const char* name) = 0;

protected:
    virtual ~IAVLayerObject() = default;
};

class IAVComposite
{
public:
    virtual void* AddLayer(const char* sourceAddress, CompositeLayerInfo* info) = 0;
    virtual bool RemoveLayer(void* layer) = 0;
    virtual bool GetLayerInfo(void* layer, CompositeLayerInfo* info) = 0;
    virtual bool SetLayerInfo(void* layer, CompositeLayerInfo* info) = 0;
    virtual IAVLayerObject* GetLayerObject(void* layer) = 0;
    virtual bool UpdateLayer(void* layer) = 0;

protected:
    virtual ~IAVComposite() = default;
};

// "ISimpleHTMLRender" of the sources of "SimpleHTMLTextImporter".
class ISimpleHTMLRender
{
public:
    virtual bool SetHTML(const char* markup) = 0;

protected:
    virtual ~ISimpleHTMLRender() = default;
};

} // namespace Moorland
