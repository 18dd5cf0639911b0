#include "vmframeselectview.h"
#include "ui_vmframeselectview.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "MallocAllocator.h"
#include "Moorlan.h"
#include "Pellino.h"
#include "vvideoframepixmapitem.h"
#include "vvideoframeview.h"

#include <QEvent>
#include <QGraphicsScene>
#include <QTimer>

#include <cmath>
#include <cstring>

VMFrameSelectView::VMFrameSelectView(QWidget* parent) : QFrame(parent), ui(new Ui::VMFrameSelectView)
{
    ui->setupUi(this);
    m_view = ui->frameImage;
    m_scene = new QGraphicsScene(this);
    m_view->setScene(m_scene);
    m_view->setViewportUpdateMode(QGraphicsView::SmartViewportUpdate);
    m_view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A child overlay of the main player: no window manager is needed to
    // float it over the picture.
    setAutoFillBackground(true);
    setWindowOpacity(m_opacityValue);
    connect(m_view, &VVideoFrameView::signal_FrameItemClicked, this, &VMFrameSelectView::slot_itemClicked);
    connect(m_view, &VVideoFrameView::signal_MouseWheeled, this, &VMFrameSelectView::slot_ItemsWheeled);
    m_wheelTimer = new QTimer(this);
    m_wheelTimer->setSingleShot(true);
    connect(m_wheelTimer, &QTimer::timeout, this, &VMFrameSelectView::slot_WheelTimeOutUpdate);
    m_hideTimer = new QTimer(this);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    setMouseTracking(true);
}

VMFrameSelectView::~VMFrameSelectView()
{
    ClearImages();
    delete ui;
}

void VMFrameSelectView::setBasePlayer(Moorland::IPlayer* player)
{
    m_basePlayer = player;
    m_advancedPlayer =
        player ? static_cast<Moorland::IPlayerAdvanced*>(player->QueryInterface(IPLAYER_ADVANCED_NAME)) : nullptr;
}

int VMFrameSelectView::EngineStateValue() const
{
    return m_basePlayer ? m_basePlayer->GetState() : Moorland::PLAYER_STATE_CLOSED;
}

bool VMFrameSelectView::EngineState(int state) const
{
    return m_basePlayer && m_basePlayer->GetState() == state;
}

void VMFrameSelectView::updateItemsCount()
{
    int count = m_view->width() / (m_imgBorderWidth + 4);
    if (count % 2 == 0)
        count -= 1;
    m_itemsCount = count;
}

void VMFrameSelectView::updateClipFrames()
{
    updateItemsCount();
    updateClipImages();
    updateSenceContext();
    m_view->viewport()->update();
}

void VMFrameSelectView::slot_updateClipImages()
{
    updateClipImages();
    updateSenceContext();
}

void VMFrameSelectView::ClearImages()
{
    qDeleteAll(m_images);
    m_images.clear();
    for (QuentaBased::MallocAllocator* buffer : m_buffers) {
        buffer->Release();
        delete buffer;
    }
    m_buffers.clear();
}

void VMFrameSelectView::updateClipImages()
{
    ClearImages();
    Moorland::IImageConverter* converter = nullptr;
    QB_GUARDED_VOID({
        for (int i = 0; i < m_itemsCount; ++i) {
            Moorland::IRawVideoFrame* frame = nullptr;
            if (m_snapshotEnabled && m_advancedPlayer && EngineState(Moorland::PLAYER_STATE_PAUSED))
                m_advancedPlayer->GetFrameAtOffset(i - m_itemsCount / 2, &frame, 1);
            if (!frame) {
                m_images.append(nullptr);
                continue;
            }
            const bool topDown = frame->IsTopDown();
            converter = CreateImageConverterEx(Moorland::PIXEL_FORMAT_RGBA32, static_cast<unsigned>(m_imgBorderWidth),
                                               static_cast<unsigned>(m_imgBorderHeigth), 1);
            if (!converter) {
                m_images.append(nullptr);
                frame->Free();
                continue;
            }
            Moorland::IRawVideoFrame* converted = converter->Convert(frame);
            frame->Free();
            unsigned lineBytes = 0, pitch = 0, rows = 0;
            unsigned char* data = converted ? converted->GetBuffer(0, &lineBytes, &pitch, &rows) : nullptr;
            if (!data) {
                m_images.append(nullptr);
                converter->Release();
                converter = nullptr;
                continue;
            }
            auto* buffer = new QuentaBased::MallocAllocator();
            try {
                buffer->Malloc(static_cast<unsigned long>(pitch) * static_cast<unsigned long>(m_imgBorderHeigth));
            } catch (...) {
                delete buffer;
                throw;
            }
            m_buffers.push_back(buffer);
            auto* bytes = static_cast<unsigned char*>(buffer->data);
            for (int y = 0; y < m_imgBorderHeigth && y < static_cast<int>(rows); ++y)
                std::memcpy(bytes + static_cast<size_t>(y) * pitch, data + static_cast<size_t>(y) * pitch,
                            static_cast<size_t>(m_imgBorderWidth) * 4);
            auto* image =
                new QImage(bytes, m_imgBorderWidth, m_imgBorderHeigth, static_cast<int>(pitch), QImage::Format_ARGB32);
            if (!topDown) {
                auto* flipped = new QImage(image->mirrored(false, true));
                delete image;
                image = flipped;
            }
            m_images.append(image);
            converter->Release();
            converter = nullptr;
        }
    });
    if (converter)
        converter->Release();
}

void VMFrameSelectView::FillGaps()
{
    for (int i = 0; i < m_images.size(); ++i) {
        if (m_images[i])
            continue;
        m_images[i] = new QImage(i == 0 ? m_imgNoFrame : *m_images[i - 1]);
    }
}

QList<QImage> VMFrameSelectView::getShownImages() const
{
    QList<QImage> shown;
    for (QImage* image : m_images)
        shown.append(image ? *image : QImage());
    return shown;
}

void VMFrameSelectView::updateSenceContext()
{
    FillGaps();
    m_scene->clear();
    const int n = m_images.size();
    if (n <= 0)
        return;
    const int gap = (m_view->width() - n * m_imgBorderWidth) / (n + 1);
    for (int i = 0; i < n; ++i) {
        auto* item = new VVideoFramePixmapItem(QPixmap::fromImage(*m_images[i], Qt::ColorOnly));
        item->setToolTip(tr("Click to seek to this frame"));
        item->setIndex(i);
        item->setCenterItem(i == n / 2);
        item->setHoverBg(&m_imgHoverBg);
        item->setNormalBG(&m_imgNormalBg);
        m_scene->addItem(item);
        item->setPos(i * m_imgBorderWidth + (i + 1) * gap, 0);
    }
}

void VMFrameSelectView::slot_itemClicked(int nIndex)
{
    if (m_snapshotEnabled)
        updateClipImagesBySeek(nIndex - m_itemsCount / 2);
    m_hideTimer->start(1500);
}

void VMFrameSelectView::slot_ItemsWheeled(int nDelta)
{
    if (!m_snapshotEnabled) {
        m_wheelTimer->stop();
        m_wheelSteps = 0;
        return;
    }
    if (!m_wheelTimer->isActive())
        m_wheelTimer->start(300);
    // One step per notch of 120; a finer wheel's partial turn counts as one.
    int steps = nDelta / 120;
    if (steps == 0 && nDelta != 0)
        steps = nDelta > 0 ? 1 : -1;
    m_wheelSteps -= steps;
    m_hideTimer->start(1500);
}

void VMFrameSelectView::slot_WheelTimeOutUpdate()
{
    updateClipImagesBySeek(m_wheelSteps);
    m_wheelSteps = 0;
}

void VMFrameSelectView::on_btnPreFrame_clicked()
{
    if (m_snapshotEnabled)
        emit signal_seekByOffset(-1);
    m_hideTimer->start(1500);
}

void VMFrameSelectView::on_btnNextFrame_clicked()
{
    if (m_snapshotEnabled)
        emit signal_seekByOffset(1);
    m_hideTimer->start(1500);
}

void VMFrameSelectView::updateClipImagesBySeek(int offset)
{
    if (!m_snapshotEnabled)
        return;
    if (offset == 0) {
        if (m_buffers.empty())
            emit signal_seekByOffset(0);
        return;
    }
    const int step = offset > 0 ? 1 : -1;
    const int rest = offset - step;
    if (rest == 0) {
        emit signal_seekByOffset(step);
        return;
    }
    const int state = EngineStateValue();
    if (!m_advancedPlayer || state == Moorland::PLAYER_STATE_CLOSED || state == Moorland::PLAYER_STATE_STOPPED)
        return;
    m_advancedPlayer->GetFrameAtOffset(rest, nullptr, 0);
    emit signal_seekByOffset(step);
}

void VMFrameSelectView::slot_updateClipImagesAfterSeek()
{
    updateClipImages();
    updateSenceContext();
}

void VMFrameSelectView::slot_updateForwardFramesAfterSeek()
{
    if (m_snapshotEnabled && m_advancedPlayer && !EngineState(Moorland::PLAYER_STATE_PAUSED) && m_basePlayer)
        m_advancedPlayer->GetFrameAtOffset(m_itemsCount / 2 + 1, nullptr, 0);
}

void VMFrameSelectView::slot_HideSelfQuery()
{
    hide();
}

void VMFrameSelectView::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    m_scene->setSceneRect(0, 0, m_view->width() - 2, m_imgBorderHeigth);
    const int before = m_itemsCount;
    updateItemsCount();
    if (m_basePlayer && m_itemsCount != before) {
        if (EngineState(Moorland::PLAYER_STATE_PLAYING) && m_snapshotEnabled) {
            m_snapshotEnabled = false;
            updateClipImages();
            m_snapshotEnabled = true;
        } else {
            int ahead = 0, reserved = 0;
            if (m_advancedPlayer)
                m_advancedPlayer->QueryPicture(2, &ahead, &reserved);
            if (ahead == 0 && m_snapshotEnabled && m_advancedPlayer && !EngineState(Moorland::PLAYER_STATE_PAUSED))
                m_advancedPlayer->GetFrameAtOffset(m_itemsCount / 2 + 1, nullptr, 0);
            updateClipImages();
        }
    }
    updateSenceContext();
    m_view->viewport()->update();
}

void VMFrameSelectView::showEvent(QShowEvent* e)
{
    QFrame::showEvent(e);
    resize(width() - 2, height());
    updateItemsCount();
    m_hideTimer->start(1500);
}

void VMFrameSelectView::mousePressEvent(QMouseEvent* e)
{
    m_hideTimer->start(1500);
    QFrame::mousePressEvent(e);
}

void VMFrameSelectView::mouseMoveEvent(QMouseEvent* e)
{
    m_hideTimer->start(1500);
    QFrame::mouseMoveEvent(e);
}

void VMFrameSelectView::enterEvent(QEvent* e)
{
    m_hideTimer->start(1500);
    QFrame::enterEvent(e);
}

void VMFrameSelectView::ReTranslate()
{
    ui->retranslateUi(this);
    for (QGraphicsItem* item : m_scene->items())
        item->setToolTip(tr("Click to seek to this frame"));
}

void VMFrameSelectView::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate();
    QFrame::changeEvent(e);
}

void VMFrameSelectView::RescaleBackgrounds()
{
    const QSize size(m_imgBorderWidth + 2 * m_imgBgOffset, m_imgBorderHeigth + 2 * m_imgBgOffset);
    if (!m_imgHoverBg.isNull())
        m_imgHoverBg = m_imgHoverBg.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!m_imgNormalBg.isNull())
        m_imgNormalBg = m_imgNormalBg.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void VMFrameSelectView::setImgNoFrame(QImage image)
{
    m_imgNoFrame = image.isNull() ? image
                                  : image.scaled(m_imgBorderWidth, m_imgBorderHeigth, Qt::IgnoreAspectRatio,
                                                 Qt::FastTransformation);
}

void VMFrameSelectView::setImgHoverBg(QPixmap pixmap)
{
    m_imgHoverBg = pixmap;
    RescaleBackgrounds();
}

void VMFrameSelectView::setImgNormalBg(QPixmap pixmap)
{
    m_imgNormalBg = pixmap;
    RescaleBackgrounds();
}

void VMFrameSelectView::setImgBorderHeigth(int h)
{
    if (h == m_imgBorderHeigth)
        return;
    m_imgBorderHeigth = h;
    setImgNoFrame(m_imgNoFrame);
    RescaleBackgrounds();
}

void VMFrameSelectView::setImgBorderWidth(int w)
{
    if (w == m_imgBorderWidth)
        return;
    m_imgBorderWidth = w;
    setImgNoFrame(m_imgNoFrame);
    RescaleBackgrounds();
}

void VMFrameSelectView::setImgBgOffset(int offset)
{
    if (offset == m_imgBgOffset)
        return;
    m_imgBgOffset = offset;
    RescaleBackgrounds();
}

void VMFrameSelectView::setOpacityValue(double value)
{
    if (std::fabs(value - m_opacityValue) <= 0.01)
        return;
    m_opacityValue = value;
    setWindowOpacity(value);
}
