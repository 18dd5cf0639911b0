#pragma once

// The main player of the import/edit page, as far as the page needs it before
// the playback side exists: it holds the item it is given and shows the
// skin's "start.png"; it plays nothing.

#include "CBaseTime.h"

#include <QFrame>
#include <QImage>
#include <QPixmap>

#include <cstdint>

class IDCPlaySourceItem;
namespace Moorland { class IAVManager; }

class VDCMainPlayer : public QFrame
{
    Q_OBJECT
public:
    explicit VDCMainPlayer(QWidget* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void Close();
    IDCPlaySourceItem* GetSourceItem() const { return m_item; }
    void Play();
    void Pause();
    bool Seek(const CBaseTime& time);
    void SetAVManager(Moorland::IAVManager* manager) { m_manager = manager; }
    bool SetSourceItem(IDCPlaySourceItem* item, bool bSnapshots);
    void UpdateFramePlayer();

    // Test view of what the stand-in was asked.
    bool IsPlaying() const { return m_playing; }
    bool SnapshotsAllowed() const { return m_snapshots; }

public slots:
    void slot_CaptureCurFrame(QImage& image, int width, int height);
    void slot_GetCurPicBorderTime(bool& ok, int64_t& time, int32_t& value);

signals:
    void signal_mainplayer_playtimechanged(CBaseTime time);
    void signal_mainplayer_stoped();
    void signal_mainplayer_seeked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    IDCPlaySourceItem* m_item = nullptr;
    Moorland::IAVManager* m_manager = nullptr;
    bool m_playing = false;
    bool m_snapshots = false;
    QPixmap m_start;
    QString m_startFile;
};
