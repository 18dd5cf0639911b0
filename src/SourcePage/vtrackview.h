#pragma once

#include "utility/CBaseTime.h"
#include "ProjectData/cclipsettings.h"
#include "timelinehostcalls.h"

#include <QColor>
#include <QCursor>
#include <QGraphicsView>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QStringList>

#include <cstdint>

class QAction;
class QGraphicsLineItem;
class QGraphicsRectItem;
class QMenu;
class QTimer;
class IDCPlaySourceItem;
class VClipItem;
class VTrackScene;
namespace Fablecut {
class CMediaSourceItem;
class ISourceDataItem;
} // namespace Fablecut

// The library's drag format: the compressed 4-byte handles of the dragged
// library items, and the second name declared beside it.
extern const char* const STR_MediasLibMimeType;
extern const char* const STR_TimeLineViewMimeType;

// The view of the timeline's track. It turns pointer, key and drop actions
// into calls on the track scene, keeps the play head (anchor) and the insert
// marker, and asks the main player (through the panel's relays) to seek, let
// go of or show the timeline. It changes no project data itself.
class VTrackView : public QGraphicsView
{
    Q_OBJECT
    Q_PROPERTY(QString resizeEndPath READ getResizeEndPath WRITE setResizeEndPath)
    Q_PROPERTY(QString resizeStartPath READ getResizeStartPath WRITE setResizeStartPath)
    Q_PROPERTY(QString dragMovePath READ getDragMovePath WRITE setDragMovePath)
    Q_PROPERTY(QString dragCopyPath READ getDragCopyPath WRITE setDragCopyPath)
    Q_PROPERTY(QColor anchorLineColor READ getAnchorLineColor WRITE setAnchorLineColor)
    Q_PROPERTY(QColor insertLineColor READ getInsertLineColor WRITE setInsertLineColor)
    Q_PROPERTY(QImage iAudioItemImage READ getAudioItemImage WRITE setAudioItemImage)
    Q_PROPERTY(QPixmap itemNormalBG READ getItemNormalBG WRITE setItemNormalBG)
    Q_PROPERTY(QPixmap itemAudioBG READ getItemAudioBG WRITE setItemAudioBG)
    Q_PROPERTY(QPixmap itemDownBG READ getItemDownBG WRITE setItemDownBG)

public:
    VTrackView(VTrackScene* scene, QWidget* parent);
    ~VTrackView() override;

    // The page's answers to the track's questions (the player, the library).
    void setHostCalls(const TimeLineHostCalls& calls) { m_calls = calls; }

    bool IsDraggingClip() const { return m_pDragGhost != nullptr; }
    bool IgnoreAnchorMoveSignal() const { return m_bIgnoreAnchorMoveSignal; }
    void setIsTimeLineViewHoldThePlayer(bool hold) { m_bHoldPlayer = hold; }
    bool isTimeLineViewHoldThePlayer() const { return m_bHoldPlayer; }
    CBaseTime getDuration() const { return m_tDuration; }
    CBaseTime getAnchorPos() const { return m_tAnchorPos; }
    CBaseTime getCloseUpClipStartTime(bool bPrevious) const;
    void SelectClipByAnchorPos();

    // The insert marker and the anchor line (test and screenshot views).
    QGraphicsRectItem* insertLine() const { return m_pInsertLine; }
    QGraphicsLineItem* anchorLine() const { return m_pAnchorLine; }
    QMenu* popupMenu() const { return m_pPopupMenu; }
    QList<QAction*> popupActions() const;
    VClipItem* popupClip() const { return m_pPopupClip; }
    VClipItem* editorClip() const { return m_pEditorClip; }
    bool insertPosValid() const { return m_bInsertPosValid; }
    CBaseTime insertPos() const { return m_tInsertPos; }
    int autoScrollStep() const { return m_nAutoScrollStep; }
    QTimer* autoScrollTimer() const { return m_pAutoScrollTimer; }

    void resizeStart(VClipItem* clip, CBaseTime time, bool bCommit);
    void resizeEnd(VClipItem* clip, const CBaseTime& time, bool bCommit);
    void showPopupMenu(QPoint pos);
    void initPopupMenu();
    void applyTheEffectToMediaSourceItem(Fablecut::CMediaSourceItem* pItem, EDITORPAGE page);
    // The edited clip's settings of the page to each of the clips (the
    // edited clip itself excepted), as one change of the timeline.
    void applyTheEffectToItems(const QList<Fablecut::ISourceDataItem*>& items, EDITORPAGE page);

    void updateSelectedSeekPoint();
    void splitAnchorClipByCurTime(const long long& nFrameBorderMs, const int& nFrameValue, const QImage& grab);
    void splitAnchorClip(const QImage& grab);
    void setDuration(const CBaseTime& d);
    void setScale(const double& sx, const double& sy);
    void ReTranslate();
    void closeData();
    void closeDragData();

    // The 4-byte handles of a "mediasLibMimeType" payload, in payload order,
    // zeros skipped; an unreadable payload gives none.
    static QList<quint32> readLibraryHandles(const QByteArray& payload);

    QString getResizeEndPath() const { return m_strResizeEndPath; }
    void setResizeEndPath(const QString& path);
    QString getResizeStartPath() const { return m_strResizeStartPath; }
    void setResizeStartPath(const QString& path);
    QString getDragMovePath() const { return m_strDragMovePath; }
    void setDragMovePath(const QString& path);
    QString getDragCopyPath() const { return m_strDragCopyPath; }
    void setDragCopyPath(const QString& path);
    QColor getAnchorLineColor() const { return m_clrAnchorLine; }
    void setAnchorLineColor(const QColor& color);
    QColor getInsertLineColor() const { return m_clrInsertLine; }
    void setInsertLineColor(const QColor& color);
    QImage getAudioItemImage() const;
    void setAudioItemImage(const QImage& image);
    QPixmap getItemNormalBG() const;
    void setItemNormalBG(const QPixmap& pm);
    QPixmap getItemAudioBG() const;
    void setItemAudioBG(const QPixmap& pm);
    QPixmap getItemDownBG() const;
    void setItemDownBG(const QPixmap& pm);

signals:
    void signal_insert(const bool& bEnable, const CBaseTime& pos);
    void signal_seekToCurTime(const IDCPlaySourceItem* item, const CBaseTime& time, bool bplay);
    void signal_updateAVsouceData(const IDCPlaySourceItem* item);
    void signal_updateMainPlayerAfterEditor(const IDCPlaySourceItem* item, bool bDeleted);
    void signal_rulerAnchorMoved();
    void signal_trackViewMouseMoved(QMouseEvent* event);
    void signal_trackMouseLeave();
    void signal_clipTrimFinish();
    void signal_horizonScrollBarValueChanged(int value);
    void signal_clipItemEditorEnableChanged(bool bValue);
    void signal_initEditorSourceDataItemChanged(Fablecut::ISourceDataItem* item);

public slots:
    void slot_setAnchorPos(const CBaseTime& nPos, bool bSeek = false);
    void slot_getAnchorPos(CBaseTime& nGetPos) { nGetPos = m_tAnchorPos; }
    void slot_SetIgnoreAnchorMoveSignal(const bool& bValue) { m_bIgnoreAnchorMoveSignal = bValue; }
    void slot_InsertFilesFinished();
    void slot_timeLineSourceDataItemUpdated(CBaseTime duration) { setDuration(duration); }
    void slot_horizonScrollBarValueChagned(int value);
    void slot_insert(const bool& bEnable, const CBaseTime& pos);
    void slot_deleteSelectedClips();
    void slot_clearAllClips();
    void slot_selectAllClips();
    void slot_duplicateSelectedClips();
    // The menu's "Duplicate this Clip": the clip the menu was opened on.
    void slot_duplicatePopupClip();
    void slot_actionPlayCurItem();
    void slot_actionViewItemPath();
    void slot_onTrimDragTimerTrigger();
    void slot_checkMouseScrolling();
    void slot_editorApplayToCurSelectedClips();
    void slot_editorApplyToAllTimeLineViewClipItems(EDITORPAGE edtCurPage);
    void on_horizontalScrollBar_sliderPressed() { m_bScrollSliderPressed = true; }
    void on_horizontalScrollBar_sliderReleased() { m_bScrollSliderPressed = false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    const IDCPlaySourceItem* timeline() const;
    // Takes the main player for the timeline; returns the page's answer to
    // the hold flag (the flag itself when nobody answers).
    bool takePlayer(bool hold);
    VClipItem* clipAt(const QPoint& viewPos) const;
    bool anchorOutside(const VClipItem* clip) const;
    void playClip(VClipItem* clip);
    void removeGhost();
    void forgetClipItem(VClipItem* clip);
    void mouseMoveEventImpl(QMouseEvent* event);
    void mouseReleaseEventImpl(QMouseEvent* event);
    void dropEventImpl(QDropEvent* event);
    static QCursor cursorFromPath(const QString& path);

    VTrackScene* m_pScene = nullptr;
    TimeLineHostCalls m_calls;
    VClipItem* m_pPressedClip = nullptr;
    VClipItem* m_pDragGhost = nullptr;
    VClipItem* m_pEditorClip = nullptr;
    QTimer* m_pAutoScrollTimer = nullptr;
    QTimer* m_pTrimDragTimer = nullptr;
    QGraphicsLineItem* m_pAnchorLine = nullptr;
    QGraphicsRectItem* m_pInsertLine = nullptr;
    QPoint m_ptPress;
    int32_t m_nOperationType = 0;
    // How far one autoscroll tick moves the track, in pixels.
    static constexpr int kAutoScrollPixels = 30;
    int32_t m_nAutoScrollStep = 0;
    CBaseTime m_tAnchorPos;
    CBaseTime m_tDuration;
    CBaseTime m_tInsertPos;
    bool m_bExternalDragAccepted = false;
    bool m_bInsertPosValid = false;
    bool m_bIgnoreAnchorMoveSignal = false;
    bool m_bTrimming = false;
    bool m_bScrollSliderPressed = false;
    bool m_bHoldPlayer = false;
    bool m_bInsertFilesFinished = false;
    QStringList m_lstDropFiles;
    QList<Fablecut::ISourceDataItem*> m_lstSelectedSources;
    QString m_strResizeEndPath;
    QCursor m_curResizeEnd;
    QString m_strResizeStartPath;
    QCursor m_curResizeStart;
    QString m_strDragMovePath;
    QCursor m_curDragMove;
    QString m_strDragCopyPath;
    QCursor m_curDragCopy;
    QColor m_clrAnchorLine;
    QColor m_clrInsertLine;
    QMenu* m_pPopupMenu = nullptr;
    QAction* m_pActDuplicate = nullptr;
    QAction* m_pActDelete = nullptr;
    QAction* m_pActClearAll = nullptr;
    QAction* m_pActSelectAll = nullptr;
    QAction* m_pActPlay = nullptr;
    QAction* m_pActViewPath = nullptr;
    VClipItem* m_pPopupClip = nullptr;
};
