#pragma once

// The frame strip's view: shows the thumbnails and turns a click on one of
// them and wheel turns into signals.

#include <QGraphicsView>

class VVideoFrameView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit VVideoFrameView(QWidget* parent = nullptr);
    VVideoFrameView(QGraphicsScene* scene, QWidget* parent = nullptr);

signals:
    void signal_FrameItemClicked(int nIndex);
    void signal_MouseWheeled(int nDelta);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void Init();
};
