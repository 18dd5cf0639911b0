#pragma once

// The editing timeline: one track of clip copies played one after another.
// Its clips are described, with their trims and edit settings, in an edit
// description (".seix") that the output tasks hand to the conversion engine.
// It holds no source of its own: a player reads it and keeps what it plays
// (the description it opens, the importer, the source and the clip reached)
// itself. GUI thread only.

#include "idcdataitem.h"
#include "isourcedataitem.h"

#include <QImage>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace Moorland {
class IAVManager;
class IAVImporter;
class IAVSource;
class ISimpleEditTimeLine;
} // namespace Moorland

class CTimelineItem;

// Inserts before the element at the index; a negative index or the size
// appends; a larger index or a null item changes nothing.
void insert_a_to_b_by_index(int index, Fablecut::ISourceDataItem* item, std::vector<Fablecut::ISourceDataItem*>& items);

// Adds one clip of the timeline to a simple-edit timeline.
struct insert_childitem_seixinfo
{
    Moorland::ISimpleEditTimeLine* timeline;
    bool bWithEdit;
    QString blackBG;
    void operator()(Fablecut::ISourceDataItem* item) const;
};

class CTimelineItem : public IDCPlaySourceItem
{
public:
    CTimelineItem();
    ~CTimelineItem();

    CTimelineItem(const CTimelineItem&) = delete;
    CTimelineItem& operator=(const CTimelineItem&) = delete;

    // IDCDataItem / IDCPlaySourceItem: the picture facts are the current clip's.
    // The timeline makes no source: a player plays it through a playback of
    // its own, so these answer that nothing is held.
    const QImage* GetThumbnailData() const override { return &m_thumbnail; }
    unsigned int GetPixelHeight() const override;
    unsigned int GetPixelWidth() const override;
    unsigned int GetViewHeight() const override;
    unsigned int GetViewWidth() const override;
    void* GetInterFace(const char* name) override;
    // How a stand-in for the whole timeline answers an interface request:
    // as the play source itself, never as one clip's data or trim, and
    // otherwise as the clip it is at.
    static void* InterfaceOfTimeline(IDCPlaySourceItem* timeline, Fablecut::ISourceDataItem* curItem, const char* name);
    CBaseTime GetDuration() const override { return m_duration; }
    bool Interlaced() const override;
    Moorland::IAVSource* GetAVSourse() const override { return nullptr; }
    void FreeAVSource() override {}
    bool NeedUpdateSource() override { return true; }
    // False with the reason recorded.
    bool UpdateAVSource() override;

    virtual int ChildItemsCount() const { return static_cast<int>(m_items.size()); }
    virtual bool AppendItem(Fablecut::ISourceDataItem* item);
    virtual bool Move(int from, int to);
    virtual int IndexOfItem(Fablecut::ISourceDataItem* item) const;
    virtual bool deleteItemByIndex(int index);
    virtual bool deleteItemByTime(CBaseTime time);
    virtual bool deleteItem(Fablecut::ISourceDataItem* item);
    virtual bool deleteItems(std::vector<Fablecut::ISourceDataItem*> items);
    virtual bool deleteItemsByFullPath(QString path);
    virtual bool deleteItemsByFullPaths(QStringList paths);
    virtual bool SplitItemByTime(const CBaseTime& time, const QImage& thumbnail);
    virtual bool SplitItemByAccurateTime(const CBaseTime& time, const CBaseTime& exactTime, const int& frameValue,
                                         const QImage& thumbnail);
    virtual bool SetItemTrimStartPos(Fablecut::ISourceDataItem* item, const CBaseTime& time);
    virtual bool SetItemTrimEndPos(Fablecut::ISourceDataItem* item, const CBaseTime& time);
    virtual bool CloneItem(Fablecut::ISourceDataItem* item);
    virtual bool CloneItemByTime(const CBaseTime& time);
    virtual void clearAllItems();
    virtual CBaseTime GetTaskTrimDuration() const { return m_duration; }

    std::vector<Fablecut::ISourceDataItem*> GetChildItems() const { return m_items; }
    Fablecut::ISourceDataItem* getItemByIndex(int index) const;
    // The first clip whose end is at or after the time (the earlier clip at a
    // boundary); null past the end.
    Fablecut::ISourceDataItem* getItemByTime(CBaseTime time) const;
    std::vector<Fablecut::ISourceDataItem*> getItemsByFullPath(QString path) const;
    Fablecut::ISourceDataItem* getCurItem() const { return m_curItem; }
    void setCurItem(Fablecut::ISourceDataItem* item);
    void SetAVManager(Moorland::IAVManager* manager) { m_manager = manager; }
    Moorland::IAVManager* GetAVManager() const { return m_manager; }
    void SetAudioBlackBGFile(QString path) { m_blackBG = path; }
    QString GetSeixFile() const { return m_seixPath; }

    bool InsertItemByIndex(Fablecut::ISourceDataItem* item, int index);
    bool InsertItemsByIndex(QList<Fablecut::ISourceDataItem*> items, int index);
    bool InsertItemsByTime(QList<Fablecut::ISourceDataItem*> items, CBaseTime time);
    bool InsertItemByTime(Fablecut::ISourceDataItem* item, CBaseTime time);

    // Appends each clip's frame value in play order; the vector is not cleared.
    void GetFrameValueList(std::vector<int>& values) const;
    // Time-weighted means of the source bitrates; 0 for a timeline of no length.
    unsigned int GetSrcAverageAudioBitrate() const;
    unsigned int GetSrcAverageVideoBitrate() const;
    // Whether every clip can be stream-copied into one output; false with the
    // reason recorded.
    bool EnableLosslessOutput() const;

    // Rewrites the description: false writes what the players need, true
    // every edit setting (for output). Failures are recorded; the previous
    // file stays until a new one is complete.
    void UpdateSeixFile(bool bWithEdit);
    // Writes the description to a file of the caller's (an output's own
    // copy) and leaves the timeline as it is. False with the reason recorded;
    // the file there stays until a new one is complete.
    bool WriteSeixFile(const QString& path, bool bWithEdit) const;

private:
    void updateTimeInfo();
    // Where items dropped at a time go: a clip's index (before it), -1 the
    // end, -2 nowhere (only clip starts and the end take items).
    int IndexForTime(const CBaseTime& time) const;
    void updateThumbnaiPic();
    bool PlaceCopy(Fablecut::ISourceDataItem* item, int index, bool* placed);
    unsigned int AverageBitrate(int streamType) const;

    CBaseTime m_duration;
    QImage m_thumbnail;
    std::vector<Fablecut::ISourceDataItem*> m_items;
    Fablecut::ISourceDataItem* m_curItem = nullptr;
    Moorland::IAVManager* m_manager = nullptr;
    QString m_seixPath;
    QString m_blackBG;
};
