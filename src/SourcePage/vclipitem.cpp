#include "vclipitem.h"

#include "ProjectData/isourcedataitem.h"
#include "itrackscene.h"

#include "utility/ThumbnailDrawing.h"

#include <QDir>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPainter>

#include <cmath>

namespace {

const QColor COLOR_VALUE_CLIP_DRAGING_PADDING(255, 162, 0, 128);
const QColor COLOR_VALUE_CLIP_DRAGING_BORDER(255, 162, 0, 255);

// A position clamped further than this from the proposed one marks an
// insertion point (a drag snapped onto a border always does).
constexpr double kInsertThreshold = 0.1;

QString TimeText(const CBaseTime& t)
{
    return QString::fromStdString(CBaseTimeFormat::BaseTimeToStrHH_MM_SS(t));
}

} // namespace

VClipItem::VClipItem(Fablecut::ISourceDataItem* item) : m_item(item)
{
    if (item) {
        m_clipStart = item->GetStartPoint();
        m_clipDuration = item->GetDuration();
        m_trimStart = item->GetTrimStartPoint();
        m_trimDuration = item->GetTrimDuration();
        m_trimEnd = item->GetTrimEndPoint();
        if (const QImage* image = item->GetThumbnailData())
            m_image = *image;
        m_name = item->Name();
    }
    setItemFlags();
    setRect(0, 0, m_trimDuration.ToSeconds(), ItemHeight);
    setZValue(2.0);
    setPos(m_clipStart.ToSeconds(), ItemTop);
}

VClipItem::VClipItem(VClipItem& other)
    : QGraphicsRectItem(), m_item(other.m_item), m_clipStart(other.m_clipStart), m_clipDuration(other.m_clipDuration),
      m_trimStart(other.m_trimStart), m_trimDuration(other.m_trimDuration), m_trimEnd(other.m_trimEnd),
      m_image(other.m_image), m_normalBG(other.m_normalBG), m_audioBG(other.m_audioBG), m_downBG(other.m_downBG)
{
    setItemFlags();
    setRect(0, 0, m_trimDuration.ToSeconds(), ItemHeight);
    setZValue(3.0);
    setPos(m_clipStart.ToSeconds(), ItemTop);
}

VClipItem::~VClipItem() = default;

void VClipItem::setItemFlags()
{
    setFlags(QGraphicsItem::ItemIsMovable | QGraphicsItem::ItemIsSelectable | QGraphicsItem::ItemSendsGeometryChanges |
             QGraphicsItem::ItemUsesExtendedStyleOption);
}

VClipItem* VClipItem::CloneDataItem()
{
    return new VClipItem(*this);
}

bool VClipItem::operator<(const VClipItem& other) const
{
    return m_clipStart < other.m_clipStart;
}

ITrackScene* VClipItem::getScene() const
{
    return dynamic_cast<ITrackScene*>(scene());
}

void VClipItem::setClipStartPoint(const CBaseTime& t)
{
    m_positionAdjusting = false;
    m_clipStart = t;
    setPos(t.ToSeconds(), ItemTop);
    m_positionAdjusting = true;
}

void VClipItem::setTrimStartPoint(const CBaseTime& t, bool)
{
    m_trimStart = t;
}

void VClipItem::setTrimEndPos(CBaseTime t)
{
    m_trimEnd = t;
}

void VClipItem::setClipDuration(const CBaseTime& t)
{
    m_clipDuration = t;
}

void VClipItem::setTrimDuration(const CBaseTime& t, bool)
{
    m_trimDuration = t;
    setRect(0, 1.0, t.ToSeconds(), ItemHeight);
}

void VClipItem::updateClipItemSouceData()
{
    if (!m_item)
        return;
    m_clipStart = m_item->GetStartPoint();
    m_trimStart = m_item->GetTrimStartPoint();
    m_trimDuration = m_item->GetTrimDuration();
    const QImage* image = m_item->GetThumbnailData();
    if (image && !image->isNull())
        m_image = *image;
    m_trimEnd = m_item->GetTrimEndPoint();
    m_clipDuration = m_item->GetDuration();
    setPos(m_clipStart.ToSeconds(), ItemTop);
    setRect(0, 0, m_trimDuration.ToSeconds(), ItemHeight);
}

QString VClipItem::sourcePath() const
{
    return m_item ? QDir::toNativeSeparators(m_item->GetSrcFileFullPath()) : QString();
}

bool VClipItem::isSourceMissing() const
{
    const auto* track = dynamic_cast<const ITrackScene*>(scene());
    return track && m_item && track->isSourceMissing(sourcePath());
}

QString VClipItem::infoText() const
{
    QString text;
    text += m_name;
    text += "\n" + QObject::tr("Start :  ") + TimeText(m_clipStart);
    text += "\n" + QObject::tr("End :  ") + TimeText(m_clipStart + m_trimDuration);
    text += "\n" + QObject::tr("Duration :  ") + TimeText(m_trimDuration);
    if (isSourceMissing())
        text += "\n" + QObject::tr("The file no longer exists: %1").arg(sourcePath());
    return text;
}

int VClipItem::getOperationType(QPointF scenePos)
{
    const QRectF box = mapRectToScene(rect());
    ITrackScene* track = getScene();
    const double p = track ? track->getScale().first : 0.0;
    const double zone = p > 0.0 ? (12.0 / p) * 0.5 : 0.0;
    const double x = scenePos.x();
    const double left = box.left();
    if (x - left > 0.0 && x - left < zone) {
        setToolTip(QObject::tr("Resize start"));
        return OperationTrimStart;
    }
    const double right = left + box.width();
    if (right - x > 0.0 && right - x < zone) {
        setToolTip(QObject::tr("Resize end"));
        return OperationTrimEnd;
    }
    setToolTip(infoText());
    return OperationMove;
}

QVariant VClipItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSelectedChange) {
        setZValue(value.toBool() ? 10.0 : 2.0);
        return QGraphicsRectItem::itemChange(change, value);
    }
    if (change == ItemPositionChange && scene() && m_positionAdjusting) {
        const double proposed = value.toPointF().x();
        double x = proposed;
        bool atBorder = false;
        if (m_mouseDragMove) {
            if (ITrackScene* track = getScene()) {
                x = track->getSnapPointForPos(CBaseTime(proposed)).ToSeconds();
                // A clip dragged onto a border, however exactly, lands there.
                atBorder = track->isSnapPoint(CBaseTime(x));
            }
        }
        if (x < 0.0)
            x = 0.0;
        if (atBorder || std::fabs(x - proposed) > kInsertThreshold) {
            m_insert = true;
            m_insertLinePos = x;
        } else {
            m_insert = false;
        }
        return QPointF(x, ItemTop);
    }
    return QGraphicsRectItem::itemChange(change, value);
}

void VClipItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    // Drawn in device pixels, so that slices, lines and text stay sharp at
    // every zoom of the scene.
    const QTransform toDevice = painter->worldTransform();
    painter->setWorldMatrixEnabled(false);
    const QRectF R = toDevice.mapRect(rect());
    const QRectF K(R.x() + 0.5, R.y() + 0.5, R.width() - 1.5, R.height() - 1.5);
    painter->save();

    if (m_dragged) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setClipRect(K);
        painter->fillRect(K, COLOR_VALUE_CLIP_DRAGING_PADDING);
        painter->setPen(QPen(COLOR_VALUE_CLIP_DRAGING_BORDER, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter->setClipping(false);
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(R, 5.0, 5.0, Qt::AbsoluteSize);
        painter->restore();
        painter->setWorldMatrixEnabled(true);
        return;
    }

    painter->setClipRect(K);
    const bool selected = isSelected() || (parentItem() && parentItem()->isSelected());
    const QPixmap& bg = selected ? m_downBG : ((!m_item || m_item->GetItemType() == 1) ? m_audioBG : m_normalBG);
    const int X = int(R.x());
    const int H = int(R.height());
    const int M = int(R.width() - 8);
    if (!bg.isNull()) {
        if (R.width() <= 8) {
            painter->drawPixmap(R, bg, QRectF(bg.rect()));
        } else {
            const int ph = bg.height();
            painter->drawPixmap(QRect(X, 0, 4, H), bg, QRect(0, 0, 4, ph));
            painter->drawPixmap(QRect(X + 4, 0, M, H), bg, QRect(4, 0, bg.width() - 8, ph));
            painter->drawPixmap(QRect(X + 4 + M, 0, 4, H), bg, QRect(bg.width() - 4, 0, 4, ph));
        }
    }

    if (m_insert) {
        painter->setPen(Qt::black);
        painter->drawLine(int(K.left()), 0, int(K.left()), 120);
    }

    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    QRectF T(K.x() + 3, K.y() + 3, 0, 0);
    if (!m_image.isNull() && K.height() - 6 > 0) {
        T.setHeight(K.height() - 6);
        T.setWidth(m_image.width() * T.height() / m_image.height());
        QRectF source(m_image.rect());
        const double limit = K.x() + K.width() - 3;
        if (T.right() > limit) {
            T.setWidth(limit - T.x());
            source.setWidth((m_image.height() / T.height()) * T.width());
        }
        if (T.width() > 0 && T.height() > 0)
            painter->drawImage(T, m_image, source);
    }

    QFont font = painter->font();
    font.setPixelSize(11);
    painter->setFont(font);
    const double lineHeight = QFontMetricsF(font).height();
    const double textLeft = T.x() + T.width() + 4;
    const double textWidth = (K.x() + K.width()) - (T.x() + T.width()) - 3 - 4;
    if (textWidth > 0 && lineHeight > 0) {
        const QRectF textRect(textLeft, K.y() + (K.height() - lineHeight) * 0.5, textWidth, lineHeight);
        // A name longer than the item ends in "…" rather than in a cut letter.
        const QString shown = QFontMetricsF(font).elidedText(m_name, Qt::ElideRight, textWidth);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
    // The clip keeps its place and edits; it says its file is gone.
    if (isSourceMissing())
        ThumbnailDrawing::DrawMissingMark(painter, K, QObject::tr("Missing: %1").arg(m_name));
    painter->restore();
    painter->setWorldMatrixEnabled(true);
}
