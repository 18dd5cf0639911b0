#include "vmpreviewplayer.h"
#include "ui_vmpreviewplayer.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/isourcedataitem.h"
#include "vdcframeplayer.h"
#include "utility/VPlayerSlider.h"

#include <QEvent>
#include <QFileInfo>
#include <QTimer>

#include <memory>

VMPreviewPlayer::VMPreviewPlayer(QWidget* parent) : QFrame(parent), ui(new Ui::VMPreviewPlayer)
{
    ui->setupUi(this);
    m_slider = ui->sldPlayer;
    m_framePlayer = ui->frmPlayer;
    m_framePlayer->SetCropSupport(false);
    m_framePlayer->SetSelfEffect(false);
    m_framePlayer->InitPlayer();
    m_updateTimer = new QTimer(this);
    connect(m_updateTimer, &QTimer::timeout, this, &VMPreviewPlayer::slot_OnUpdatePlayerTime);
}

VMPreviewPlayer::~VMPreviewPlayer()
{
    m_framePlayer->SetSourceItem(nullptr);
    // Also a failed detach leaves no source of the clip in the engine.
    m_framePlayer->GetVideoPlayer()->Close(true);
    delete m_framePlayer;
    m_framePlayer = nullptr;
    delete m_item;
    delete ui;
}

bool VMPreviewPlayer::SetMediaFile(QString path)
{
    if (IDCPlaySourceItem* current = m_framePlayer->GetSourceItem()) {
        if (auto* data = static_cast<Fablecut::ISourceDataItem*>(current->GetInterFace(IDCDATAITEMEX_INTERFACE)))
            if (data->GetSrcFileFullPath() == path)
                return true;
    }
    std::unique_ptr<Fablecut::CMediaSourceItem> item;
    bool leftClear = false;
    const bool ok = QB_GUARDED(false, {
        if (!m_manager)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        item = std::make_unique<Fablecut::CMediaSourceItem>();
        item->SetSrcFileFullPath(path);
        item->SetAVManager(m_manager);
        if (!item->OpenImporter()) {
            if (GetQuentaException()->GetExceptionCode())
                QuentaBased::ThrowLastError();
            leftClear = true;
            return false;
        }
        item->setName(QFileInfo(path).completeBaseName());
        item->UpdateMovieInfos();
        if (!item->GetCurMovieInfo())
            QB_THROW(QB_ERR_MEDIA, "No Movie Info");
        return true;
    });
    if (!ok) {
        if (leftClear)
            GetQuentaException()->Clear();
        return false;
    }
    Fablecut::CMediaSourceItem* old = m_item;
    m_item = item.release();
    if (!m_framePlayer->SetSourceItem(m_item)) {
        // The frame player lets go of every clip before the old one is freed.
        const int code = GetQuentaException()->GetExceptionCode();
        const std::string message = GetQuentaException()->GetExceptionMsg();
        m_framePlayer->SetSourceItem(nullptr);
        GetQuentaException()->SetException(code, message.c_str(), __LINE__, __FILE__);
    }
    delete old;
    return true;
}

void VMPreviewPlayer::Play()
{
    emit signal_previewplayer_play();
    m_framePlayer->Play();
    ui->btnPlay->setChecked(true);
}

void VMPreviewPlayer::Pause()
{
    emit signal_previewplayer_pause();
    m_framePlayer->Pause();
    ui->btnPlay->setChecked(false);
}

void VMPreviewPlayer::Close()
{
    m_framePlayer->Close();
}

void VMPreviewPlayer::UpdateControlElemStates()
{
    const DCPlayerRunState state = m_framePlayer->GetPlayerRunState();
    if (state == DCPlayerPlaying)
        ui->btnPlay->setChecked(true);
    else if (state == DCPlayerPaused || state == DCPlayerStopped || state == DCPlayerClosed)
        ui->btnPlay->setChecked(false);
}

void VMPreviewPlayer::ReTranslate()
{
    ui->retranslateUi(this);
    ui->btnPlay->setToolTip(ui->btnPlay->isChecked() ? tr("Pause") : tr("Play"));
}

void VMPreviewPlayer::on_btnPlay_clicked(bool checked)
{
    if (checked) {
        emit signal_previewplayer_play();
        m_framePlayer->Play();
    } else {
        emit signal_previewplayer_pause();
        m_framePlayer->Pause();
    }
}

void VMPreviewPlayer::on_btnStop_clicked()
{
    emit signal_previewplayer_stop();
    m_framePlayer->Stop();
    ui->btnPlay->setChecked(false);
}

void VMPreviewPlayer::SeekToSlider(int value)
{
    const DCPlayerRunState state = m_framePlayer->GetPlayerRunState();
    if (state == DCPlayerClosed)
        return;
    const double duration = m_framePlayer->GetDuration().ToSeconds();
    const double maximum = m_slider->maximum() > 0 ? m_slider->maximum() : 1;
    const unsigned int target = static_cast<unsigned int>(value / maximum * duration * 1000.0);
    m_framePlayer->Seek(target);
    if (state == DCPlayerPlaying)
        m_framePlayer->Play();
}

void VMPreviewPlayer::on_sldPlayer_sliderMoved(int value)
{
    SeekToSlider(value);
}

void VMPreviewPlayer::on_sldPlayer_valueChanged(int value)
{
    SeekToSlider(value);
}

void VMPreviewPlayer::slot_OnUpdatePlayerTime()
{
    UpdateControlElemStates();
    if (m_framePlayer->IsSourceItemEmpty()) {
        m_slider->setSliderPosition(0);
        return;
    }
    const double duration = m_framePlayer->GetDuration().ToSeconds();
    // GetIPlayerCurTime carries the engine's milliseconds.
    const unsigned int current = static_cast<unsigned int>(m_framePlayer->GetIPlayerCurTime().ToSeconds());
    m_slider->setSliderPosition(duration > 0 ? static_cast<int>(m_slider->maximum() * (current / 1000.0) / duration)
                                             : 0);
    if (m_framePlayer->Eof() || duration * 1000.0 <= current) {
        emit signal_previewplayer_stop();
        m_framePlayer->Stop();
        ui->btnPlay->setChecked(false);
    }
}

void VMPreviewPlayer::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate();
    QFrame::changeEvent(e);
}

void VMPreviewPlayer::showEvent(QShowEvent* e)
{
    QFrame::showEvent(e);
    m_updateTimer->start(1000);
}

void VMPreviewPlayer::hideEvent(QHideEvent* e)
{
    m_updateTimer->stop();
    QFrame::hideEvent(e);
}
