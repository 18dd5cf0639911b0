#pragma once

#include "utility/CBaseTime.h"
#include "ProjectData/cclipsettings.h"
#include "timelinehostcalls.h"

#include <QFrame>
#include <QImage>
#include <QStringList>

#include <cstdint>
#include <functional>

class CAppVariableInfo;
class CMProjectMgr;
class CTimelineItem;
class IDCPlaySourceItem;
class QMouseEvent;
class VRuler;
class VTimelineGotoEdit;
class VTrackScene;
class VTrackView;
namespace Fablecut {
class ISourceDataItem;
}
namespace Ui {
class VTimeLineViewClass;
}

// The editing strip of the import/edit page: the track of clips on its time
// ruler, the time field and the split, delete and zoom controls. It edits
// nothing itself: it wires the track to the project manager and relays the
// track's player requests to the page.
class VTimeLineView : public QFrame
{
    Q_OBJECT
public:
    explicit VTimeLineView(QWidget* parent = nullptr);
    ~VTimeLineView() override;

    VTrackScene* getScene() const { return m_scene; }
    VTrackView* getTrackView() const { return m_trackView; }
    VRuler* getRuler() const { return m_ruler; }
    VTimelineGotoEdit* getTimeEdit() const { return m_timeEdit; }
    const CTimelineItem* getTimeLineItem() const;
    double getPixelsPerSecond() const { return m_pixelsPerSecond; }
    void setProjectMgr(CMProjectMgr* manager);
    // The page's answers to the questions of the panel and its track.
    void setHostCalls(const TimeLineHostCalls& calls);

public slots:
    void slot_mainplayer_playtimechanged(CBaseTime time);
    void slot_mainplayer_stoped();
    void slot_IsTimeLineViewHoldThePlayer(bool hold);
    void slot_ClearSelectionOfTimeLineIClipItems();
    // The whole list of library files missing now (native separators).
    void slot_setMissingFiles(QStringList paths);
    void slot_removeThoseDonotExistMedias(QString prefix);

signals:
    void signal_updateAVsouceData(const IDCPlaySourceItem* item);
    void signal_TimeLineItemChildCountIsZero(const IDCPlaySourceItem* item, bool isZero);
    void signal_seekToCurTime(const IDCPlaySourceItem* item, CBaseTime time, bool bplay);
    void signal_updateMainPlayerAfterEditor(const IDCPlaySourceItem* item, bool pause);
    void signal_clipItemEditorEnableChanged(bool enabled);
    void signal_initEditorSourceDataItemChanged(Fablecut::ISourceDataItem* item);
    void signal_editorApplayToCurSelectedClips();
    void signal_editorApplyToAllTimeLineViewClipItems(EDITORPAGE page);
    void signal_editorEnableChagned();
    void signal_mouseMouseMoved(CBaseTime time);
    void signal_mouseLeave();
    void signal_InsertFilesByTime(QStringList files, CBaseTime time);
    void signal_removeThoseDonotExistMedias(QString prefix);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void on_btnSplit_clicked();
    void on_btnDelete_clicked();
    void on_btnZoomIn_clicked();
    void on_btnZoomOut_clicked();
    void on_sldZoom_valueChanged(int value);
    void slot_scence_selectionChanged();
    void slot_timeLineMouseMoved(QMouseEvent* event);
    void slot_edtTime_returnPressed();
    void slot_refreshRuler();
    void slot_seekPalyTimeByRuler(CBaseTime time, bool seek);

private:
    void initConnection();
    // Removes every clip whose source path matches; returns the names of
    // the removed clips' files, each once.
    QStringList removeClipsWhere(const std::function<bool(const QString&)>& matches);

    Ui::VTimeLineViewClass* m_ui = nullptr;
    CMProjectMgr* m_projectMgr = nullptr;
    TimeLineHostCalls m_calls;
    VTrackScene* m_scene = nullptr;
    VTrackView* m_trackView = nullptr;
    VRuler* m_ruler = nullptr;
    VTimelineGotoEdit* m_timeEdit = nullptr;
    CAppVariableInfo* m_settings = nullptr;
    double m_pixelsPerSecond = 2.0;
};
