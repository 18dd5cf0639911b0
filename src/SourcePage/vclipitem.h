#pragma once

#include "utility/CBaseTime.h"

#include <QGraphicsRectItem>
#include <QImage>
#include <QPixmap>
#include <QString>

class ITrackScene;
namespace Fablecut {
class ISourceDataItem;
}

// One clip on the timeline's track: it stands at (clip start, 1.0) in scene
// seconds, is as wide as the trimmed duration and 80 units high, and draws in
// device pixels its background, thumbnail and name. It keeps a copy of the
// clip's times and thumbnail, so that it can be drawn and dragged without
// touching the clip. All mouse handling is the track view's.
class VClipItem : public QGraphicsRectItem
{
public:
    static constexpr int ClipItemType = 70000;
    static constexpr double ItemHeight = 80.0;
    static constexpr double ItemTop = 1.0;

    // Operation codes of getOperationType.
    enum Operation { OperationNone = 0, OperationMove = 1, OperationTrimStart = 2, OperationTrimEnd = 3 };

    explicit VClipItem(Fablecut::ISourceDataItem* item);
    // The drag ghost: shares the clip, copies its times, thumbnail and
    // backgrounds, has no name and fresh flags.
    VClipItem(VClipItem& other);
    ~VClipItem() override;

    VClipItem* CloneDataItem();

    int type() const override { return ClipItemType; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;
    virtual bool operator<(const VClipItem& other) const;

    const CBaseTime& getClipStartPos() const { return m_clipStart; }
    CBaseTime getClipDuration() const { return m_clipDuration; }
    CBaseTime getTrimStartPoint() const { return m_trimStart; }
    CBaseTime getTrimEndPos() const { return m_trimEnd; }
    CBaseTime getTrimDuraton() const { return m_trimDuration; }
    QString getClipItemName() const { return m_name; }
    QImage getImage() const { return m_image; }
    Fablecut::ISourceDataItem* getClipItemSouceData() const { return m_item; }
    const CBaseTime& getInsertLinePos() const { return m_insertLinePos; }
    bool isInsert() const { return m_insert; }
    bool isDragged() const { return m_dragged; }
    bool isChange() const { return m_changed; }
    QPixmap getItemNormalBG() const { return m_normalBG; }
    QPixmap getItemAudioBG() const { return m_audioBG; }
    QPixmap getItemDownBG() const { return m_downBG; }
    // The track scene the item stands in; null outside one.
    ITrackScene* getScene() const;

    // Each only stores; none clamps.
    void setClipStartPoint(const CBaseTime& t);
    void setTrimStartPoint(const CBaseTime& t, bool bExact);
    void setTrimEndPos(CBaseTime t);
    void setClipDuration(const CBaseTime& t);
    void setTrimDuration(const CBaseTime& t, bool bExact);
    void setInsert(bool b) { m_insert = b; }
    void setDragged(bool b) { m_dragged = b; }
    void setChange(bool b) { m_changed = b; }
    void setMouseDragMove(bool b) { m_mouseDragMove = b; }
    void setItemNormalBG(const QPixmap& pm) { m_normalBG = pm; }
    void setItemAudioBG(const QPixmap& pm) { m_audioBG = pm; }
    void setItemDownBG(const QPixmap& pm) { m_downBG = pm; }
    void setClipItemImage(QImage image) { m_image = image; }
    void updateThumbnailPic(VClipItem*) {}

    // Re-reads times and thumbnail (a null thumbnail keeps the held one) from
    // the clip; the name stays.
    void updateClipItemSouceData();

    // 2 in the start zone, 3 in the end zone, else 1; sets the tool tip.
    // Only for an item that stands in a track scene.
    int getOperationType(QPointF scenePos);
    // Whether the clip's file is missing now, as the scene knows it.
    bool isSourceMissing() const;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void setItemFlags();
    QString infoText() const;
    QString sourcePath() const;

    Fablecut::ISourceDataItem* m_item = nullptr;
    CBaseTime m_clipStart;
    CBaseTime m_clipDuration;
    CBaseTime m_trimStart;
    CBaseTime m_trimDuration;
    CBaseTime m_trimEnd;
    QImage m_image;
    QString m_name;
    CBaseTime m_insertLinePos;
    bool m_dragged = false;
    bool m_insert = false;
    bool m_changed = true;
    bool m_positionAdjusting = true;
    bool m_mouseDragMove = false;
    QPixmap m_normalBG;
    QPixmap m_audioBG;
    QPixmap m_downBG;
};
