#pragma once

// The frame strip over the bottom of the main player: an odd number of
// thumbnails of the frames around the one on screen, the current one in the
// middle, fetched from the playback engine. A click, a wheel turn or an
// arrow asks the main player to step; the strip hides itself 1.5 s after the
// last interaction. It is a child overlay of the main player.

#include <QFrame>
#include <QImage>
#include <QList>
#include <QPixmap>

#include <vector>

namespace Ui {
class VMFrameSelectView;
}
namespace Moorland {
class IPlayer;
class IPlayerAdvanced;
} // namespace Moorland
namespace QuentaBased {
struct MallocAllocator;
}
class QGraphicsScene;
class QTimer;
class VVideoFrameView;

class VMFrameSelectView : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QImage imgNoFrame READ getImgNoFrame WRITE setImgNoFrame)
    Q_PROPERTY(QPixmap imgHoverBg READ getImgHoverBg WRITE setImgHoverBg)
    Q_PROPERTY(QPixmap imgNormalBg READ getImgNormalBg WRITE setImgNormalBg)
    Q_PROPERTY(int imgBorderHeigth READ getImgBorderHeigth WRITE setImgBorderHeigth)
    Q_PROPERTY(int imgBorderWidth READ getImgBorderWidth WRITE setImgBorderWidth)
    Q_PROPERTY(int imgBgOffset READ getImgBgOffset WRITE setImgBgOffset)
    Q_PROPERTY(double OpacityValue READ getOpacityValue WRITE setOpacityValue)

public:
    explicit VMFrameSelectView(QWidget* parent = nullptr);
    ~VMFrameSelectView() override;

    void setBasePlayer(Moorland::IPlayer* player);
    void setEnablePlayerSnapshot(bool on) { m_snapshotEnabled = on; }
    bool getEnablePlayerSnapshot() const { return m_snapshotEnabled; }
    void updateItemsCount();
    void updateClipFrames();
    int getItemsCount() const { return m_itemsCount; }
    // The thumbnails as shown, left to right (gaps filled).
    QList<QImage> getShownImages() const;
    void ReTranslate();

    QImage getImgNoFrame() const { return m_imgNoFrame; }
    void setImgNoFrame(QImage image);
    QPixmap getImgHoverBg() const { return m_imgHoverBg; }
    void setImgHoverBg(QPixmap pixmap);
    QPixmap getImgNormalBg() const { return m_imgNormalBg; }
    void setImgNormalBg(QPixmap pixmap);
    int getImgBorderHeigth() const { return m_imgBorderHeigth; }
    void setImgBorderHeigth(int h);
    int getImgBorderWidth() const { return m_imgBorderWidth; }
    void setImgBorderWidth(int w);
    int getImgBgOffset() const { return m_imgBgOffset; }
    void setImgBgOffset(int offset);
    double getOpacityValue() const { return m_opacityValue; }
    void setOpacityValue(double value);

public slots:
    void slot_updateClipImages();
    void slot_updateClipImagesAfterSeek();
    void slot_updateForwardFramesAfterSeek();
    void slot_HideSelfQuery();

signals:
    void signal_seekByOffset(int nOffset);

protected:
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEvent* e) override;

private slots:
    void slot_itemClicked(int nIndex);
    void slot_ItemsWheeled(int nDelta);
    void slot_WheelTimeOutUpdate();
    void on_btnPreFrame_clicked();
    void on_btnNextFrame_clicked();

private:
    void updateClipImages();
    void updateSenceContext();
    void updateClipImagesBySeek(int offset);
    void FillGaps();
    void ClearImages();
    void RescaleBackgrounds();
    bool EngineState(int state) const;
    int EngineStateValue() const;

    Ui::VMFrameSelectView* ui;
    Moorland::IPlayer* m_basePlayer = nullptr;
    Moorland::IPlayerAdvanced* m_advancedPlayer = nullptr;
    QList<QImage*> m_images;
    VVideoFrameView* m_view = nullptr;
    QGraphicsScene* m_scene = nullptr;
    int m_itemsCount = 0;
    std::vector<QuentaBased::MallocAllocator*> m_buffers;
    QImage m_imgNoFrame;
    QPixmap m_imgHoverBg;
    QPixmap m_imgNormalBg;
    int m_imgBorderHeigth = 54;
    int m_imgBorderWidth = 72;
    int m_imgBgOffset = 4;
    double m_opacityValue = 1.0;
    QTimer* m_wheelTimer = nullptr;
    int m_wheelSteps = 0;
    bool m_snapshotEnabled = false;
    QTimer* m_hideTimer = nullptr;
};
