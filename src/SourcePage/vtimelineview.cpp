#include "vtimelineview.h"

#include "ui_vtimelineview.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "dialogs/VRichMessageBox.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/ctimelineitem.h"
#include "ProjectData/isourcedataitem.h"
#include "vruler.h"
#include "vtimelinegotoedit.h"
#include "vtrackscene.h"
#include "vtrackview.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QTimer>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScrollBar>
#include <QKeyEvent>

#include <algorithm>

using Fablecut::ISourceDataItem;

namespace {

const char* const kZoomKey = "TimeLineViewScaleValue";
const int kZoomMin = 1;
const int kZoomMax = 12;
const int kZoomDefault = 6;
// The width of every clip thumbnail (the import grabs them this wide).
const int kThumbnailWidth = 640;

QHBoxLayout* BareRow(QWidget* parent)
{
    auto* row = new QHBoxLayout(parent);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    return row;
}

} // namespace

VTimeLineView::VTimeLineView(QWidget* parent)
    : QFrame(parent), m_ui(new Ui::VTimeLineViewClass), m_settings(CAppVariableInfo::GetInstance())
{
    m_ui->setupUi(this);
    setFocusPolicy(Qt::ClickFocus);

    m_scene = new VTrackScene(nullptr);
    m_trackView = new VTrackView(m_scene, this);
    m_trackView->setTransform(QTransform());
    m_trackView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_ruler = new VRuler(m_trackView);
    QHBoxLayout* rulerRow = BareRow(m_ui->frameRuler);
    rulerRow->setContentsMargins(m_trackView->frameWidth(), 0, 0, 0);
    rulerRow->addWidget(m_ruler);
    BareRow(m_ui->frameTracks)->addWidget(m_trackView);

    m_timeEdit = new VTimelineGotoEdit(this);
    BareRow(m_ui->frm_editTime)->addWidget(m_timeEdit);

    m_ui->sldZoom->setMaximum(kZoomMax);
    m_ui->sldZoom->setMinimum(kZoomMin);
    m_ui->sldZoom->setPageStep(1);
    // A stored step outside the ruler's range would index past its table.
    int step = m_settings ? m_settings->GetInfoValue(kZoomKey, kZoomDefault).toInt() : kZoomDefault;
    step = std::max(kZoomMin, std::min(kZoomMax, step));
    {
        const QSignalBlocker block(m_ui->sldZoom);
        m_ui->sldZoom->setValue(step);
    }
    m_timeEdit->setText(QStringLiteral("00:00:00.000"));
    on_sldZoom_valueChanged(step);
    initConnection();
}

VTimeLineView::~VTimeLineView()
{
    if (m_settings)
        m_settings->SetInfoValue(kZoomKey, m_ui->sldZoom->value());
    delete m_ui;
    m_ui = nullptr;
    // The view first: it still takes its drag ghost out of the scene. The
    // scene's last selection change then reaches nobody.
    m_scene->disconnect(this);
    m_ruler->setAnchorPosCall(nullptr);
    delete m_trackView;
    m_trackView = nullptr;
    m_ruler = nullptr;
    delete m_scene;
    m_scene = nullptr;
}

const CTimelineItem* VTimeLineView::getTimeLineItem() const
{
    return m_scene ? m_scene->getTimeLineItem() : nullptr;
}

void VTimeLineView::initConnection()
{
    VTrackScene* scene = m_scene;
    VTrackView* view = m_trackView;
    connect(scene, &VTrackScene::signal_DuplicateClip_refreshRuler, this, &VTimeLineView::slot_refreshRuler);
    connect(scene, &QGraphicsScene::selectionChanged, this, &VTimeLineView::slot_scence_selectionChanged);
    connect(scene, &VTrackScene::signal_timeLineSourceDataItemUpdated, view,
            &VTrackView::slot_timeLineSourceDataItemUpdated);
    connect(scene, &VTrackScene::signal_timeLineSourceDataItemUpdated, m_ruler, &VRuler::setDuration);
    connect(scene, &VTrackScene::signal_changeAnchorPosToTime, view,
            [view](CBaseTime t, bool seek) { view->slot_setAnchorPos(t, seek); });
    connect(scene, &VTrackScene::signal_updateAVsouceData, this, &VTimeLineView::signal_updateAVsouceData);
    connect(scene, &VTrackScene::signal_TimeLineItemChildCountIsZero, this,
            &VTimeLineView::signal_TimeLineItemChildCountIsZero);

    connect(view, &VTrackView::signal_insert, m_ruler,
            [this](const bool& on, const CBaseTime& at) { m_ruler->slot_insert(on, at); });
    connect(view, &VTrackView::signal_trackViewMouseMoved, this, &VTimeLineView::slot_timeLineMouseMoved);
    connect(view, &VTrackView::signal_trackMouseLeave, m_timeEdit, &VTimelineGotoEdit::slot_timeLineMouseLeave);
    connect(view, &VTrackView::signal_rulerAnchorMoved, m_ruler, &VRuler::slot_rulerAnchorMoved);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, m_ruler, &VRuler::slot_moveRuler);
    connect(view, &VTrackView::signal_updateAVsouceData, this, &VTimeLineView::signal_updateAVsouceData);
    connect(view, &VTrackView::signal_seekToCurTime, this, &VTimeLineView::signal_seekToCurTime);
    connect(view, &VTrackView::signal_updateMainPlayerAfterEditor, this,
            &VTimeLineView::signal_updateMainPlayerAfterEditor);
    connect(view, &VTrackView::signal_clipItemEditorEnableChanged, this,
            &VTimeLineView::signal_clipItemEditorEnableChanged);
    connect(view, &VTrackView::signal_initEditorSourceDataItemChanged, this,
            &VTimeLineView::signal_initEditorSourceDataItemChanged);

    connect(m_ruler, &VRuler::signal_rulerMouseMoved, this, &VTimeLineView::slot_timeLineMouseMoved);
    connect(m_ruler, &VRuler::signal_rulerMouseLeave, m_timeEdit, &VTimelineGotoEdit::slot_timeLineMouseLeave);
    m_ruler->setAnchorPosCall([view] { return view->getAnchorPos(); });
    connect(m_ruler, &VRuler::signal_SetIgnoreAnchorMoveSignal, view, &VTrackView::slot_SetIgnoreAnchorMoveSignal);
    connect(m_ruler, &VRuler::signal_AnchorPosChanged, this,
            [this](const CBaseTime& t, const bool& seek) { slot_seekPalyTimeByRuler(t, seek); });
    connect(m_timeEdit, &QLineEdit::returnPressed, this, &VTimeLineView::slot_edtTime_returnPressed);

    connect(this, &VTimeLineView::signal_editorApplayToCurSelectedClips, view,
            &VTrackView::slot_editorApplayToCurSelectedClips);
    connect(this, &VTimeLineView::signal_editorApplyToAllTimeLineViewClipItems, view,
            &VTrackView::slot_editorApplyToAllTimeLineViewClipItems);
    connect(this, &VTimeLineView::signal_editorEnableChagned, view, &VTrackView::slot_editorApplayToCurSelectedClips);
}

void VTimeLineView::setProjectMgr(CMProjectMgr* manager)
{
    if (!manager || m_projectMgr)
        return;
    m_projectMgr = manager;
    // Edits go to the manager as calls; the track follows its change notice.
    m_scene->setProjectMgr(manager);
    connect(manager, &CMProjectMgr::signal_InsertFilesFinished, m_trackView, &VTrackView::slot_InsertFilesFinished);
}

void VTimeLineView::setHostCalls(const TimeLineHostCalls& calls)
{
    m_calls = calls;
    m_trackView->setHostCalls(calls);
}

void VTimeLineView::slot_mainplayer_playtimechanged(CBaseTime time)
{
    m_trackView->slot_setAnchorPos(time, false);
}

void VTimeLineView::slot_mainplayer_stoped()
{
    m_trackView->slot_setAnchorPos(CBaseTime(0.0), false);
}

void VTimeLineView::slot_IsTimeLineViewHoldThePlayer(bool hold)
{
    m_trackView->setIsTimeLineViewHoldThePlayer(hold);
}

void VTimeLineView::slot_ClearSelectionOfTimeLineIClipItems()
{
    if (m_scene)
        m_scene->clearSelection();
}

QStringList VTimeLineView::removeClipsWhere(const std::function<bool(const QString&)>& matches)
{
    const CTimelineItem* line = getTimeLineItem();
    if (!line)
        return {};
    QList<ISourceDataItem*> collected;
    QStringList names;
    for (ISourceDataItem* clip : line->GetChildItems()) {
        if (collected.contains(clip))
            continue;
        const QString path = QDir::toNativeSeparators(clip->GetSrcFileFullPath());
        if (!matches(path))
            continue;
        names << QFileInfo(path).fileName();
        for (ISourceDataItem* same : line->getItemsByFullPath(clip->GetSrcFileFullPath()))
            if (!collected.contains(same))
                collected << same;
    }
    if (collected.isEmpty())
        return {};
    // The player lets go of the timeline before its clips are freed.
    emit signal_updateAVsouceData(line);
    m_scene->deleteSourceDataItemList(collected, false);
    return names;
}

void VTimeLineView::slot_setMissingFiles(QStringList paths)
{
    // The clips whose files have just gone are named once; they keep their
    // place and edits, and come back to life with their files.
    QStringList names;
    if (const CTimelineItem* line = getTimeLineItem()) {
        for (ISourceDataItem* clip : line->GetChildItems()) {
            const QString path = QDir::toNativeSeparators(clip->GetSrcFileFullPath());
            const QString name = QFileInfo(path).fileName();
            if (paths.contains(path) && !m_scene->isSourceMissing(path) && !names.contains(name))
                names << name;
        }
    }
    m_scene->setMissingFiles(paths);
    if (names.isEmpty())
        return;
    const QString text = tr("The files of these clips no longer exist. The clips stay on the timeline with their "
                            "edits, shown as missing, and cannot be converted until their files are back:") +
                         "\n\n" + names.join("\n");
    // Not waited for: the periodic check that found the files goes on.
    QTimer::singleShot(0, this, [this, text] {
        auto* box = new VRichMessageBox(this, QDialogButtonBox::Ok, QMessageBox::Warning, VRichMessageBox::ShowCaption);
        box->setObjectName("vanishedClipsMessageBox");
        box->SetDefaultButton(QDialogButtonBox::Ok);
        box->SetCaption(text);
        connect(box, &QDialog::finished, box, &QObject::deleteLater);
        box->open();
    });
}

void VTimeLineView::slot_removeThoseDonotExistMedias(QString prefix)
{
    removeClipsWhere([&prefix](const QString& path) { return path.startsWith(prefix, Qt::CaseSensitive); });
}

void VTimeLineView::on_btnSplit_clicked()
{
    qint64 borderMs = 0;
    qint32 frameValue = 0;
    const bool found = m_calls.GetCurPicBorderTime && m_calls.GetCurPicBorderTime(borderMs, frameValue);
    // The piece's thumbnail is the picture at its own shown shape, as an
    // imported clip's is (640 wide): a phone's tall picture stays tall.
    QImage grab = m_calls.CaptureCurFrame ? m_calls.CaptureCurFrame(-1, -1) : QImage();
    if (!grab.isNull() && grab.width() != kThumbnailWidth)
        grab = grab.scaledToWidth(kThumbnailWidth, Qt::SmoothTransformation);
    if (found)
        m_trackView->splitAnchorClipByCurTime(static_cast<long long>(borderMs), frameValue, grab);
    else
        m_trackView->splitAnchorClip(grab);
}

void VTimeLineView::on_btnDelete_clicked()
{
    m_trackView->slot_deleteSelectedClips();
}

void VTimeLineView::keyPressEvent(QKeyEvent* event)
{
    // The keys the zoom buttons' tips name, from wherever the focus is in
    // the timeline: "+" with or without Shift, "=" (the same key unshifted)
    // and the keypad's.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods == Qt::NoModifier && (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal)) {
        on_btnZoomIn_clicked();
        event->accept();
        return;
    }
    if (mods == Qt::NoModifier && event->key() == Qt::Key_Minus) {
        on_btnZoomOut_clicked();
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}

void VTimeLineView::on_btnZoomIn_clicked()
{
    m_ui->sldZoom->setValue(m_ui->sldZoom->value() + 1);
}

void VTimeLineView::on_btnZoomOut_clicked()
{
    m_ui->sldZoom->setValue(m_ui->sldZoom->value() - 1);
}

void VTimeLineView::on_sldZoom_valueChanged(int value)
{
    if (!m_ruler)
        return;
    const unsigned int step = static_cast<unsigned int>(std::max(kZoomMin, std::min(kZoomMax, value)));
    m_ruler->setRateByIndex(step);
    m_pixelsPerSecond = 12.0 / VRuler::getScaleByIndex(step);
    m_trackView->setScale(m_pixelsPerSecond, m_scene->getScale().second);
}

void VTimeLineView::slot_scence_selectionChanged()
{
    if (m_trackView)
        m_trackView->updateSelectedSeekPoint();
}

void VTimeLineView::slot_timeLineMouseMoved(QMouseEvent* event)
{
    if (!event)
        return;
    CBaseTime t;
    m_ruler->getHoriPosTime(event->pos().x(), t);
    if (t < CBaseTime(0.0))
        t = 0.0;
    m_timeEdit->slot_timeLineMouseMoved(t);
}

void VTimeLineView::slot_edtTime_returnPressed()
{
    if (m_timeEdit->text() == m_timeEdit->getFocusTime()) {
        m_timeEdit->clearFocus();
        return;
    }
    if (!getTimeLineItem()) {
        m_timeEdit->setText(QStringLiteral("00:00:00.000"));
    } else {
        CBaseTime t;
        if (!m_timeEdit->getDisplayTime(t)) {
            // Text that is no time: the field shows its last time again.
            m_timeEdit->setText(m_timeEdit->getFocusTime());
            m_timeEdit->clearFocus();
            return;
        }
        m_trackView->slot_setAnchorPos(t, true);
    }
    m_timeEdit->setFocusTime(m_timeEdit->text());
    m_timeEdit->clearFocus();
}

void VTimeLineView::slot_refreshRuler()
{
    m_ruler->update();
}

void VTimeLineView::slot_seekPalyTimeByRuler(CBaseTime time, bool seek)
{
    m_trackView->slot_setAnchorPos(time, seek);
}

bool VTimeLineView::event(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange && m_ui) {
        m_ui->retranslateUi(this);
        if (m_trackView)
            m_trackView->ReTranslate();
    }
    return QFrame::event(event);
}
