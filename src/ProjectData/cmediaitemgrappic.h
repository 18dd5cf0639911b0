#pragma once

// Pictures of a clip at its trim start: the library thumbnail at import, a new
// thumbnail when a timeline clip's trim start moves, or an image file.

#include "cdcmoorlangrappic.h"

#include <QImage>

#include <string>

class CEffectsProc;

namespace Moorland {
class IAVManager;
class IAVSource;
class IRawVideoFrame;
} // namespace Moorland

namespace Fablecut {
class CMediaSourceItem;
}

// The size a grab is made at: with bKeepAspect and a known display size (else
// pixel size), bByHeight keeps the height and derives the width, otherwise the
// width is kept and the height derived.
void DCGrapTargetSize(const Fablecut::CMediaSourceItem* pItem, int& width, int& height, bool bKeepAspect,
                      bool bByHeight);

// Grabs through the clip's own playable source, renewed for the grab and freed
// afterwards. A clip that already holds a source (a player has it) is refused
// with 10021010 and its source is left alone. False with the reason recorded.
bool GrapMediaItemPic(Fablecut::CMediaSourceItem* pItem, int nOffsetMs, QImage& image, int width, int height,
                      bool bKeepAspect, bool bByHeight);
bool GrapMediaItemPic(Fablecut::CMediaSourceItem* pItem, int nOffsetMs, std::string path, DCImageFormatType format,
                      int width, int height, bool bKeepAspect, bool bByHeight);

// Grabs through a video-only source of its own, optionally running the clip's
// picture settings over the frame and cutting it to the clip's crop.
class CDCMediaItemPicGrapper
{
public:
    CDCMediaItemPicGrapper(Moorland::IAVManager* pManager, Fablecut::CMediaSourceItem* pItem);
    ~CDCMediaItemPicGrapper();

    CDCMediaItemPicGrapper(const CDCMediaItemPicGrapper&) = delete;
    CDCMediaItemPicGrapper& operator=(const CDCMediaItemPicGrapper&) = delete;

    void SetEnableEffect(bool bEnable) { m_effectsOn = bEnable; }
    void SetEnableCrop(bool bEnable) { m_cropOn = bEnable; }
    // False with the reason recorded; the grabber keeps its source either way.
    bool GrapPic(QImage& image, int width, int height, bool bKeepAspect, bool bByHeight);
    bool GrapPic(std::string path, DCImageFormatType format, int width, int height, bool bKeepAspect, bool bByHeight);
    void ProcEffect(Moorland::IRawVideoFrame*& frame);
    void ReleaseAVSource();

private:
    template <typename Grab> bool GrabWith(int width, int height, bool bKeepAspect, bool bByHeight, Grab&& grab);

    Moorland::IAVManager* m_manager;
    CEffectsProc* m_effects = nullptr;
    Fablecut::CMediaSourceItem* m_item;
    bool m_effectsOn = false;
    bool m_cropOn = false;
    Moorland::IAVSource* m_source = nullptr;
};
