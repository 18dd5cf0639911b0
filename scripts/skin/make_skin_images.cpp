// Draws the images of the shipped skin "default" and the program's image
// folder: title-bar, tool-bar, page, work-space and library buttons, the
// library views' selection mark, sound pictures and thumbnail frame, the
// library-load dialog's background and animation frames, the player's and the
// splash screen's start pictures, the players' buttons and the audio
// background. The effect previews come from the clip editor's skin images.
// Every image is opaque: plain X11 has no compositor.
//
// make_skin_images <bin folder> <frames folder>

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor kBar(0x2b, 0x2f, 0x36);
const QColor kBarLight(0x3a, 0x40, 0x4a);
const QColor kAccent(0x3d, 0x8e, 0xe8);
const QColor kGlyph(0xdd, 0xe3, 0xea);

bool Save(const QImage& image, const QString& path)
{
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage Canvas(int w, int h, const QColor& fill)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

using Glyph = std::function<void(QPainter&, const QRectF&)>;

// A button face: background by state, the glyph on top.
QImage Button(int w, int h, int state, const Glyph& glyph, const QColor& base = kBar)
{
    QImage image = Canvas(w, h, base);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (state > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(state == 1 ? kBarLight : kAccent.darker(140));
        p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 4, 4);
    }
    if (state == 2) {
        p.setBrush(kAccent);
        p.drawRect(QRectF(4, h - 3, w - 8, 2));
    }
    QPen pen(state == 2 ? Qt::white : kGlyph, 1.8);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal side = std::min(w, h) * 0.62;
    glyph(p, QRectF((w - side) / 2, (h - side) / 2, side, side));
    return image;
}

void FilmGlyph(QPainter& p, const QRectF& r)
{
    p.drawRoundedRect(r.adjusted(0, r.height() * 0.15, 0, -r.height() * 0.15), 2, 2);
    for (int i = 0; i < 4; ++i) {
        const qreal x = r.left() + r.width() * (0.12 + 0.25 * i);
        p.drawPoint(QPointF(x, r.top() + r.height() * 0.25));
        p.drawPoint(QPointF(x, r.bottom() - r.height() * 0.25));
    }
    QPainterPath play;
    play.moveTo(r.center() + QPointF(-r.width() * 0.1, -r.height() * 0.14));
    play.lineTo(r.center() + QPointF(r.width() * 0.16, 0));
    play.lineTo(r.center() + QPointF(-r.width() * 0.1, r.height() * 0.14));
    play.closeSubpath();
    p.drawPath(play);
}

void ExportGlyph(QPainter& p, const QRectF& r)
{
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.3, r.width() * 0.6, r.height() * 0.7), 2, 2);
    p.drawLine(QPointF(r.left() + r.width() * 0.35, r.top() + r.height() * 0.65), QPointF(r.right(), r.top()));
    p.drawLine(QPointF(r.right(), r.top()), QPointF(r.right() - r.width() * 0.3, r.top()));
    p.drawLine(QPointF(r.right(), r.top()), QPointF(r.right(), r.top() + r.height() * 0.3));
}

void LibraryGlyph(QPainter& p, const QRectF& r)
{
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 2; ++k)
            p.drawRect(QRectF(r.left() + k * r.width() * 0.55, r.top() + i * r.height() * 0.55, r.width() * 0.45,
                              r.height() * 0.45));
}

void EffectsGlyph(QPainter& p, const QRectF& r)
{
    const QPointF c = r.center();
    for (int i = 0; i < 8; ++i) {
        const qreal a = i * M_PI / 4;
        const qreal inner = i % 2 ? 0.18 : 0.1;
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r.width() * inner,
                   c + QPointF(std::cos(a), std::sin(a)) * r.width() * (i % 2 ? 0.32 : 0.5));
    }
}

void VolumeGlyph(QPainter& p, const QRectF& r)
{
    QPainterPath speaker;
    speaker.moveTo(r.left(), r.top() + r.height() * 0.35);
    speaker.lineTo(r.left() + r.width() * 0.25, r.top() + r.height() * 0.35);
    speaker.lineTo(r.left() + r.width() * 0.5, r.top() + r.height() * 0.1);
    speaker.lineTo(r.left() + r.width() * 0.5, r.bottom() - r.height() * 0.1);
    speaker.lineTo(r.left() + r.width() * 0.25, r.bottom() - r.height() * 0.35);
    speaker.lineTo(r.left(), r.bottom() - r.height() * 0.35);
    speaker.closeSubpath();
    p.drawPath(speaker);
    p.drawArc(QRectF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.25, r.width() * 0.35, r.height() * 0.5),
              -60 * 16, 120 * 16);
    p.drawArc(QRectF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.05, r.width() * 0.6, r.height() * 0.9),
              -60 * 16, 120 * 16);
}

// The player's controls: filled shapes read better at this size.
void Filled(QPainter& p, const QPainterPath& path)
{
    p.save();
    p.setBrush(p.pen().color());
    p.drawPath(path);
    p.restore();
}

void PlayGlyph(QPainter& p, const QRectF& r)
{
    QPainterPath path;
    path.moveTo(r.left() + r.width() * 0.2, r.top());
    path.lineTo(r.right(), r.center().y());
    path.lineTo(r.left() + r.width() * 0.2, r.bottom());
    path.closeSubpath();
    Filled(p, path);
}

void PauseGlyph(QPainter& p, const QRectF& r)
{
    QPainterPath path;
    path.addRect(QRectF(r.left() + r.width() * 0.15, r.top(), r.width() * 0.25, r.height()));
    path.addRect(QRectF(r.left() + r.width() * 0.6, r.top(), r.width() * 0.25, r.height()));
    Filled(p, path);
}

void StopGlyph(QPainter& p, const QRectF& r)
{
    QPainterPath path;
    path.addRect(r.adjusted(r.width() * 0.1, r.height() * 0.1, -r.width() * 0.1, -r.height() * 0.1));
    Filled(p, path);
}

void StepGlyph(QPainter& p, const QRectF& r, bool forward)
{
    const qreal bar = forward ? r.right() - r.width() * 0.12 : r.left() + r.width() * 0.12;
    const qreal tip = forward ? r.right() - r.width() * 0.3 : r.left() + r.width() * 0.3;
    const qreal back = forward ? r.left() + r.width() * 0.1 : r.right() - r.width() * 0.1;
    QPainterPath path;
    path.moveTo(back, r.top() + r.height() * 0.1);
    path.lineTo(tip, r.center().y());
    path.lineTo(back, r.bottom() - r.height() * 0.1);
    path.closeSubpath();
    Filled(p, path);
    p.drawLine(QPointF(bar, r.top() + r.height() * 0.1), QPointF(bar, r.bottom() - r.height() * 0.1));
}

void PreviousGlyph(QPainter& p, const QRectF& r)
{
    StepGlyph(p, r, false);
}

void NextGlyph(QPainter& p, const QRectF& r)
{
    StepGlyph(p, r, true);
}

void SnapshotGlyph(QPainter& p, const QRectF& r)
{
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.22, r.width(), r.height() * 0.7), 2, 2);
    p.drawRect(QRectF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.08, r.width() * 0.3, r.height() * 0.14));
    p.drawEllipse(QPointF(r.center().x(), r.top() + r.height() * 0.57), r.width() * 0.2, r.width() * 0.2);
}

void MuteGlyph(QPainter& p, const QRectF& r)
{
    QPainterPath speaker;
    speaker.moveTo(r.left(), r.top() + r.height() * 0.35);
    speaker.lineTo(r.left() + r.width() * 0.25, r.top() + r.height() * 0.35);
    speaker.lineTo(r.left() + r.width() * 0.5, r.top() + r.height() * 0.1);
    speaker.lineTo(r.left() + r.width() * 0.5, r.bottom() - r.height() * 0.1);
    speaker.lineTo(r.left() + r.width() * 0.25, r.bottom() - r.height() * 0.35);
    speaker.lineTo(r.left(), r.bottom() - r.height() * 0.35);
    speaker.closeSubpath();
    p.drawPath(speaker);
    p.drawLine(QPointF(r.left() + r.width() * 0.65, r.top() + r.height() * 0.35),
               QPointF(r.right(), r.bottom() - r.height() * 0.35));
    p.drawLine(QPointF(r.left() + r.width() * 0.65, r.bottom() - r.height() * 0.35),
               QPointF(r.right(), r.top() + r.height() * 0.35));
}

void ThreeDGlyph(QPainter& p, const QRectF& r)
{
    const QRectF front(r.left(), r.top() + r.height() * 0.3, r.width() * 0.7, r.height() * 0.7);
    const QPointF d(r.width() * 0.3, -r.height() * 0.3);
    p.drawRect(front);
    p.drawLine(front.topLeft(), front.topLeft() + d);
    p.drawLine(front.topRight(), front.topRight() + d);
    p.drawLine(front.bottomRight(), front.bottomRight() + d);
    p.drawLine(front.topLeft() + d, front.topRight() + d);
    p.drawLine(front.topRight() + d, front.bottomRight() + d);
}

void ImportGlyph(QPainter& p, const QRectF& r)
{
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.top() + r.height() * 0.65));
    p.drawLine(QPointF(r.center().x(), r.top() + r.height() * 0.65),
               QPointF(r.center().x() - r.width() * 0.25, r.top() + r.height() * 0.4));
    p.drawLine(QPointF(r.center().x(), r.top() + r.height() * 0.65),
               QPointF(r.center().x() + r.width() * 0.25, r.top() + r.height() * 0.4));
    p.drawLine(QPointF(r.left(), r.top() + r.height() * 0.7), QPointF(r.left(), r.bottom()));
    p.drawLine(QPointF(r.left(), r.bottom()), QPointF(r.right(), r.bottom()));
    p.drawLine(QPointF(r.right(), r.bottom()), QPointF(r.right(), r.top() + r.height() * 0.7));
}

void CamcorderGlyph(QPainter& p, const QRectF& r)
{
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.25, r.width() * 0.68, r.height() * 0.55), 2, 2);
    QPainterPath lens;
    lens.moveTo(r.left() + r.width() * 0.68, r.center().y());
    lens.lineTo(r.right(), r.top() + r.height() * 0.25);
    lens.lineTo(r.right(), r.bottom() - r.height() * 0.2);
    lens.closeSubpath();
    p.drawPath(lens);
}

void OptionsGlyph(QPainter& p, const QRectF& r)
{
    for (int i = 0; i < 3; ++i) {
        const qreal y = r.top() + r.height() * (0.2 + 0.3 * i);
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

void MinimiseGlyph(QPainter& p, const QRectF& r)
{
    p.drawLine(QPointF(r.left(), r.bottom()), QPointF(r.right(), r.bottom()));
}

void MaximiseGlyph(QPainter& p, const QRectF& r)
{
    p.drawRect(r);
}

void RestoreGlyph(QPainter& p, const QRectF& r)
{
    p.drawRect(QRectF(r.left(), r.top() + r.height() * 0.3, r.width() * 0.7, r.height() * 0.7));
    p.drawLine(QPointF(r.left() + r.width() * 0.3, r.top()), QPointF(r.right(), r.top()));
    p.drawLine(QPointF(r.right(), r.top()), QPointF(r.right(), r.top() + r.height() * 0.7));
}

void CloseGlyph(QPainter& p, const QRectF& r)
{
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void HelpGlyph(QPainter& p, const QRectF& r)
{
    p.drawArc(QRectF(r.left() + r.width() * 0.2, r.top(), r.width() * 0.6, r.height() * 0.5), 0, 180 * 16);
    QPainterPath hook;
    hook.moveTo(r.left() + r.width() * 0.8, r.top() + r.height() * 0.25);
    hook.quadTo(r.left() + r.width() * 0.8, r.top() + r.height() * 0.5, r.center().x(), r.top() + r.height() * 0.6);
    hook.lineTo(r.center().x(), r.top() + r.height() * 0.75);
    p.drawPath(hook);
    p.drawPoint(QPointF(r.center().x(), r.bottom()));
}

void PreferenceGlyph(QPainter& p, const QRectF& r)
{
    const QPointF c = r.center();
    p.drawEllipse(c, r.width() * 0.22, r.height() * 0.22);
    for (int i = 0; i < 6; ++i) {
        const qreal a = i * M_PI / 3;
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r.width() * 0.32,
                   c + QPointF(std::cos(a), std::sin(a)) * r.width() * 0.5);
    }
}

void AppGlyph(QPainter& p, const QRectF& r)
{
    p.setBrush(kAccent);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(r, 3, 3);
    p.setPen(QPen(Qt::white, 1.6));
    p.setBrush(Qt::NoBrush);
    FilmGlyph(p, r.adjusted(2, 2, -2, -2));
}

QImage StartPicture(int w, int h, bool splash)
{
    QImage image = Canvas(w, h, kBar);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, w, h);
    back.setColorAt(0, QColor(0x1d, 0x22, 0x2a));
    back.setColorAt(1, QColor(0x2f, 0x4a, 0x6e));
    p.fillRect(image.rect(), back);
    // A film strip across the picture.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x12, 0x14, 0x18));
    const QRectF strip(0, h * 0.22, w, h * 0.3);
    p.drawRect(strip);
    p.setBrush(QColor(0xe8, 0xec, 0xf0));
    for (qreal x = 8; x < w; x += 22) {
        p.drawRoundedRect(QRectF(x, strip.top() + 5, 10, 7), 2, 2);
        p.drawRoundedRect(QRectF(x, strip.bottom() - 12, 10, 7), 2, 2);
    }
    p.setBrush(kAccent);
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(w * 0.08 + i * w * 0.22, strip.top() + 18, w * 0.18, strip.height() - 36));
    QFont title("DejaVu Sans", splash ? 30 : 22, QFont::Bold);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, h * 0.58, w, h * 0.2), Qt::AlignCenter, QStringLiteral("fablecut"));
    // The player's picture is shown in every interface language: no words
    // under the name.
    if (splash) {
        QFont sub("DejaVu Sans", 11);
        p.setFont(sub);
        p.setPen(QColor(0xb8, 0xc4, 0xd0));
        p.drawText(QRectF(0, h * 0.76, w, h * 0.12), Qt::AlignCenter, QStringLiteral("video editor and converter"));
    }
    return image;
}

QImage LoadBackground(int w, int h)
{
    QImage image = Canvas(w, h, kBar);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kAccent, 2));
    p.setBrush(kBar);
    p.drawRect(QRectF(1, 1, w - 2, h - 2));
    return image;
}

QImage SpinnerFrame(int size, int frame, int frames)
{
    QImage image = Canvas(size * 6, size, kBar);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        const int lit = (frame % frames) * 6 / frames;
        p.setBrush(i == lit ? kAccent : kBarLight);
        p.drawEllipse(QPointF(size * (i + 0.5), size / 2.0), size * 0.3, size * 0.3);
    }
    return image;
}

} // namespace

// The mark on selected thumbnails: a check on the accent colour.
QImage SelectionMark(int side)
{
    QImage image = Canvas(side, side, kAccent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::white, side / 7.0);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.drawPolyline(QPolygonF(
        {QPointF(side * 0.22, side * 0.52), QPointF(side * 0.43, side * 0.72), QPointF(side * 0.78, side * 0.3)}));
    return image;
}

// The picture of an item that has sound only: a note on a dark card.
QImage SoundPicture(int w, int h, const QColor& card)
{
    QImage image = Canvas(w, h, card);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, card.lighter(130));
    g.setColorAt(1, card.darker(120));
    p.fillRect(image.rect(), g);
    const qreal u = h / 8.0;
    p.setPen(Qt::NoPen);
    p.setBrush(kGlyph);
    const QPointF head1(w / 2.0 - 1.6 * u, h / 2.0 + 1.8 * u);
    const QPointF head2(w / 2.0 + 1.6 * u, h / 2.0 + 1.3 * u);
    p.drawEllipse(head1, 0.9 * u, 0.7 * u);
    p.drawEllipse(head2, 0.9 * u, 0.7 * u);
    QPen stem(kGlyph, std::max(1.0, 0.35 * u));
    p.setPen(stem);
    p.drawLine(QPointF(head1.x() + 0.8 * u, head1.y()), QPointF(head1.x() + 0.8 * u, h / 2.0 - 2.2 * u));
    p.drawLine(QPointF(head2.x() + 0.8 * u, head2.y()), QPointF(head2.x() + 0.8 * u, h / 2.0 - 2.7 * u));
    p.setPen(QPen(kGlyph, std::max(1.5, 0.7 * u)));
    p.drawLine(QPointF(head1.x() + 0.8 * u, h / 2.0 - 2.2 * u), QPointF(head2.x() + 0.8 * u, h / 2.0 - 2.7 * u));
    return image;
}

// The frame around a thumbnail in the details list: a light edge.
// A frame-strip thumbnail's background: a rounded border, the accent
// colour under the mouse.
QImage StripBackground(int w, int h, bool hover)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(hover ? kAccent : kBarLight);
    p.drawRoundedRect(QRectF(0, 0, w, h), 3, 3);
    return image;
}

// What a strip thumbnail shows where there is no picture (before the clip's start).
QImage StripNoFrame(int w, int h)
{
    QImage image = Canvas(w, h, QColor(0x16, 0x19, 0x1d));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBarLight, 2));
    p.drawLine(QPointF(w * 0.35, h * 0.3), QPointF(w * 0.65, h * 0.7));
    p.drawLine(QPointF(w * 0.65, h * 0.3), QPointF(w * 0.35, h * 0.7));
    return image;
}

QImage ThumbnailBorder(int w, int h)
{
    QImage image = Canvas(w, h, QColor(0xc9, 0xd1, 0xda));
    QPainter p(&image);
    p.setPen(QColor(0x8a, 0x93, 0x9f));
    p.drawRect(0, 0, w - 1, h - 1);
    return image;
}

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_skin_images <bin folder> <frames folder>\n");
        return 2;
    }
    const QString bin = QString::fromLocal8Bit(argv[1]);
    const QString skin = bin + "/skins/default";
    const QString image = bin + "/image";
    const QString frames = QString::fromLocal8Bit(argv[2]);
    for (const QString& dir : {skin, image, frames})
        QDir().mkpath(dir);
    bool ok = true;

    const struct
    {
        const char* name;
        Glyph glyph;
    } title[] = {{"title_icon", AppGlyph},        {"title_min", MinimiseGlyph}, {"title_max", MaximiseGlyph},
                 {"title_restore", RestoreGlyph}, {"title_close", CloseGlyph},  {"title_help", HelpGlyph},
                 {"title_pref", PreferenceGlyph}};
    for (const auto& t : title) {
        ok &= Save(Button(18, 18, 0, t.glyph), skin + "/" + t.name + ".png");
        ok &= Save(Button(18, 18, 1, t.glyph), skin + "/" + t.name + "_hover.png");
    }

    const char* states[] = {"normal", "hover", "checked"};
    for (int s = 0; s < 3; ++s) {
        ok &= Save(Button(56, 40, s, FilmGlyph), skin + "/page_source_" + states[s] + ".png");
        ok &= Save(Button(56, 40, s, ExportGlyph), skin + "/page_export_" + states[s] + ".png");
        ok &= Save(Button(32, 32, s, LibraryGlyph), skin + "/ws_library_" + states[s] + ".png");
        ok &= Save(Button(32, 32, s, EffectsGlyph), skin + "/ws_effects_" + states[s] + ".png");
        ok &= Save(Button(32, 32, s, VolumeGlyph), skin + "/ws_volume_" + states[s] + ".png");
        ok &= Save(Button(32, 32, s, ThreeDGlyph), skin + "/ws_3d_" + states[s] + ".png");
    }
    for (int s = 0; s < 2; ++s) {
        ok &= Save(Button(26, 24, s, ImportGlyph), skin + "/lib_import_" + states[s] + ".png");
        ok &= Save(Button(26, 24, s, CamcorderGlyph), skin + "/lib_camcorder_" + states[s] + ".png");
        ok &= Save(Button(26, 24, s, OptionsGlyph), skin + "/lib_options_" + states[s] + ".png");
    }
    ok &= Save(SelectionMark(15), skin + "/lib_selected_mark.png");
    ok &= Save(SoundPicture(128, 72, QColor(0x2e, 0x4a, 0x6b)), skin + "/lib_audio_thumb.png");
    ok &= Save(SoundPicture(64, 48, QColor(0x4a, 0x3a, 0x6b)), skin + "/lib_music_thumb.png");
    ok &= Save(ThumbnailBorder(34, 26), skin + "/lib_thumb_border.png");
    ok &= Save(StripBackground(80, 62, false), skin + "/strip_normal_bg.png");
    ok &= Save(StripBackground(80, 62, true), skin + "/strip_hover_bg.png");
    ok &= Save(StripNoFrame(72, 54), skin + "/strip_no_frame.png");
    const struct
    {
        const char* name;
        Glyph glyph;
    } player[] = {{"player_play", PlayGlyph},     {"player_pause", PauseGlyph}, {"player_stop", StopGlyph},
                  {"player_prev", PreviousGlyph}, {"player_next", NextGlyph},   {"player_snapshot", SnapshotGlyph},
                  {"player_volume", VolumeGlyph}, {"player_mute", MuteGlyph}};
    for (const auto& b : player) {
        ok &= Save(Button(26, 24, 0, b.glyph), skin + "/" + b.name + "_normal.png");
        ok &= Save(Button(26, 24, 1, b.glyph), skin + "/" + b.name + "_hover.png");
    }
    // Disabled work-space buttons look dimmed.
    for (const char* name : {"ws_effects", "ws_volume", "ws_3d"}) {
        QImage dim = Button(32, 32, 0,
                            name == QString("ws_effects")  ? Glyph(EffectsGlyph)
                            : name == QString("ws_volume") ? Glyph(VolumeGlyph)
                                                           : Glyph(ThreeDGlyph));
        QPainter p(&dim);
        p.fillRect(dim.rect(), QColor(0x2b, 0x2f, 0x36, 150));
        p.end();
        ok &= Save(dim, skin + "/" + name + "_disabled.png");
    }

    QImage bar = Canvas(8, 48, kBar);
    {
        QPainter p(&bar);
        QLinearGradient g(0, 0, 0, 48);
        g.setColorAt(0, kBarLight);
        g.setColorAt(1, kBar);
        p.fillRect(bar.rect(), g);
    }
    ok &= Save(bar, skin + "/toolbar_bg.png");
    ok &= Save(LoadBackground(360, 110), skin + "/loadbg.png");
    ok &= Save(StartPicture(400, 250, false), skin + "/start.png");
    ok &= Save(StartPicture(520, 300, true), image + "/start.png");
    ok &= Save(Canvas(640, 480, Qt::black), image + "/blackbg4x3.png");
    // The About box's banner, above its texts.
    {
        QImage banner = StartPicture(390, 130, false);
        QPainter p(&banner);
        p.fillRect(QRectF(0, 130 * 0.76, 390, 40), QColor(0x24, 0x33, 0x47));
        p.end();
        ok &= Save(banner, skin + "/about_banner.png");
    }

    const int frameCount = 12;
    for (int i = 0; i < frameCount; ++i)
        ok &= Save(SpinnerFrame(16, i, frameCount), frames + QString("/frame%1.png").arg(i, 2, 10, QChar('0')));
    return ok ? 0 : 1;
}
