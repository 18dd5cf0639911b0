#include "vdcframeplayer.h"

#include "Basilvo/Basilvo.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <cmath>

Q_DECLARE_METATYPE(rect_t)

VDCFramePlayer::VDCFramePlayer(QWidget* parent) : QWidget(parent), m_player(new CDCVideoPlayer(this))
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    connect(m_player, &CDCVideoPlayer::signal_UpdataWatermarkLine, this, &VDCFramePlayer::signal_UpdataWatermarkLine);
    connect(m_player, &CDCVideoPlayer::signal_UpdateResultRect, this, &VDCFramePlayer::signal_UpdateResultRect,
            Qt::DirectConnection);
    DoStateChange(DCPlayerClosed);
    setContentsMargins(0, 0, 0, 0);
    qRegisterMetaType<rect_t>("rect_t");
    qRegisterMetaType<DCPlayerRunState>("DCPlayerRunState");
}

VDCFramePlayer::~VDCFramePlayer()
{
    // The controller closes the engine first: no picture arrives afterwards.
    delete m_player;
    m_player = nullptr;
}

void VDCFramePlayer::InitPlayer()
{
    m_player->SetOrgDrawWndHandle(static_cast<QObject*>(this));
    m_player->InitPlayer();
    m_cropRect = m_player->GetCropRect();
}

void VDCFramePlayer::presentVideoImage(QImage image)
{
    m_presented = std::move(image);
    // The picture's own rectangle: a turned picture is fitted by its turned shape.
    // (Only a picture drawn for the present size: one drawn before a resize
    // says nothing about the new layout.)
    const rect_t shown = m_player->GetShownRect();
    if (m_presented.size() == size() && shown.right > shown.left && shown.bottom > shown.top &&
        shown.right <= width() && shown.bottom <= height())
        m_drawRect = shown;
    m_presentPending = true;
    update();
    emit signal_FramePresented();
}

void VDCFramePlayer::RedrawPicture()
{
    m_redrawWanted = true;
    update();
}

void VDCFramePlayer::paintEvent(QPaintEvent*)
{
    {
        QPainter painter(this);
        if (m_presented.isNull()) {
            painter.fillRect(rect(), Qt::black);
        } else {
            painter.drawImage(QPoint(0, 0), m_presented);
            // A picture presented for an older size leaves the rest black.
            if (m_presented.width() < width())
                painter.fillRect(QRect(m_presented.width(), 0, width() - m_presented.width(), height()), Qt::black);
            if (m_presented.height() < height())
                painter.fillRect(QRect(0, m_presented.height(), width(), height() - m_presented.height()), Qt::black);
        }
    }
    // A paint that only shows what the engine presented asks for nothing
    // more: drawing again would present again, and paint again, forever.
    const bool onlyPresented = m_presentPending && !m_redrawWanted;
    m_presentPending = false;
    m_redrawWanted = false;
    if (!onlyPresented)
        m_player->UpdateVideo();
}

// ------------------------------------------------------------------ layout

void VDCFramePlayer::UpdateFrameWhileChanged()
{
    const int W = width();
    const int H = height();
    QSize picture(W, H);
    if (m_frameHeight != 0) {
        const double ratio = static_cast<double>(m_frameWidth) / m_frameHeight;
        if (ratio > 0 && ratio >= 1e-05) {
            picture = QSize(m_frameWidth, m_frameHeight);
            picture.scale(W, H, Qt::KeepAspectRatio);
        }
    }
    m_drawRect.left = static_cast<float>((W - picture.width()) * 0.5);
    m_drawRect.right = m_drawRect.left + picture.width();
    m_drawRect.top = static_cast<float>((H - picture.height()) * 0.5);
    m_drawRect.bottom = m_drawRect.top + picture.height();
}

void VDCFramePlayer::LayoutSteps()
{
    UpdateFrameWhileChanged();
    m_player->SetOrgDrawWndHandle(static_cast<QObject*>(this));
    m_player->SetDstRect(rect_t{0, 0, static_cast<float>(width()), static_cast<float>(height())});
    m_player->SetDrawRect(m_drawRect);
}

void VDCFramePlayer::UpdataAfterSetFrameZoomType()
{
    UpdateFrameWhileChanged();
    m_player->UpdateVideo();
}

bool VDCFramePlayer::UpdateDisplayFrameSize()
{
    LayoutSteps();
    return true;
}

QRect VDCFramePlayer::GetCDCDrawFrameRect() const
{
    return QRect(static_cast<int>(std::trunc(m_drawRect.left)), static_cast<int>(std::trunc(m_drawRect.top)),
                 static_cast<int>(std::trunc(m_drawRect.right - m_drawRect.left)),
                 static_cast<int>(std::trunc(m_drawRect.bottom - m_drawRect.top)));
}

bool VDCFramePlayer::event(QEvent* e)
{
    if (e->type() == QEvent::Resize) {
        // Held until resizeEvent has given the controller the new geometry.
        m_player->LockDrawDC();
        return QWidget::event(e);
    }
    return QWidget::event(e);
}

void VDCFramePlayer::resizeEvent(QResizeEvent* e)
{
    // Pairs with the lock taken in event() for this resize.
    struct Unlock
    {
        CDCVideoPlayer* player;
        ~Unlock() { player->UnlockDrawDC(); }
    } unlock{m_player};
    QWidget::resizeEvent(e);
    LayoutSteps();
    if (m_player->GetCropSupport())
        m_player->UpdatePlayerCropRect();
    // The picture is drawn again at the new size by the paint that follows,
    // also while paused (an empty player keeps its start picture centred).
    m_redrawWanted = true;
}

// ------------------------------------------------------------------- state

void VDCFramePlayer::DoStateChange(DCPlayerRunState state)
{
    const DCPlayerRunState effective = m_player->GetMediaEnabled() ? state : DCPlayerClosed;
    if (m_resultWindow)
        emit signal_PlayerStateUpdata(effective);
    if (effective == DCPlayerStopped)
        LayoutSteps();
}

bool VDCFramePlayer::SetSourceItem(IDCPlaySourceItem* item)
{
    GetQuentaException()->Clear();
    DoStateChange(DCPlayerClosed);
    if (!item) {
        Close();
    } else if (item->GetViewHeight() == 0) {
        m_frameWidth = 0;
        m_frameHeight = 0;
    } else {
        m_frameWidth = static_cast<int>(item->GetViewWidth());
        m_frameHeight = static_cast<int>(item->GetViewHeight());
    }
    if (!m_player->SetSourceItem(item))
        return false;
    if (m_player->GetMediaEnabled()) {
        LayoutSteps();
        DoStateChange(DCPlayerStopped);
        if (m_player->GetCropSupport())
            m_player->UpdatePlayerCropRect();
    }
    return true;
}

bool VDCFramePlayer::Play()
{
    if (IsSourceItemEmpty())
        return false;
    DoStateChange(DCPlayerPlaying);
    m_player->Play();
    m_player->UpdateVideo();
    return true;
}

bool VDCFramePlayer::Pause()
{
    if (IsSourceItemEmpty())
        return false;
    if (m_player->GetPlayerRunState() == DCPlayerPaused)
        return true;
    m_player->UpdateVideo();
    DoStateChange(DCPlayerPaused);
    m_player->Pause();
    return true;
}

bool VDCFramePlayer::Stop()
{
    if (IsSourceItemEmpty())
        return false;
    if (!m_player->IsPlayerClose()) {
        m_player->Stop();
        DoStateChange(DCPlayerStopped);
    }
    return true;
}

void VDCFramePlayer::Close()
{
    if (IsSourceItemEmpty())
        return;
    if (!m_player->IsPlayerClose()) {
        if (m_player->GetPlayerRunState() != DCPlayerStopped) {
            m_player->Stop();
            DoStateChange(DCPlayerStopped);
        }
        m_player->Close(false);
    }
}

bool VDCFramePlayer::NextFrame()
{
    if (IsSourceItemEmpty() || m_player->IsPlayerClose())
        return false;
    if (m_player->GetPlayerRunState() == DCPlayerStopped) {
        DoStateChange(DCPlayerPlaying);
        m_player->Play();
        m_player->UpdateVideo();
    }
    const bool result = m_player->NextFrame();
    Pause();
    return result;
}

bool VDCFramePlayer::PreFrame()
{
    if (IsSourceItemEmpty() || m_player->IsPlayerClose())
        return false;
    if (m_player->GetPlayerRunState() == DCPlayerStopped) {
        DoStateChange(DCPlayerPlaying);
        m_player->Play();
        m_player->UpdateVideo();
    }
    const bool result = m_player->PreFrame();
    Pause();
    return result;
}

bool VDCFramePlayer::Seek(unsigned int ms)
{
    if (IsSourceItemEmpty() || m_player->IsPlayerClose())
        return false;
    if (m_player->GetPlayerRunState() == DCPlayerStopped)
        LayoutSteps();
    // The engine is brought to pause first and seeks last: a seek made before
    // the play-and-pause showed the next picture whenever it was due within
    // that moment (a seek to 1999 ms showed the picture of 2000 ms).
    DoStateChange(DCPlayerPlaying);
    m_player->Play();
    Pause();
    const bool result = m_player->Seek(ms);
    m_player->UpdateVideo();
    return result;
}

// ------------------------------------------------------------- crop, skin

void VDCFramePlayer::SetCropSupport(bool on)
{
    m_player->SetCropSupport(on);
    m_cropRect = m_player->GetCropRect();
}

void VDCFramePlayer::SetSkinPath(QString const& path)
{
    m_startImagePath = path + QDir::separator() + "start.png";
    m_player->SetEmptyViewImagePath(m_startImagePath);
    if (IsSourceItemEmpty())
        m_player->UpdateVideo();
}

void VDCFramePlayer::SetResultDrawWndHandle(void* handle)
{
    m_resultWindow = handle;
    m_player->SetResultDrawWndHandle(handle);
}

void VDCFramePlayer::slot_GetFrameWidthAndHeight(double& nWidth, double& nHeight)
{
    nWidth = m_frameWidth;
    nHeight = m_frameHeight;
}

void VDCFramePlayer::slot_FrameGetBgRect(QRect& pRect)
{
    pRect = QRect(0, 0, width(), height());
}

void VDCFramePlayer::slot_GetCropRect(rect_t& pRect)
{
    m_player->UpdatePlayerCropRect();
    m_player->GetCropRect(pRect);
}

bool VDCFramePlayer::CropEditing()
{
    m_cropRect = m_player->GetCropRect();
    return m_mouseOperation && m_player->GetCropSupport() && m_cropRect;
}

void VDCFramePlayer::mousePressEvent(QMouseEvent* e)
{
    emit signal_DrawFrameMousePressPos(e->pos());
    if (!CropEditing()) {
        QWidget::mousePressEvent(e);
        return;
    }
    m_player->LockDrawDC();
    m_cropRect->TriggerMouseDown(true, static_cast<float>(e->pos().x()), static_cast<float>(e->pos().y()), true, false);
    m_player->UnlockDrawDC();
}

void VDCFramePlayer::mouseReleaseEvent(QMouseEvent* e)
{
    if (!CropEditing()) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    m_player->LockDrawDC();
    m_cropRect->TriggerMouseDown(false, static_cast<float>(e->pos().x()), static_cast<float>(e->pos().y()), true,
                                 false);
    m_player->UnlockDrawDC();
}

void VDCFramePlayer::mouseMoveEvent(QMouseEvent* e)
{
    emit signal_DrawFrameMouseMovePos(e->pos());
    if (!CropEditing()) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    m_player->LockDrawDC();
    m_cropRect->TriggerMousePoint(static_cast<float>(e->pos().x()), static_cast<float>(e->pos().y()), true, false);
    unsigned int zone = 0;
    m_cropRect->IsMouseInRect(zone);
    const bool changing = m_cropRect->IsChangingCropRect();
    m_player->UnlockDrawDC();
    switch (zone) {
    case 0: setCursor(Qt::ArrowCursor); break;
    case 1:
    case 5: setCursor(Qt::SizeHorCursor); break;
    case 2:
    case 8: setCursor(Qt::SizeFDiagCursor); break;
    case 3:
    case 7: setCursor(Qt::SizeVerCursor); break;
    case 4:
    case 6: setCursor(Qt::SizeBDiagCursor); break;
    case 9: setCursor(Qt::SizeAllCursor); break;
    default: break;
    }
    if (changing) {
        if (IDCPlaySourceItem* item = GetSourceItem()) {
            rect_t reference{0, 0, static_cast<float>(item->GetPixelWidth()),
                             static_cast<float>(item->GetPixelHeight())};
            rect_t crop{};
            m_player->LockDrawDC();
            m_cropRect->GetCropRect(crop, &reference);
            m_player->UnlockDrawDC();
            emit signal_ChangeItemCrop(item, crop);
        }
        m_player->UpdateVideo();
    }
}
