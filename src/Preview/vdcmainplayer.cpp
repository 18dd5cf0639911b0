#include "vdcmainplayer.h"
#include "ui_vdcmainplayer.h"

#include "AppConfigure/AppConfigDefines.h"
#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "utility/CAudioEffectProc.h"
#include "utility/CEffectsProc.h"
#include "vdcframeplayer.h"
#include "ctimelineplayback.h"
#include "ProjectData/ctimelineitem.h"
#include "FrameSelect/vmframeselectview.h"
#include "utility/VPlayerSlider.h"
#include "dialogs/VRichMessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTimer>
#include <QStyle>
#include <QToolTip>

#include <cmath>

namespace {

const char* const STR_IMAGE_FORMAT_TYPE[14] = {"BMP", "GIF", "JPG",  "JPEG", "MNG", "PNG", "PBM",
                                               "PGM", "PPM", "TIFF", "XBM",  "XPM", "SVG", "TGA"};

constexpr int PLAY_SLIDER_MAX = 2000;

QString TimeText(double seconds)
{
    return QString::fromStdString(CBaseTimeFormat::BaseTimeToStrHH_MM_SS_MS(CBaseTime(seconds), false));
}

} // namespace

DCImageFormatType ImageFormatStrToType(const QString& str)
{
    for (int i = 0; i < 14; ++i)
        if (str.compare(QLatin1String(STR_IMAGE_FORMAT_TYPE[i]), Qt::CaseInsensitive) == 0)
            return static_cast<DCImageFormatType>(i);
    return DCImageBMP;
}

namespace {

bool IsPictureSuffix(const QString& suffix)
{
    for (const char* name : STR_IMAGE_FORMAT_TYPE)
        if (suffix.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

QString SnapshotFileName(const QString& chosen, const QString& chosenFilter)
{
    // A name without a picture suffix of its own (the proposed one has none)
    // gets the first suffix of the chosen file type that names a picture
    // format, so the file is written in that type and says so.
    if (IsPictureSuffix(QFileInfo(chosen).suffix()))
        return chosen;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    for (QRegularExpressionMatchIterator it = pattern.globalMatch(chosenFilter); it.hasNext();) {
        const QString suffix = it.next().captured(1);
        if (IsPictureSuffix(suffix))
            return chosen + "." + suffix;
    }
    return chosen;
}

VDCMainPlayer::VDCMainPlayer(QWidget* parent) : QFrame(parent), ui(new Ui::VDCMainPlayer)
{
    m_settings = CAppVariableInfo::GetInstance();
    ui->setupUi(this);
    ui->btnPreNext->hide();
    ui->btnNext->hide();
    m_framePlayer = ui->frmPlayer;
    m_playSlider = ui->sldPlayer;

    m_framePlayer->SetSelfEffect(true);
    m_framePlayer->SetCropSupport(false);
    m_framePlayer->InitPlayer();
    m_playSlider->setEnableMouseWheel(false);
    m_playSlider->resize(m_playSlider->width(), 10);
    m_playSlider->setRange(0, PLAY_SLIDER_MAX);
    m_playSlider->installEventFilter(this);
    m_playSlider->setMouseTracking(true);
    m_sliderCheckTimer = new QTimer(this);
    connect(m_sliderCheckTimer, &QTimer::timeout, this, &VDCMainPlayer::slot_OnCheckPlaySliderTimerTrigger);
    m_timeTimer = new QTimer(this);
    connect(m_timeTimer, &QTimer::timeout, this, &VDCMainPlayer::slot_OnUpdatePlayerTime);
    m_timeTimer->start(133);
    ui->sldVolume->setFocusPolicy(Qt::ClickFocus);
    ui->sldVolume->installEventFilter(this);
    ui->sldVolume->setMouseTracking(true);
    ui->btnVolume->installEventFilter(this);
    ui->btnVolume->setMouseTracking(true);
    ui->btnPlay->setShortcut(QKeySequence(Qt::Key_Space));

    m_frameStrip = new VMFrameSelectView(this);
    m_frameStrip->hide();
    m_frameStrip->setBasePlayer(m_framePlayer->GetMoorlandPlayer());
    setMouseTracking(true);
    m_stripClipImagesTimer = new QTimer(this);
    m_stripClipImagesTimer->setSingleShot(true);
    connect(m_stripClipImagesTimer, &QTimer::timeout, m_frameStrip, &VMFrameSelectView::slot_updateClipImagesAfterSeek);
    m_stripForwardFramesTimer = new QTimer(this);
    m_stripForwardFramesTimer->setSingleShot(true);
    connect(m_stripForwardFramesTimer, &QTimer::timeout, m_frameStrip,
            &VMFrameSelectView::slot_updateForwardFramesAfterSeek);
    connect(this, &VDCMainPlayer::signal_mainplayer_seeked, this, &VDCMainPlayer::slot_doAfterSeek);
    connect(this, &VDCMainPlayer::signal_mainplayer_paused, this, &VDCMainPlayer::slot_doAfterPause);
    connect(this, &VDCMainPlayer::signal_mainplayer_stoped, this, &VDCMainPlayer::slot_doAfterStop);
    connect(m_frameStrip, &VMFrameSelectView::signal_seekByOffset, this, &VDCMainPlayer::slot_seekByOffset);
    m_entryTimer = new QTimer(this);
    m_entryTimer->setSingleShot(true);
}

VDCMainPlayer::~VDCMainPlayer()
{
    m_frameStrip->hide();
    m_stripEnabled = false;
    m_frameStrip->setEnablePlayerSnapshot(false);
    m_seeked = false;
    if (m_framePlayer->SetSourceItem(nullptr)) {
        m_framePlayer->RedrawPicture();
        SetEnablePlayer(false);
    }
    m_timeTimer->stop();
    m_sliderCheckTimer->stop();
    delete m_timeTimer;
    delete m_sliderCheckTimer;
    // The engine stops before the processors it applies go.
    m_framePlayer->SetEffectProc(nullptr);
    m_framePlayer->SetAudioEffectProc(nullptr);
    m_framePlayer->GetVideoPlayer()->Close(true);
    delete m_effectProc;
    delete m_audioEffectProc;
    delete ui;
}

void VDCMainPlayer::SetAVManager(Moorland::IAVManager* manager)
{
    m_manager = manager;
    m_effectProc = new CEffectsProc(manager);
    m_audioEffectProc = new CAudioEffectProc(manager);
    m_framePlayer->SetEffectProc(m_effectProc);
    m_framePlayer->SetAudioEffectProc(m_audioEffectProc);
}

const IDCPlaySourceItem* VDCMainPlayer::GetSourceItem() const
{
    const IDCPlaySourceItem* held = m_framePlayer->GetSourceItem();
    if (m_playback && held == m_playback.get())
        return &m_playback->Timeline();
    return held;
}

bool VDCMainPlayer::SetSourceItem(IDCPlaySourceItem* item, bool bEnableStrip)
{
    return Hold(item, nullptr, bEnableStrip);
}

bool VDCMainPlayer::SetTimeline(const CTimelineItem* timeline, bool bEnableStrip)
{
    std::unique_ptr<CTimelinePlayback> playback;
    if (timeline)
        playback = std::make_unique<CTimelinePlayback>(*timeline);
    IDCPlaySourceItem* item = playback.get();
    return Hold(item, std::move(playback), bEnableStrip);
}

bool VDCMainPlayer::Hold(IDCPlaySourceItem* item, std::unique_ptr<CTimelinePlayback> playback, bool bEnableStrip)
{
    m_stripEnabled = item && bEnableStrip;
    m_frameStrip->setEnablePlayerSnapshot(m_stripEnabled);
    m_seeked = false;
    const bool result = m_framePlayer->SetSourceItem(item);
    // The previous playback goes only once the frame player has let go of
    // it; a playback the frame player did not take goes at once.
    IDCPlaySourceItem* held = m_framePlayer->GetSourceItem();
    if (playback && held == playback.get())
        m_playback = std::move(playback);
    else if (m_playback && held != m_playback.get())
        m_playback.reset();
    if (result) {
        m_framePlayer->RedrawPicture();
        SetEnablePlayer(item != nullptr);
    }
    return result;
}

// ------------------------------------------------------------ slider, time

double VDCMainPlayer::RangeLengthSeconds() const
{
    return (m_framePlayer->GetTrimEndPoint() - m_framePlayer->GetTrimStartPoint()).ToSeconds();
}

bool VDCMainPlayer::Tool_CheckSliderMoveValue(VDCFramePlayer* const& player, VPlayerSlider* const& slider, int value,
                                              unsigned int& targetMs)
{
    const double start = player->GetTrimStartPoint().ToSeconds();
    const double length = (player->GetTrimEndPoint() - player->GetTrimStartPoint()).ToSeconds();
    const double maximum = slider->maximum() > 0 ? slider->maximum() : 1;
    targetMs = static_cast<unsigned int>((start + value / maximum * length) * 1000.0);
    const unsigned int current = static_cast<unsigned int>(player->GetIPlayerCurTime().ToSeconds());
    const unsigned int difference = targetMs - current;
    return difference < length * 1000.0 * slider->getSliderHandleLenthRate() * 0.125;
}

unsigned int VDCMainPlayer::PositionMs(bool zeroWhenClosed) const
{
    const DCPlayerRunState state = m_framePlayer->GetPlayerRunState();
    if (state == DCPlayerStopped || (zeroWhenClosed && state == DCPlayerClosed))
        return 0;
    const double trimStartMs = m_framePlayer->GetTrimStartPoint().ToSeconds() * 1000.0;
    if (state == DCPlayerPaused && m_seeked) {
        const double ms = m_seekTime.ToSeconds() * 1000.0 - trimStartMs;
        return ms > 0 ? static_cast<unsigned int>(ms) : 0;
    }
    if (m_sliderCheckTimer->isActive()) {
        const double maximum = m_playSlider->maximum() > 0 ? m_playSlider->maximum() : 1;
        return static_cast<unsigned int>(m_pendingSliderValue / maximum * RangeLengthSeconds() * 1000.0);
    }
    // GetIPlayerCurTime carries the engine's milliseconds.
    const unsigned int current = static_cast<unsigned int>(m_framePlayer->GetIPlayerCurTime().ToSeconds());
    const unsigned int start = static_cast<unsigned int>(trimStartMs);
    return current > start ? current - start : 0;
}

void VDCMainPlayer::SetPlaySliderQuietly(int value)
{
    // The form bound the slot by name, so the same kind of connection is
    // taken down and made again.
    disconnect(m_playSlider, SIGNAL(valueChanged(int)), this, SLOT(on_sldPlayer_valueChanged(int)));
    m_playSlider->setValue(value);
    connect(m_playSlider, SIGNAL(valueChanged(int)), this, SLOT(on_sldPlayer_valueChanged(int)));
}

void VDCMainPlayer::slot_OnUpdatePlayerTime()
{
    UpdateControlElemStates();
    if (m_framePlayer->IsSourceItemEmpty()) {
        m_seekTime = 0.0;
        m_seeked = false;
        ui->lblPlayTime->setText("00:00:00.000/00:00:00.000");
        SetPlaySliderQuietly(0);
        m_mute = false;
        ui->sldVolume->setValue(ui->sldVolume->maximum() / 4);
        return;
    }
    const double length = RangeLengthSeconds();
    const unsigned int position = PositionMs(false);
    if (!m_sliderCheckTimer->isActive())
        SetPlaySliderQuietly(length > 0 ? static_cast<int>(m_playSlider->maximum() * (position / 1000.0) / length) : 0);
    ui->lblPlayTime->setText(QString("%1/%2").arg(TimeText(position / 1000.0), TimeText(length)));
    if (m_framePlayer->GetPlayerRunState() == DCPlayerPlaying)
        emit signal_mainplayer_playtimechanged(CBaseTime(position / 1000.0));
    disconnect(ui->sldVolume, &QSlider::valueChanged, this, &VDCMainPlayer::slot_AudioValueChanged);
    const unsigned int volume = m_framePlayer->GetVolume();
    if (!ui->sldVolume->hasFocus()) {
        ui->sldVolume->setValue(static_cast<int>(volume));
        ui->btnVolume->setChecked(volume == 0);
    }
    connect(ui->sldVolume, &QSlider::valueChanged, this, &VDCMainPlayer::slot_AudioValueChanged);
    if (m_framePlayer->Eof() || length * 1000.0 <= position)
        on_btnStop_clicked();
}

void VDCMainPlayer::slot_sendPlayTimeChange()
{
    emit signal_mainplayer_playtimechanged(CBaseTime(PositionMs(true) / 1000.0));
}

bool VDCMainPlayer::Seek(const CBaseTime& t)
{
    // A stopped player compares the engine time with the end of the range it
    // plays (a time in the source, like t), not with the range's length.
    if (m_framePlayer->GetPlayerRunState() == DCPlayerStopped && t > m_framePlayer->GetTrimEndPoint())
        return false;
    m_seekTime = t;
    m_seeked = true;
    const bool result = m_framePlayer->Seek(static_cast<unsigned int>(std::max(0, t.ToMillisecond())));
    emit signal_mainplayer_seeked();
    QTimer::singleShot(50, this, &VDCMainPlayer::slot_sendPlayTimeChange);
    return result;
}

void VDCMainPlayer::SeekFromSlider(unsigned int targetMs)
{
    const DCPlayerRunState state = m_framePlayer->GetPlayerRunState();
    m_seekTime = targetMs / 1000.0;
    m_seeked = true;
    m_framePlayer->Seek(targetMs);
    if (state == DCPlayerPlaying)
        m_framePlayer->Play();
}

void VDCMainPlayer::on_sldPlayer_valueChanged(int value)
{
    if (m_framePlayer->IsSourceItemEmpty() || m_framePlayer->GetPlayerRunState() == DCPlayerClosed)
        return;
    unsigned int target = 0;
    if (Tool_CheckSliderMoveValue(m_framePlayer, m_playSlider, value, target))
        return;
    SeekFromSlider(target);
    emit signal_mainplayer_seeked();
    QTimer::singleShot(50, this, &VDCMainPlayer::slot_sendPlayTimeChange);
}

void VDCMainPlayer::on_sldPlayer_sliderMoved(int value)
{
    if (m_framePlayer->GetPlayerRunState() == DCPlayerClosed)
        return;
    unsigned int target = 0;
    if (Tool_CheckSliderMoveValue(m_framePlayer, m_playSlider, value, target))
        return;
    m_pendingSliderValue = value;
    if (!m_sliderCheckTimer->isActive())
        m_sliderCheckTimer->start(100);
    slot_sendPlayTimeChange();
}

void VDCMainPlayer::slot_OnCheckPlaySliderTimerTrigger()
{
    unsigned int target = 0;
    if (!Tool_CheckSliderMoveValue(m_framePlayer, m_playSlider, m_pendingSliderValue, target))
        SeekFromSlider(target);
    m_sliderCheckTimer->stop();
}

// -------------------------------------------------------- play, pause, stop

void VDCMainPlayer::on_btnPlay_clicked(bool checked)
{
    m_seekTime = 0.0;
    m_seeked = false;
    if (checked) {
        if (m_framePlayer->Play()) {
            ui->btnPlay->setToolTip(tr("Pause"));
            m_stripClipImagesTimer->stop();
            m_stripForwardFramesTimer->stop();
        }
    } else {
        if (m_framePlayer->Pause())
            ui->btnPlay->setToolTip(tr("Play"));
        emit signal_mainplayer_paused();
    }
    ui->btnPlay->setChecked(checked);
}

void VDCMainPlayer::on_btnPlay_toggled(bool checked)
{
    ui->btnPlay->setToolTip(checked ? tr("Pause") : tr("Play"));
}

void VDCMainPlayer::Play()
{
    on_btnPlay_clicked(true);
}

void VDCMainPlayer::Pause()
{
    on_btnPlay_clicked(false);
}

void VDCMainPlayer::on_btnStop_clicked()
{
    m_seekTime = 0.0;
    m_seeked = false;
    if (m_framePlayer->GetPlayerRunState() == DCPlayerStopped) {
        ui->btnPlay->setChecked(false);
        ui->btnPlay->setToolTip(tr("Play"));
    } else if (m_framePlayer->Stop()) {
        ui->btnPlay->setChecked(false);
        ui->btnPlay->setToolTip(tr("Play"));
        m_framePlayer->RedrawPicture();
    }
    emit signal_mainplayer_stoped();
}

void VDCMainPlayer::Stop()
{
    on_btnStop_clicked();
}

void VDCMainPlayer::NextFrame()
{
    m_seekTime = 0.0;
    m_seeked = false;
    emit signal_mainplayer_nextFrame();
    m_framePlayer->NextFrame();
    if (m_framePlayer->GetPlayerRunState() == DCPlayerPaused)
        ui->btnPlay->setChecked(false);
    QTimer::singleShot(50, this, &VDCMainPlayer::slot_sendPlayTimeChange);
}

void VDCMainPlayer::PreFrame()
{
    m_seekTime = 0.0;
    m_seeked = false;
    emit signal_mainplayer_preFrame();
    m_framePlayer->PreFrame();
    if (m_framePlayer->GetPlayerRunState() == DCPlayerPaused)
        ui->btnPlay->setChecked(false);
    QTimer::singleShot(50, this, &VDCMainPlayer::slot_sendPlayTimeChange);
}

void VDCMainPlayer::on_btnNext_clicked()
{
    m_seekTime = 0.0;
    m_seeked = false;
    m_framePlayer->NextFrame();
    if (m_framePlayer->GetPlayerRunState() == DCPlayerPaused)
        ui->btnPlay->setChecked(false);
}

void VDCMainPlayer::on_btnPreNext_clicked()
{
    m_seekTime = 0.0;
    m_seeked = false;
    m_framePlayer->PreFrame();
    if (m_framePlayer->GetPlayerRunState() == DCPlayerPaused)
        ui->btnPlay->setChecked(false);
}

void VDCMainPlayer::Close()
{
    m_framePlayer->Close();
}

void VDCMainPlayer::UpdateFramePlayer()
{
    m_framePlayer->RedrawPicture();
}

void VDCMainPlayer::slot_seekByOffset(int nOffset)
{
    const DCPlayerRunState state = m_framePlayer->GetPlayerRunState();
    if (!m_stripEnabled || state == DCPlayerClosed)
        return;
    disconnect(this, &VDCMainPlayer::signal_mainplayer_seeked, this, &VDCMainPlayer::slot_doAfterSeek);
    disconnect(this, &VDCMainPlayer::signal_mainplayer_paused, this, &VDCMainPlayer::slot_doAfterPause);
    if (state == DCPlayerStopped)
        Seek(CBaseTime(0.0));
    else if (state == DCPlayerPlaying)
        on_btnPlay_clicked(false);
    for (int i = 0; i < std::abs(nOffset); ++i) {
        if (nOffset < 0)
            PreFrame();
        else
            NextFrame();
    }
    QTimer::singleShot(200, m_frameStrip, &VMFrameSelectView::slot_updateClipImages);
    connect(this, &VDCMainPlayer::signal_mainplayer_paused, this, &VDCMainPlayer::slot_doAfterPause);
    connect(this, &VDCMainPlayer::signal_mainplayer_seeked, this, &VDCMainPlayer::slot_doAfterSeek);
}

void VDCMainPlayer::slot_doAfterSeek()
{
    if (!m_stripEnabled)
        return;
    if (m_framePlayer->GetPlayerRunState() == DCPlayerPaused) {
        m_stripForwardFramesTimer->start(100);
        m_stripClipImagesTimer->start(150);
    }
}

void VDCMainPlayer::slot_doAfterPause()
{
    if (m_stripEnabled)
        QTimer::singleShot(200, m_frameStrip, &VMFrameSelectView::slot_updateClipImages);
}

void VDCMainPlayer::slot_doAfterStop()
{
    if (!m_stripEnabled)
        return;
    m_frameStrip->setEnablePlayerSnapshot(false);
    m_frameStrip->updateClipFrames();
    m_frameStrip->setEnablePlayerSnapshot(true);
}

void VDCMainPlayer::slot_GetCurPicBorderTime(bool& bSucceed, qint64& nBorderTime, qint32& nFrameValue)
{
    long long border = 0;
    int value = 0;
    bSucceed = m_framePlayer->GetCurPicBorderTime(border, value);
    nBorderTime = border;
    nFrameValue = value;
}

void VDCMainPlayer::slot_CaptureCurFrame(QImage& iImage, int nWidth, int nHeight)
{
    m_framePlayer->Snapshot(nWidth, nHeight, iImage, false);
}

// ------------------------------------------------------------ volume, mute

void VDCMainPlayer::slot_AudioValueChanged()
{
    disconnect(ui->btnVolume, SIGNAL(toggled(bool)), this, SLOT(on_btnVolume_toggled(bool)));
    const int v = ui->sldVolume->value();
    m_framePlayer->SetVolume(static_cast<unsigned int>(v));
    ui->btnVolume->setChecked(v == 0);
    connect(ui->btnVolume, SIGNAL(toggled(bool)), this, SLOT(on_btnVolume_toggled(bool)));
}

void VDCMainPlayer::on_btnVolume_toggled(bool toggled)
{
    SetMute(toggled);
}

void VDCMainPlayer::SetMute(bool b)
{
    if (b != m_mute)
        m_mute = b;
    if (!m_framePlayer)
        return;
    if (b) {
        m_volumeBeforeMute = ui->sldVolume->value();
        ui->sldVolume->setValue(0);
    } else {
        ui->sldVolume->setValue(m_volumeBeforeMute);
    }
}

// ---------------------------------------------------------------- enabling

void VDCMainPlayer::SetEnablePlayer(bool b)
{
    m_playerEnabled = b;
    if (!b) {
        m_framePlayer->SetSourceItem(nullptr);
        ui->lblPlayTime->setText("00:00:00.000/00:00:00.000");
    }
    for (QWidget* w :
         {static_cast<QWidget*>(ui->btnPlay), static_cast<QWidget*>(ui->btnStop), static_cast<QWidget*>(ui->btnPreNext),
          static_cast<QWidget*>(ui->btnNext), static_cast<QWidget*>(ui->btnVolume),
          static_cast<QWidget*>(ui->sldPlayer), static_cast<QWidget*>(ui->sldVolume)})
        w->setEnabled(b);
    UpdateControlElemStates();
}

void VDCMainPlayer::UpdateControlElemStates()
{
    const DCPlayerRunState state = m_framePlayer->GetPlayerRunState();
    if (state == DCPlayerPlaying)
        ui->btnPlay->setChecked(true);
    else if (state == DCPlayerPaused || state == DCPlayerStopped || state == DCPlayerClosed)
        ui->btnPlay->setChecked(false);
    if (!m_framePlayer->IsSourceItemEmpty()) {
        ui->btnPlay->setEnabled(m_playerEnabled);
        ui->btnStop->setEnabled(state != DCPlayerStopped && state != DCPlayerClosed);
        ui->btnPreNext->setEnabled(state != DCPlayerClosed);
        ui->btnNext->setEnabled(state != DCPlayerClosed);
        ui->sldVolume->setEnabled(state != DCPlayerClosed);
    }
    ui->btnVolume->setChecked(m_mute);
}

void VDCMainPlayer::SetEnableFrameSelectView(bool b)
{
    m_stripEnabled = b;
    m_frameStrip->setEnablePlayerSnapshot(b);
}

QRect VDCMainPlayer::GetFrameRect() const
{
    return m_framePlayer->GetCDCDrawFrameRect();
}

void VDCMainPlayer::SetSkinPath(const QString& path)
{
    if (m_framePlayer)
        m_framePlayer->SetSkinPath(path);
}

void VDCMainPlayer::ReTranslate()
{
    ui->retranslateUi(this);
    ui->btnPlay->setToolTip(ui->btnPlay->isChecked() ? tr("Pause") : tr("Play"));
}

void VDCMainPlayer::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate();
    QFrame::changeEvent(e);
}

// --------------------------------------------------------------- the strip

void VDCMainPlayer::PlaceStripRect()
{
    const QRect g = m_framePlayer->geometry();
    m_stripRect =
        QRect(QPoint(g.left() + 1, g.bottom() + 1 - m_frameSelectViewHeight), QPoint(g.right() + 1, g.bottom()));
}

void VDCMainPlayer::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    PlaceStripRect();
    if (m_frameStrip->isVisible()) {
        m_frameStrip->resize(m_framePlayer->width(), m_frameSelectViewHeight);
        m_frameStrip->move(m_stripRect.topLeft());
    }
}

void VDCMainPlayer::setframeSelectViewHeight(int h)
{
    if (h == m_frameSelectViewHeight)
        return;
    m_frameSelectViewHeight = h;
    const int W = m_framePlayer->width();
    const int H = m_framePlayer->height();
    m_stripRect = QRect(QPoint(0, H - 1 - h), QPoint(W - 1, H - 2));
    if (m_frameStrip->isVisible()) {
        m_frameStrip->move(m_stripRect.topLeft());
        m_frameStrip->resize(W, h);
    }
}

void VDCMainPlayer::moveEvent(QMoveEvent* e)
{
    QFrame::moveEvent(e);
    // The strip is a child overlay: it moves with the panel by itself.
}

void VDCMainPlayer::enterEvent(QEvent* e)
{
    m_entryTimer->start(200);
    QFrame::enterEvent(e);
}

void VDCMainPlayer::mouseMoveEvent(QMouseEvent* e)
{
    QFrame::mouseMoveEvent(e);
    if (m_entryTimer->isActive() || !m_stripEnabled)
        return;
    const QPoint p = e->pos();
    const int half = m_stripRect.height() / 2;
    const bool inBand = p.x() >= m_stripRect.left() + 15 && p.x() <= m_stripRect.right() - 15 &&
                        p.y() >= m_stripRect.top() + half - 10 && p.y() <= m_stripRect.top() + 2 * half - 11;
    if (inBand && m_frameStrip->isHidden()) {
        m_frameStrip->resize(m_stripRect.size());
        m_frameStrip->move(m_stripRect.topLeft());
        m_frameStrip->show();
        m_frameStrip->raise();
    }
}

bool VDCMainPlayer::eventFilter(QObject* watched, QEvent* e)
{
    const QEvent::Type type = e->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::Wheel) &&
        !m_framePlayer->IsSourceItemEmpty()) {
        QPoint pos;
        if (type == QEvent::Wheel)
            pos = static_cast<QWheelEvent*>(e)->position().toPoint();
        else
            pos = static_cast<QMouseEvent*>(e)->pos();
        if ((watched == ui->sldVolume || watched == ui->btnVolume) && ui->sldVolume->isEnabled()) {
            const QRect area(QPoint(0, 0), ui->sldVolume->size());
            if (area.contains(pos, true)) {
                const QString value =
                    ui->btnVolume->isChecked() ? QString("0") : QString::number(ui->sldVolume->value());
                QToolTip::showText(static_cast<QWidget*>(watched)->mapToGlobal(pos), tr("Volume:") + value);
            } else {
                QToolTip::hideText();
            }
        } else if (watched == ui->sldPlayer && ui->sldPlayer->isEnabled()) {
            if (ui->sldPlayer->rect().contains(pos, true) && ui->sldPlayer->width() > 0) {
                // The position a click here seeks to: the play range spread
                // over the slider's width, as a click on the groove does.
                const double maximum = m_playSlider->maximum() > 0 ? m_playSlider->maximum() : 1;
                const int value = QStyle::sliderValueFromPosition(m_playSlider->minimum(), m_playSlider->maximum(),
                                                                  pos.x(), m_playSlider->width());
                const double t = value / maximum * RangeLengthSeconds();
                if (t >= 0 && t <= RangeLengthSeconds())
                    QToolTip::showText(ui->sldPlayer->mapToGlobal(pos), TimeText(t));
            } else {
                QToolTip::hideText();
            }
        }
    }
    return QFrame::eventFilter(watched, e);
}

// ---------------------------------------------------------------- snapshot

void VDCMainPlayer::on_btnSnapshot_clicked()
{
    if (m_framePlayer->GetPlayerRunState() != DCPlayerPaused)
        on_btnPlay_clicked(false);
    const QString name = QDateTime::currentDateTime().toString("yyyy-MM-dd") + " " +
                         QDateTime::currentDateTime().toString("hh:mm:ss").replace(":", "_");
    const QString folder = m_settings->GetInfoValue(VARIABLE_INFO_SNAPSHOTSAVEPATH, QVariant()).toString();
    const QString filter = m_settings->GetInfoValue(VARIABLE_INFO_SANPSHOT_SAVE_FILTER, QVariant()).toString();
    QString chosenFilter;
    QString chosen = QFileDialog::getSaveFileName(this, tr("Save Snapshot File"), folder + QDir::separator() + name,
                                                  filter, &chosenFilter);
    if (chosen.isEmpty())
        return;
    chosen = SnapshotFileName(chosen, chosenFilter);
    int width = -1;
    int height = -1;
    if (!m_settings->GetInfoValue(VARIABLE_INFO_SNAPSHOTASORGSIZE, QVariant()).toBool()) {
        width = m_settings->GetInfoValue(VARIABLE_INFO_SNAPSHOTWIDTH, QVariant()).toInt();
        height = m_settings->GetInfoValue(VARIABLE_INFO_SNAPSHOTHEIGHT, QVariant()).toInt();
    }
    std::string path = QDir::toNativeSeparators(chosen).toUtf8().toStdString();
    const DCImageFormatType format = ImageFormatStrToType(QFileInfo(chosen).suffix());
    if (m_framePlayer->Snapshot(width, height, format, path, true)) {
        m_settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTSAVEPATH,
                                 QDir::toNativeSeparators(QFileInfo(QString::fromUtf8(path.c_str())).absolutePath()));
        return;
    }
    const QString reason = QString::fromUtf8(GetQuentaException()->GetExceptionMsg()).trimmed();
    QString text = tr("The snapshot could not be saved as \"%1\".").arg(QDir::toNativeSeparators(chosen));
    if (!QFileInfo(QFileInfo(chosen).absolutePath()).isWritable())
        text += "\n" + tr("The folder cannot be written: choose another one.");
    else if (!reason.isEmpty())
        text += "\n" + reason;
    ExecPromptMessageBox(text, QDialogButtonBox::Ok, QMessageBox::Warning);
}
