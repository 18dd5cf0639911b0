#include "CSimpleHTMLTextImporter.h"

#include "CSimpleHTMLRender.h"

#include <cstring>

namespace Solvane {

const char* const CSimpleHTMLTextImporter::kName = "SimpleHTMLTextImporter";

namespace {

class CSimpleHTMLTextSource final : public Moorland::IAVSource
{
public:
    void* GetInterface(const char* name) override
    {
        if (name && strcmp(name, "ISimpleHTMLRender") == 0)
            return static_cast<Moorland::ISimpleHTMLRender*>(&m_render);
        return nullptr;
    }
    bool Seek(uint32_t) override { return true; }
    uint32_t GetDuration() override { return 0; }
    int GetVideoStreamID() override { return 0; }
    int GetAudioStreamID() override { return -1; }
    uint32_t GetPosition() override { return 0; }
    bool ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other, int) override
    {
        if (audio)
            *audio = nullptr;
        if (other)
            *other = nullptr;
        CEditVideoFrame* picture = m_render.Picture();
        if (video)
            *video = picture;
        return picture != nullptr;
    }
    bool IsEndOfStream() override { return false; }
    void Release() override { delete this; }

private:
    CSimpleHTMLRender m_render;
};

} // namespace

const Moorland::ImporterInfo* CSimpleHTMLTextImporter::GetInfo()
{
    static const Moorland::ImporterInfo info{sizeof(Moorland::ImporterInfo), kName, "Text markup"};
    return &info;
}

Moorland::IAVSource* CSimpleHTMLTextImporter::CreateSource(int, int, int)
{
    return new CSimpleHTMLTextSource;
}

} // namespace Solvane
