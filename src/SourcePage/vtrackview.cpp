#include "vtrackview.h"

#include "CBaseException.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/ctimelineitem.h"
#include "utility/fileutils.h"
#include "ProjectData/isourcedataitem.h"
#include "vclipitem.h"
#include "vtrackscene.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

using Fablecut::CMediaSourceItem;
using Fablecut::ISourceDataItem;

const char* const STR_MediasLibMimeType = "mediasLibMimeType";
const char* const STR_TimeLineViewMimeType = "ortherSourceMimeType";

namespace {

const QColor COLOR_VALUE_ANCHORLINE(0, 174, 255, 255);
const QColor COLOR_VALUE_LINE_INSERT(255, 162, 0, 255);
const double kProbe = 0.01;

} // namespace

VTrackView::VTrackView(VTrackScene* scene, QWidget* parent)
    : QGraphicsView(scene, parent), m_pScene(scene), m_clrAnchorLine(COLOR_VALUE_ANCHORLINE),
      m_clrInsertLine(COLOR_VALUE_LINE_INSERT)
{
    setMouseTracking(true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::ClickFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setMaximum(80);
    setSceneRect(0, 0, 0, 80);
    setViewportUpdateMode(QGraphicsView::SmartViewportUpdate);
    setContentsMargins(0, 0, 0, 0);

    m_pAnchorLine = scene->addLine(0, 0, 0, 86);
    m_pAnchorLine->setZValue(1000);
    m_pInsertLine = scene->addRect(0, 0, 0.25, 86, QPen(m_clrInsertLine), QBrush(m_clrInsertLine));
    m_pInsertLine->hide();
    m_pInsertLine->setZValue(1001);
    m_pInsertLine->setFlag(QGraphicsItem::ItemIgnoresTransformations, true);
    m_pInsertLine->setFlag(QGraphicsItem::ItemIsSelectable, false);
    m_pAnchorLine->setPen(QPen(m_clrAnchorLine, 1));
    m_pAnchorLine->setFlag(QGraphicsItem::ItemIgnoresTransformations, true);
    m_pAnchorLine->setFlag(QGraphicsItem::ItemIsSelectable, false);
    setFrameShape(QFrame::NoFrame);

    m_pTrimDragTimer = new QTimer(this);
    connect(m_pTrimDragTimer, &QTimer::timeout, this, &VTrackView::slot_onTrimDragTimerTrigger);
    connect(horizontalScrollBar(), &QScrollBar::sliderPressed, this, &VTrackView::on_horizontalScrollBar_sliderPressed);
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this,
            &VTrackView::on_horizontalScrollBar_sliderReleased);
    horizontalScrollBar()->installEventFilter(this);

    m_pAutoScrollTimer = new QTimer(this);
    m_pAutoScrollTimer->setInterval(100);
    m_pAutoScrollTimer->setSingleShot(true);
    connect(m_pAutoScrollTimer, &QTimer::timeout, this, &VTrackView::slot_checkMouseScrolling);

    // A clip item the scene destroys must not stay behind in any pointer here.
    connect(scene, &VTrackScene::signal_clipItemRemoved, this, &VTrackView::forgetClipItem);

    initPopupMenu();
    ReTranslate();
}

VTrackView::~VTrackView()
{
    removeGhost();
}

const IDCPlaySourceItem* VTrackView::timeline() const
{
    return m_pScene->getTimeLineItem();
}

bool VTrackView::takePlayer(bool hold)
{
    return m_calls.playerFocusChangeToTimeLineView ? m_calls.playerFocusChangeToTimeLineView(timeline(), hold) : hold;
}

void VTrackView::forgetClipItem(VClipItem* clip)
{
    if (m_pPressedClip == clip)
        m_pPressedClip = nullptr;
    if (m_pPopupClip == clip)
        m_pPopupClip = nullptr;
    if (m_pEditorClip == clip)
        m_pEditorClip = nullptr;
    if (m_pDragGhost && m_pDragGhost->getClipItemSouceData() == clip->getClipItemSouceData() && !m_pPressedClip)
        removeGhost();
}

QCursor VTrackView::cursorFromPath(const QString& path)
{
    QPixmap pm(path);
    if (pm.isNull())
        return QCursor();
    return QCursor(pm, pm.width() / 2, pm.height() / 2);
}

void VTrackView::setResizeEndPath(const QString& path)
{
    m_strResizeEndPath = path;
    m_curResizeEnd = cursorFromPath(path);
}
void VTrackView::setResizeStartPath(const QString& path)
{
    m_strResizeStartPath = path;
    m_curResizeStart = cursorFromPath(path);
}
void VTrackView::setDragMovePath(const QString& path)
{
    m_strDragMovePath = path;
    m_curDragMove = cursorFromPath(path);
}
void VTrackView::setDragCopyPath(const QString& path)
{
    m_strDragCopyPath = path;
    m_curDragCopy = cursorFromPath(path);
}
void VTrackView::setAnchorLineColor(const QColor& color)
{
    m_clrAnchorLine = color;
    m_pAnchorLine->setPen(QPen(color, 1));
}
void VTrackView::setInsertLineColor(const QColor& color)
{
    m_clrInsertLine = color;
    m_pInsertLine->setPen(QPen(color));
    m_pInsertLine->setBrush(QBrush(color));
}
QImage VTrackView::getAudioItemImage() const
{
    return m_pScene->getAudioItemImage();
}
void VTrackView::setAudioItemImage(const QImage& image)
{
    m_pScene->setAudioItemImage(image);
}
QPixmap VTrackView::getItemNormalBG() const
{
    return m_pScene->getItemNormalBG();
}
void VTrackView::setItemNormalBG(const QPixmap& pm)
{
    m_pScene->setItemNormalBG(pm);
}
QPixmap VTrackView::getItemAudioBG() const
{
    return m_pScene->getItemAudioBG();
}
void VTrackView::setItemAudioBG(const QPixmap& pm)
{
    m_pScene->setItemAudioBG(pm);
}
QPixmap VTrackView::getItemDownBG() const
{
    return m_pScene->getItemDownBG();
}
void VTrackView::setItemDownBG(const QPixmap& pm)
{
    m_pScene->setItemDownBG(pm);
}

// ------------------------------------------------------------------ menu

void VTrackView::initPopupMenu()
{
    m_pPopupMenu = new QMenu(this);
    m_pActDuplicate = new QAction(this);
    m_pActDuplicate->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_D));
    m_pActDelete = new QAction(this);
    m_pActDelete->setShortcut(QKeySequence(Qt::Key_Backspace));
    m_pActClearAll = new QAction(this);
    m_pActSelectAll = new QAction(this);
    m_pActSelectAll->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_A));
    m_pActPlay = new QAction(this);
    m_pActViewPath = new QAction(this);
    // The keys are the view's own; the menu only shows them.
    for (QAction* action : {m_pActDuplicate, m_pActDelete, m_pActSelectAll})
        action->setShortcutContext(Qt::WidgetShortcut);
    connect(m_pActDuplicate, &QAction::triggered, this, &VTrackView::slot_duplicatePopupClip);
    connect(m_pActDelete, &QAction::triggered, this, &VTrackView::slot_deleteSelectedClips);
    connect(m_pActClearAll, &QAction::triggered, this, &VTrackView::slot_clearAllClips);
    connect(m_pActSelectAll, &QAction::triggered, this, &VTrackView::slot_selectAllClips);
    connect(m_pActPlay, &QAction::triggered, this, &VTrackView::slot_actionPlayCurItem);
    connect(m_pActViewPath, &QAction::triggered, this, &VTrackView::slot_actionViewItemPath);
    m_pPopupMenu->addAction(m_pActDuplicate);
    m_pPopupMenu->addAction(m_pActDelete);
    m_pPopupMenu->addAction(m_pActClearAll);
    m_pPopupMenu->addAction(m_pActSelectAll);
    m_pPopupMenu->addSeparator();
    m_pPopupMenu->addAction(m_pActPlay);
    m_pPopupMenu->addAction(m_pActViewPath);
    m_pPopupMenu->setWindowOpacity(0.75);
}

QList<QAction*> VTrackView::popupActions() const
{
    return {m_pActDuplicate, m_pActDelete, m_pActClearAll, m_pActSelectAll, m_pActPlay, m_pActViewPath};
}

void VTrackView::ReTranslate()
{
    m_pActDuplicate->setText(tr("&Duplicate this Clip", "复制选中片段"));
    m_pActDelete->setText(tr("D&elete Selected Clip(s)", "删除选中片段"));
    m_pActClearAll->setText(tr("&Clear All Clips", "清除所有片段"));
    m_pActSelectAll->setText(tr("Select &All Clips", "选择全部片段"));
    m_pActPlay->setText(tr("&Play this Clip", "播放选中片段"));
    m_pActViewPath->setText(tr("&View this Clip", "浏览选中片段"));
}

VClipItem* VTrackView::clipAt(const QPoint& viewPos) const
{
    QGraphicsItem* top = itemAt(viewPos);
    if (top && top->type() == VClipItem::ClipItemType && top != m_pDragGhost)
        return static_cast<VClipItem*>(top);
    return nullptr;
}

void VTrackView::showPopupMenu(QPoint pos)
{
    m_pPopupClip = clipAt(pos);
    const int selected = m_pScene->selectedItems().size();
    const bool hasClips = m_pScene->getCurClipsCount() > 0;
    const bool oneOnClip = m_pPopupClip && selected == 1;
    m_pActDuplicate->setEnabled(m_pPopupClip != nullptr);
    m_pActDelete->setEnabled(m_pPopupClip != nullptr);
    m_pActClearAll->setEnabled(hasClips);
    m_pActSelectAll->setEnabled(hasClips);
    m_pActPlay->setEnabled(oneOnClip);
    m_pActViewPath->setEnabled(oneOnClip);
    m_pPopupMenu->popup(viewport()->mapToGlobal(pos));
}

// ------------------------------------------------------------ edit slots

void VTrackView::slot_deleteSelectedClips()
{
    if (m_pScene->selectedItems().isEmpty())
        return;
    // The player lets go of the timeline before its clips are freed, then
    // shows what is left at the play head (its start when the head now lies
    // past the end).
    emit signal_updateAVsouceData(timeline());
    m_pScene->deleteSelectedClips(false);
    const CTimelineItem* line = m_pScene->getTimeLineItem();
    if (line && line->ChildItemsCount() > 0)
        slot_setAnchorPos(m_tAnchorPos + kProbe > line->GetDuration() ? CBaseTime(0.0) : m_tAnchorPos - kProbe, true);
}

void VTrackView::slot_clearAllClips()
{
    if (m_pScene->getCurClipsCount() == 0)
        return;
    emit signal_updateAVsouceData(timeline());
    m_pScene->deleteSelectedClips(true);
}

void VTrackView::slot_selectAllClips()
{
    m_pScene->SelectAllClips();
}

void VTrackView::slot_duplicateSelectedClips()
{
    emit signal_updateAVsouceData(timeline());
    m_pScene->DuplicateSelectedClips();
}

void VTrackView::slot_duplicatePopupClip()
{
    if (!m_pPopupClip)
        return;
    emit signal_updateAVsouceData(timeline());
    m_pScene->DuplicateClips({m_pPopupClip});
}

void VTrackView::playClip(VClipItem* clip)
{
    const CBaseTime start = clip->getClipStartPos();
    emit signal_seekToCurTime(timeline(), start + kProbe, true);
    emit signal_rulerAnchorMoved();
    m_tAnchorPos = start;
    m_pAnchorLine->setPos(start.ToSeconds(), 0);
}

void VTrackView::slot_actionPlayCurItem()
{
    if (m_pPopupClip)
        playClip(m_pPopupClip);
}

void VTrackView::slot_actionViewItemPath()
{
    if (!m_pPopupClip)
        return;
    const QString name = m_pPopupClip->getClipItemName();
    const QString path = m_pScene->getSourceDataItemPathByClipItem(m_pPopupClip);
    const QString folder = QFileInfo(path).path();
    if (!path.isEmpty() && !folder.isEmpty())
        OpenFloderWithShell(folder, name);
}

void VTrackView::slot_onTrimDragTimerTrigger()
{
    m_pTrimDragTimer->stop();
}

void VTrackView::slot_checkMouseScrolling()
{
    if (m_nAutoScrollStep == 0) {
        m_pAutoScrollTimer->stop();
        return;
    }
    QScrollBar* bar = horizontalScrollBar();
    const int before = bar->value();
    bar->setValue(before + m_nAutoScrollStep);
    if (bar->value() != before)
        m_pScene->updateClipsTime(false);
    m_pAutoScrollTimer->start();
}

void VTrackView::slot_horizonScrollBarValueChagned(int value)
{
    horizontalScrollBar()->setValue(value);
}

void VTrackView::slot_insert(const bool& bEnable, const CBaseTime& pos)
{
    if (!bEnable) {
        m_pInsertLine->hide();
        return;
    }
    m_pInsertLine->show();
    m_pInsertLine->setPos(pos.ToSeconds(), 0);
}

void VTrackView::closeDragData()
{
    m_pInsertLine->hide();
    emit signal_insert(false, CBaseTime(0.0));
    m_bInsertPosValid = false;
    m_tInsertPos = 0.0;
    if (m_pAutoScrollTimer->isActive())
        m_pAutoScrollTimer->stop();
}

void VTrackView::slot_InsertFilesFinished()
{
    // The clips themselves reach the track with the manager's change notice.
    m_bInsertFilesFinished = true;
}

// -------------------------------------------------------------- trimming

void VTrackView::resizeEnd(VClipItem* clip, const CBaseTime& time, bool bCommit)
{
    if (!clip)
        return;
    if (bCommit) {
        // The player lets go of the timeline before the clip changes.
        emit signal_updateAVsouceData(timeline());
        ISourceDataItem* item = m_pScene->clipOf(clip);
        if (item)
            m_pScene->setSouceDataItemTrimEndPosByItem(item, clip->getTrimEndPos());
        return;
    }
    const CBaseTime trimStart = clip->getTrimStartPoint();
    CBaseTime end = trimStart + (time - clip->getClipStartPos());
    if (end > clip->getClipDuration())
        end = clip->getClipDuration();
    if (end < trimStart + 1.0)
        end = trimStart + 1.0;
    clip->setTrimEndPos(end);
    clip->setTrimDuration(end - trimStart, false);
}

void VTrackView::resizeStart(VClipItem* clip, CBaseTime time, bool bCommit)
{
    if (!clip)
        return;
    if (bCommit) {
        emit signal_updateAVsouceData(timeline());
        ISourceDataItem* item = m_pScene->clipOf(clip);
        if (item)
            m_pScene->setSourceDataItemTrimStartPosByItem(item, clip->getTrimStartPoint());
        return;
    }
    const CBaseTime trimEnd = clip->getTrimEndPos();
    const CBaseTime oldTrimStart = clip->getTrimStartPoint();
    CBaseTime start = trimEnd - (clip->getClipStartPos() + clip->getTrimDuraton() - time);
    if (start > trimEnd - 1.0)
        start = trimEnd - 1.0;
    if (start < CBaseTime(0.0))
        start = 0.0;
    clip->setClipStartPoint(clip->getClipStartPos() + (start - oldTrimStart));
    clip->setTrimStartPoint(start, false);
    clip->setTrimDuration(trimEnd - start, false);
}

// ---------------------------------------------------------------- mouse

bool VTrackView::anchorOutside(const VClipItem* clip) const
{
    return m_tAnchorPos < clip->getClipStartPos() ||
           m_tAnchorPos + kProbe > clip->getClipStartPos() + clip->getTrimDuraton();
}

void VTrackView::removeGhost()
{
    if (!m_pDragGhost)
        return;
    m_pScene->setDragGhost(nullptr);
    if (m_pDragGhost->scene())
        m_pDragGhost->scene()->removeItem(m_pDragGhost);
    delete m_pDragGhost;
    m_pDragGhost = nullptr;
}

void VTrackView::mousePressEvent(QMouseEvent* event)
{
    QB_GUARDED_VOID({
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        m_pPressedClip = nullptr;
        m_ptPress = event->pos();
        VClipItem* top = clipAt(event->pos());
        bool mayGhost = false;
        if (event->button() == Qt::LeftButton) {
            m_bHoldPlayer = takePlayer(m_bHoldPlayer);
            emit signal_clipItemEditorEnableChanged(true);
            if (!(event->modifiers() & Qt::ControlModifier) && top && top->isSelected() &&
                m_lstSelectedSources.size() == 1 && anchorOutside(top))
                slot_setAnchorPos(top->getClipStartPos(), true);
            mayGhost = true;
        } else {
            mayGhost = !(event->button() == Qt::RightButton && top);
        }
        for (QGraphicsItem* item : items(event->pos()))
            if (item->type() == VClipItem::ClipItemType && item != m_pDragGhost) {
                m_pPressedClip = static_cast<VClipItem*>(item);
                break;
            }
        if (m_pPressedClip && mayGhost && !m_pDragGhost) {
            m_pDragGhost = new VClipItem(*m_pPressedClip);
            m_pDragGhost->setPen(Qt::NoPen);
            m_pDragGhost->setVisible(false);
            m_pDragGhost->setSelected(false);
            m_pScene->setDragGhost(m_pDragGhost);
            m_pScene->addItem(m_pDragGhost);
        }
        if (event->button() == Qt::RightButton) {
            showPopupMenu(m_ptPress);
            setCursor(Qt::ArrowCursor);
        }
        if (!m_bHoldPlayer && event->button() == Qt::LeftButton) {
            if (!m_pPressedClip)
                slot_setAnchorPos(CBaseTime(kProbe), true);
            else if (anchorOutside(m_pPressedClip))
                slot_setAnchorPos(m_pPressedClip->getClipStartPos(), true);
            else
                slot_setAnchorPos(m_tAnchorPos, true);
        }
        QGraphicsView::mousePressEvent(event);
    });
}

void VTrackView::mouseMoveEvent(QMouseEvent* event)
{
    QB_GUARDED_VOID({ mouseMoveEventImpl(event); });
}

void VTrackView::mouseMoveEventImpl(QMouseEvent* event)
{
    emit signal_trackViewMouseMoved(event);
    if (event->buttons() == Qt::NoButton) {
        // The topmost clip item: the play head's line over a clip edge must
        // not hide the edge.
        VClipItem* top = nullptr;
        for (QGraphicsItem* item : items(event->pos()))
            if (item->type() == VClipItem::ClipItemType && item != m_pDragGhost) {
                top = static_cast<VClipItem*>(item);
                break;
            }
        if (top && m_lstSelectedSources.size() < 2) {
            m_nOperationType = top->getOperationType(mapToScene(event->pos()));
            if (m_nOperationType == VClipItem::OperationTrimEnd)
                setCursor(m_curResizeEnd);
            else if (m_nOperationType == VClipItem::OperationTrimStart)
                setCursor(m_curResizeStart);
            else if (m_nOperationType == VClipItem::OperationMove)
                setCursor(m_curDragMove);
            else
                setCursor(Qt::ArrowCursor);
        } else {
            setCursor(Qt::ArrowCursor);
            m_nOperationType = 0;
        }
        QGraphicsView::mouseMoveEvent(event);
        return;
    }
    if (m_pScene->selectedItems().size() >= 2) {
        event->accept();
        return;
    }
    const int d = (event->pos() - m_ptPress).manhattanLength();
    const int D = QApplication::startDragDistance();
    if (!m_pPressedClip)
        return;
    if (m_pDragGhost)
        m_pDragGhost->setVisible(true);
    if (event->buttons() == Qt::LeftButton && event->modifiers() == Qt::ControlModifier)
        setCursor(m_curDragCopy);
    else
        setCursor(m_curDragMove);
    if (event->buttons() != Qt::RightButton)
        m_pPressedClip->setDragged(true);
    const CBaseTime t(mapToScene(event->pos()).x());
    if (d < D)
        return;
    switch (m_nOperationType) {
    case VClipItem::OperationMove:
        m_pPressedClip->setMouseDragMove(true);
        // The marker shows where this move put the clip, which is where the
        // release will drop it.
        QGraphicsView::mouseMoveEvent(event);
        if (m_pPressedClip->isInsert()) {
            const CBaseTime at = m_pPressedClip->getInsertLinePos();
            m_pInsertLine->setPos(at.ToSeconds(), 0);
            m_pInsertLine->show();
            emit signal_insert(true, at);
        } else {
            m_pInsertLine->hide();
            emit signal_insert(false, CBaseTime(0.0));
        }
        break;
    case VClipItem::OperationTrimStart:
    case VClipItem::OperationTrimEnd:
        m_pPressedClip->setMouseDragMove(false);
        if (m_nOperationType == VClipItem::OperationTrimStart) {
            setCursor(m_curResizeStart);
            resizeStart(m_pPressedClip, t, false);
        } else {
            setCursor(m_curResizeEnd);
            resizeEnd(m_pPressedClip, t, false);
        }
        m_bTrimming = true;
        if (!m_pTrimDragTimer->isActive())
            m_pTrimDragTimer->start(333);
        break;
    default: return;
    }
    const int x = event->pos().x();
    if (x < 5) {
        m_nAutoScrollStep = -kAutoScrollPixels;
        m_pAutoScrollTimer->start();
    } else if (viewport()->width() - x < 10) {
        m_nAutoScrollStep = kAutoScrollPixels;
        m_pAutoScrollTimer->start();
    } else if (m_pAutoScrollTimer->isActive()) {
        m_pAutoScrollTimer->stop();
    }
}

void VTrackView::mouseReleaseEvent(QMouseEvent* event)
{
    QB_GUARDED_VOID({ mouseReleaseEventImpl(event); });
}

void VTrackView::mouseReleaseEventImpl(QMouseEvent* event)
{
    if (m_pPressedClip && event->button() == Qt::LeftButton) {
        VClipItem* clip = m_pPressedClip;
        clip->setDragged(false);
        const int d = (event->pos() - m_ptPress).manhattanLength();
        const int D = QApplication::startDragDistance();
        const CBaseTime t(mapToScene(event->pos()).x());
        if (m_nOperationType == VClipItem::OperationTrimEnd || m_nOperationType == VClipItem::OperationTrimStart) {
            if (d >= D) {
                const bool end = m_nOperationType == VClipItem::OperationTrimEnd;
                // The commit relays the track out; the clip item stays (same clip).
                if (end)
                    resizeEnd(clip, t, true);
                else
                    resizeStart(clip, t, true);
                m_bHoldPlayer = takePlayer(m_bHoldPlayer);
                if (m_pPressedClip)
                    slot_setAnchorPos(m_pPressedClip->getClipStartPos(), true);
            }
            m_pPressedClip = nullptr;
            m_nOperationType = 0;
            if (m_bTrimming) {
                emit signal_clipTrimFinish();
                m_bTrimming = false;
            }
        } else if (m_nOperationType == VClipItem::OperationMove) {
            clip->setMouseDragMove(false);
            if (clip->isInsert()) {
                const int index = m_pScene->getClipItemIndex(clip);
                const CBaseTime at = clip->getInsertLinePos();
                if (event->modifiers() == Qt::ControlModifier) {
                    // The copy inserts a copy of the clip; the dragged item goes back.
                    if (m_pDragGhost)
                        clip->setPos(m_pDragGhost->pos());
                    emit signal_updateAVsouceData(timeline());
                    m_pScene->insertDragClipItem(clip, at);
                } else {
                    emit signal_updateAVsouceData(timeline());
                    m_pScene->moveItemToTime(index, at);
                }
                // The layout may have taken the item (it is kept while its clip lives).
                if (m_pPressedClip == clip) {
                    if (clip->isSelected())
                        slot_setAnchorPos(clip->getClipStartPos(), true);
                    clip->setInsert(false);
                }
            } else if (!m_pDragGhost) {
                m_pPressedClip = nullptr;
                QGraphicsView::mouseReleaseEvent(event);
                unsetCursor();
                return;
            } else {
                const QPointF a = clip->pos();
                const QPointF b = m_pDragGhost->pos();
                if (std::fabs(a.x() - b.x()) > 1e-12 || std::fabs(a.y() - b.y()) > 1e-12)
                    clip->setClipStartPoint(CBaseTime(b.x()));
                m_pDragGhost->setSelected(false);
                m_pPressedClip = nullptr;
                m_nOperationType = 0;
            }
        }
        removeGhost();
        emit signal_insert(false, CBaseTime(0.0));
        m_pInsertLine->hide();
        m_pPressedClip = nullptr;
    } else {
        // Any other release ends the press too: nothing it made may outlive it.
        // Only a left release commits: a trim or move made with another
        // button is undone by reading the clip again.
        if (m_pPressedClip) {
            m_pPressedClip->setDragged(false);
            m_pPressedClip->setMouseDragMove(false);
            m_pPressedClip->setInsert(false);
            m_pPressedClip->updateClipItemSouceData();
            m_bTrimming = false;
        }
        if (m_pDragGhost || m_pPressedClip) {
            removeGhost();
            emit signal_insert(false, CBaseTime(0.0));
            m_pInsertLine->hide();
        }
        m_pPressedClip = nullptr;
    }
    if (m_pAutoScrollTimer->isActive())
        m_pAutoScrollTimer->stop();
    m_nAutoScrollStep = 0;
    QGraphicsView::mouseReleaseEvent(event);
    unsetCursor();
}

void VTrackView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QB_GUARDED_VOID({
        if (event->button() == Qt::LeftButton) {
            QList<VClipItem*> clips;
            for (QGraphicsItem* item : items(event->pos()))
                if (item->type() == VClipItem::ClipItemType && item != m_pDragGhost)
                    clips << static_cast<VClipItem*>(item);
            for (VClipItem* clip : clips)
                playClip(clip);
        }
        QGraphicsView::mouseDoubleClickEvent(event);
    });
}

void VTrackView::keyPressEvent(QKeyEvent* event)
{
    QB_GUARDED_VOID({
        const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
        if ((event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) && mods == Qt::NoModifier) {
            if (!m_pScene->selectedItems().isEmpty())
                slot_deleteSelectedClips();
        } else if (mods == Qt::ControlModifier && event->key() == Qt::Key_A && hasFocus()) {
            m_pScene->SelectAllClips();
            return;
        } else if (mods == Qt::ControlModifier && event->key() == Qt::Key_D && hasFocus() &&
                   m_pScene->selectedItems().size() == 1) {
            slot_duplicateSelectedClips();
            return;
        } else if ((mods & ~Qt::ShiftModifier) == Qt::NoModifier &&
                   (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal || event->key() == Qt::Key_Minus)) {
            // The timeline panel's zoom keys.
            event->ignore();
            return;
        }
        QGraphicsView::keyPressEvent(event);
    });
}

void VTrackView::leaveEvent(QEvent* event)
{
    emit signal_trackMouseLeave();
    unsetCursor();
    QGraphicsView::leaveEvent(event);
}

bool VTrackView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalScrollBar() && event->type() == QEvent::Enter)
        unsetCursor();
    return QGraphicsView::eventFilter(watched, event);
}

// ------------------------------------------------------------- the anchor

void VTrackView::slot_setAnchorPos(const CBaseTime& nPos, bool bSeek)
{
    if (m_bIgnoreAnchorMoveSignal)
        return;
    if (nPos == m_tAnchorPos && !bSeek)
        return;
    const CTimelineItem* line = m_pScene->getTimeLineItem();
    if (bSeek && line) {
        if (line->ChildItemsCount() == 0) {
            // The empty timeline is loaded without taking the play head: the
            // answer is not kept.
            takePlayer(true);
        } else {
            emit signal_seekToCurTime(line, nPos + kProbe, false);
        }
    }
    emit signal_rulerAnchorMoved();
    m_tAnchorPos = nPos + kProbe;
    if (line && line->ChildItemsCount() > 0 && m_tAnchorPos > line->GetDuration())
        m_tAnchorPos = 0.0;
    m_pAnchorLine->setPos(m_tAnchorPos.ToSeconds(), 0);
    if (!m_pDragGhost) {
        const QPoint at = mapFromScene(m_pAnchorLine->pos());
        if (!viewport()->rect().contains(at) && !m_bScrollSliderPressed) {
            QScrollBar* bar = horizontalScrollBar();
            bar->setValue(bar->value() + at.x());
            emit signal_horizonScrollBarValueChanged(bar->value());
        }
    }
    viewport()->update();
}

void VTrackView::updateSelectedSeekPoint()
{
    m_lstSelectedSources.clear();
    if (m_pScene->selectedItems().isEmpty()) {
        m_pEditorClip = nullptr;
        emit signal_initEditorSourceDataItemChanged(nullptr);
        return;
    }
    const QList<VClipItem*> clips = m_pScene->getSelectedClipItems();
    for (VClipItem* clip : clips)
        m_lstSelectedSources << clip->getClipItemSouceData();
    if (clips.size() == 1) {
        VClipItem* clip = clips.first();
        if (clip != m_pEditorClip) {
            m_pEditorClip = clip;
            emit signal_initEditorSourceDataItemChanged(clip->getClipItemSouceData());
        }
        const bool inside = m_tAnchorPos - kProbe > clip->getClipStartPos() &&
                            m_tAnchorPos + kProbe <= clip->getClipStartPos() + clip->getTrimDuraton();
        if (!inside)
            slot_setAnchorPos(clip->getClipStartPos(), true);
    } else if (clips.size() > 1) {
        for (VClipItem* clip : clips)
            if (m_tAnchorPos - kProbe >= clip->getClipStartPos() &&
                m_tAnchorPos + kProbe <= clip->getClipStartPos() + clip->getTrimDuraton())
                return;
        slot_setAnchorPos(clips.first()->getClipStartPos(), true);
        if (!clips.contains(m_pEditorClip)) {
            m_pEditorClip = clips.first();
            emit signal_initEditorSourceDataItemChanged(m_pEditorClip->getClipItemSouceData());
        }
    }
}

void VTrackView::splitAnchorClipByCurTime(const long long& nFrameBorderMs, const int& nFrameValue, const QImage& grab)
{
    if (m_tAnchorPos == 0.0 || m_tAnchorPos == m_tDuration)
        return;
    const CBaseTime exact(nFrameBorderMs / 1000.0);
    emit signal_updateAVsouceData(timeline());
    m_pScene->splitSelectedClipByAccurateTime(m_tAnchorPos, exact, nFrameValue, grab);
    slot_setAnchorPos(m_tAnchorPos + kProbe, true);
}

void VTrackView::splitAnchorClip(const QImage& grab)
{
    if (m_tAnchorPos == 0.0 || m_tAnchorPos == m_tDuration)
        return;
    emit signal_updateAVsouceData(timeline());
    m_pScene->splitSelectedClipByTime(m_tAnchorPos, grab);
    slot_setAnchorPos(m_tAnchorPos + kProbe, true);
}

void VTrackView::setDuration(const CBaseTime& d)
{
    const double m11 = transform().m11();
    const double width = m11 >= 0.4 || m11 <= 0.0 ? d.ToSeconds() + 100.0 : d.ToSeconds() + 100.0 / m11;
    setSceneRect(0, 0, width, sceneRect().height());
    m_tDuration = d;
}

void VTrackView::setScale(const double& sx, const double& sy)
{
    setTransform(QTransform::fromScale(sx, sy));
    m_pScene->setScale(sx, sy);
    m_pInsertLine->setRect(0, 0, 2, 180);
    horizontalScrollBar()->setValue(0);
}

void VTrackView::closeData()
{
    m_bInsertPosValid = false;
    m_tInsertPos = 0.0;
    if (m_pAutoScrollTimer->isActive())
        m_pAutoScrollTimer->stop();
    slot_setAnchorPos(CBaseTime(0.0), false);
}

CBaseTime VTrackView::getCloseUpClipStartTime(bool bPrevious) const
{
    return m_pScene->getCloseUpClipStartTimeByPos(m_tAnchorPos, bPrevious);
}

void VTrackView::SelectClipByAnchorPos()
{
    if (!m_pDragGhost)
        m_pScene->SelectClipByTime(m_tAnchorPos);
}

// ---------------------------------------------------------- editor apply

// The settings travel through the project manager, which changes the
// clips and tells the track once.
void VTrackView::applyTheEffectToMediaSourceItem(CMediaSourceItem* pItem, EDITORPAGE page)
{
    applyTheEffectToItems(QList<ISourceDataItem*>{pItem}, page);
}

void VTrackView::applyTheEffectToItems(const QList<ISourceDataItem*>& items, EDITORPAGE page)
{
    CMProjectMgr* manager = m_pScene->getProjectMgr();
    if (!manager || !m_pEditorClip || items.isEmpty())
        return;
    manager->CopyItemEffects(m_pEditorClip->getClipItemSouceData(), items, page);
}

void VTrackView::slot_editorApplayToCurSelectedClips()
{
    emit signal_updateMainPlayerAfterEditor(timeline(), false);
    applyTheEffectToItems(m_lstSelectedSources, EDITORPAGE_ALL);
}

void VTrackView::slot_editorApplyToAllTimeLineViewClipItems(EDITORPAGE edtCurPage)
{
    emit signal_updateMainPlayerAfterEditor(timeline(), false);
    const CTimelineItem* line = m_pScene->getTimeLineItem();
    if (!line)
        return;
    const std::vector<ISourceDataItem*> clips = line->GetChildItems();
    applyTheEffectToItems(QList<ISourceDataItem*>(clips.begin(), clips.end()), edtCurPage);
}
