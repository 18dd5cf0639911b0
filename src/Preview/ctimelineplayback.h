#pragma once

// What a player holds while it plays the editing timeline: a preview
// description of the timeline's clips of its own, the importer that opens
// it, the source made from it and the clip that source has reached. The
// timeline is only read; editing it never waits on, or changes, a player.
// GUI thread only, except the media manager's clip notice, which is carried
// over to the GUI thread.

#include "ProjectData/idcdataitem.h"

#include <QString>

#include <memory>

class CTimelineItem;
namespace Moorland {
class IAVImporter;
class IAVSource;
} // namespace Moorland
namespace Fablecut {
class ISourceDataItem;
}

class CTimelinePlayback : public IDCPlaySourceItem
{
public:
    explicit CTimelinePlayback(const CTimelineItem& timeline);
    ~CTimelinePlayback();

    CTimelinePlayback(const CTimelinePlayback&) = delete;
    CTimelinePlayback& operator=(const CTimelinePlayback&) = delete;

    // The picture facts are the current clip's; length and thumbnail the timeline's.
    const QImage* GetThumbnailData() const override;
    unsigned int GetPixelHeight() const override;
    unsigned int GetPixelWidth() const override;
    unsigned int GetViewHeight() const override;
    unsigned int GetViewWidth() const override;
    void* GetInterFace(const char* name) override;
    CBaseTime GetDuration() const override;
    bool Interlaced() const override;
    Moorland::IAVSource* GetAVSourse() const override { return m_source; }
    void FreeAVSource() override;
    bool NeedUpdateSource() override { return m_needUpdate; }
    // Writes the description anew from the timeline and opens it.
    bool UpdateAVSource() override;

    const CTimelineItem& Timeline() const { return m_timeline; }
    // The clip the source has reached; before it reports, the clip the
    // timeline calls current, else its first.
    Fablecut::ISourceDataItem* getCurItem() const { return m_curItem; }
    QString GetSeixFile() const { return m_seixPath; }
    // The clip a playing source has reached, by index (negative: the last).
    void OnItemChangedIndex(int index);

private:
    class ItemChanged;
    bool OpenImporter();

    const CTimelineItem& m_timeline;
    std::unique_ptr<ItemChanged> m_callBack;
    Moorland::IAVImporter* m_importer = nullptr;
    Moorland::IAVSource* m_source = nullptr;
    Fablecut::ISourceDataItem* m_curItem = nullptr;
    bool m_needUpdate = true;
    QString m_seixPath;
};
