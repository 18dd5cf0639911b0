#include "vdcmainplayer.h"

#include "CAppVariableInfo.h"
#include "idcdataitem.h"

#include <QDir>
#include <QPainter>

VDCMainPlayer::VDCMainPlayer(QWidget* parent) : QFrame(parent)
{
    setMinimumSize(320, 240);
}

bool VDCMainPlayer::eventFilter(QObject* watched, QEvent* event)
{
    return QFrame::eventFilter(watched, event);
}

void VDCMainPlayer::Close()
{
    m_playing = false;
}

void VDCMainPlayer::Play()
{
    m_playing = m_item != nullptr;
}

void VDCMainPlayer::Pause()
{
    m_playing = false;
}

bool VDCMainPlayer::Seek(const CBaseTime& time)
{
    if (!m_item)
        return false;
    emit signal_mainplayer_seeked();
    emit signal_mainplayer_playtimechanged(time);
    return true;
}

bool VDCMainPlayer::SetSourceItem(IDCPlaySourceItem* item, bool bSnapshots)
{
    m_item = item;
    m_snapshots = item && bSnapshots;
    m_playing = false;
    update();
    return true;
}

void VDCMainPlayer::UpdateFramePlayer()
{
    update();
}

void VDCMainPlayer::slot_CaptureCurFrame(QImage& image, int width, int height)
{
    image = QImage(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
}

void VDCMainPlayer::slot_GetCurPicBorderTime(bool& ok, int64_t& time, int32_t& value)
{
    ok = false;
    time = 0;
    value = 0;
}

void VDCMainPlayer::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const QString file = QDir(CAppVariableInfo::GetInstance()->GetInfoValue("CurSkinPath", QVariant()).toString())
                             .filePath("start.png");
    if (file != m_startFile) {
        m_startFile = file;
        m_start.load(file);
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_start.isNull()) {
        const QPixmap scaled = m_start.scaled(size() * 0.6, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawPixmap((width() - scaled.width()) / 2, (height() - scaled.height()) / 2, scaled);
    }
}
