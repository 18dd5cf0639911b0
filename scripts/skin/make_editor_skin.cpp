// Writes the clip editor's and the timeline's images into a skin folder: the
// effect chooser's icons and the 3D page's two sample pictures (a sample
// picture of our own, drawn here, passed through the media manager's named
// processors; "None" is the picture itself), the glyphs of the editor's
// text-less buttons, the ruler's anchor and the clip backgrounds.
//
//   make_editor_skin <skin folder>

#include "IAVManager.h"
#include "IRawFrameFiller.h"
#include "IRawVideoFrame.h"
#include "IVideoProcessor.h"
#include "Moorlan.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

// A landscape with sky, sun, hills, a house and a tree: colours, edges and
// flat areas, so that every effect shows.
QImage Sample(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(w / 64.0, h / 48.0);
    QLinearGradient sky(0, 0, 0, 30);
    sky.setColorAt(0, QColor(40, 110, 220));
    sky.setColorAt(1, QColor(170, 215, 250));
    p.fillRect(QRectF(0, 0, 64, 48), sky);
    QRadialGradient sun(50, 11, 8);
    sun.setColorAt(0, QColor(255, 250, 190));
    sun.setColorAt(0.6, QColor(255, 205, 60));
    sun.setColorAt(1, QColor(255, 205, 60, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(50, 11), 8, 8);
    QPainterPath hills;
    hills.moveTo(0, 34);
    hills.cubicTo(14, 24, 26, 26, 36, 32);
    hills.cubicTo(46, 27, 56, 25, 64, 30);
    hills.lineTo(64, 48);
    hills.lineTo(0, 48);
    hills.closeSubpath();
    p.setBrush(QColor(60, 150, 60));
    p.drawPath(hills);
    p.setBrush(QColor(35, 110, 45));
    p.drawRect(QRectF(0, 40, 64, 8));
    p.setBrush(QColor(230, 225, 210));
    p.drawRect(QRectF(10, 27, 14, 11));
    p.setBrush(QColor(190, 40, 40));
    QPolygonF roof;
    roof << QPointF(8, 27.5) << QPointF(17, 19) << QPointF(26, 27.5);
    p.drawPolygon(roof);
    p.setBrush(QColor(90, 60, 30));
    p.drawRect(QRectF(15, 31, 4, 7));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(43, 30, 2.5, 9));
    p.setBrush(QColor(30, 120, 50));
    p.drawEllipse(QPointF(44.2, 27), 5.5, 6);
    p.end();
    return image;
}

// Runs one processor over the picture in place; false when the media manager
// cannot make it.
bool Apply(Moorland::IAVManager* manager, const char* name, QImage& image,
           std::initializer_list<std::pair<const char*, const char*>> parameters)
{
    Moorland::IVideoProcessor* processor = manager->CreateVideoProcessor(name);
    if (!processor)
        return false;
    for (const auto& parameter : parameters)
        processor->SetParameter(parameter.first, parameter.second);
    Moorland::IRawVideoFrameFiller* filler = Moorland::CreateRawVideoFrameFiller();
    filler->SetFormat(Moorland::PIXEL_FORMAT_RGBA32, unsigned(image.width()), unsigned(image.height()), 1);
    filler->SetPlane(0, image.bits(), unsigned(image.bytesPerLine()));
    Moorland::ProcessParams params;
    std::memset(&params, 0, sizeof params);
    const bool ok = processor->ProcessFrameInPlace(&params, 0, filler->GetFrame());
    filler->Release();
    processor->Release();
    return ok;
}

bool Save(const QImage& image, const QString& path)
{
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "make_editor_skin: cannot write %s\n", qPrintable(path));
    return false;
}

const QColor kGlyph(0xdd, 0xe3, 0xea);
const QColor kAccent(0x3d, 0x8e, 0xe8);

using Draw = std::function<void(QPainter&, double w, double h)>;

QImage Glyph(int w, int h, const Draw& draw, const QColor& colour = kGlyph)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(colour, std::max(1.5, w / 14.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    draw(p, w, h);
    p.end();
    return image;
}

void Arrow(QPainter& p, QPointF tip, double angle, double size)
{
    const QPointF a = tip - QPointF(std::cos(angle - 0.5) * size, std::sin(angle - 0.5) * size);
    const QPointF b = tip - QPointF(std::cos(angle + 0.5) * size, std::sin(angle + 0.5) * size);
    p.drawLine(tip, a);
    p.drawLine(tip, b);
}

void Flip(QPainter& p, double w, double h, bool vertical)
{
    // Drawn for the horizontal flip; the vertical one is the same turned a quarter.
    if (vertical) {
        p.translate(w / 2, h / 2);
        p.rotate(90);
        p.translate(-w / 2, -h / 2);
    }
    const QColor c = p.pen().color();
    p.drawLine(QPointF(w / 2, h * 0.12), QPointF(w / 2, h * 0.88));
    QPolygonF left, right;
    left << QPointF(w * 0.42, h * 0.25) << QPointF(w * 0.12, h * 0.75) << QPointF(w * 0.42, h * 0.75);
    right << QPointF(w * 0.58, h * 0.25) << QPointF(w * 0.88, h * 0.75) << QPointF(w * 0.58, h * 0.75);
    p.setBrush(c);
    p.drawPolygon(left);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(right);
}

void Turn(QPainter& p, double w, double h, bool clockwise)
{
    const QRectF arc(w * 0.2, h * 0.2, w * 0.6, h * 0.6);
    p.drawArc(arc, clockwise ? 200 * 16 : -20 * 16, clockwise ? -250 * 16 : 250 * 16);
    const double end = clockwise ? (200 - 250) : (-20 + 250);
    const double rad = end * M_PI / 180.0;
    const QPointF tip(w / 2 + std::cos(rad) * w * 0.3, h / 2 - std::sin(rad) * h * 0.3);
    Arrow(p, tip, clockwise ? -rad + M_PI / 2 + M_PI : -rad - M_PI / 2 + M_PI, w * 0.2);
}

void Speaker(QPainter& p, double w, double h, bool muted)
{
    const QColor c = p.pen().color();
    QPolygonF body;
    body << QPointF(w * 0.15, h * 0.38) << QPointF(w * 0.3, h * 0.38) << QPointF(w * 0.5, h * 0.2)
         << QPointF(w * 0.5, h * 0.8) << QPointF(w * 0.3, h * 0.62) << QPointF(w * 0.15, h * 0.62);
    p.setBrush(c);
    p.drawPolygon(body);
    p.setBrush(Qt::NoBrush);
    if (muted) {
        p.setPen(QPen(QColor(0xe8, 0x5a, 0x4f), w / 14.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(w * 0.6, h * 0.36), QPointF(w * 0.86, h * 0.64));
        p.drawLine(QPointF(w * 0.86, h * 0.36), QPointF(w * 0.6, h * 0.64));
    } else {
        p.drawArc(QRectF(w * 0.35, h * 0.32, w * 0.3, h * 0.36), -50 * 16, 100 * 16);
        p.drawArc(QRectF(w * 0.3, h * 0.2, w * 0.5, h * 0.6), -50 * 16, 100 * 16);
    }
}

void Glasses(QPainter& p, double w, double h, QColor left, QColor right, bool checked)
{
    if (checked) {
        p.setPen(QPen(kAccent, 2));
        p.setBrush(QColor(0x3a, 0x40, 0x4a));
        p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 5, 5);
    }
    p.setPen(QPen(kGlyph, 2));
    const QRectF l(w * 0.1, h * 0.28, w * 0.34, h * 0.44), r(w * 0.56, h * 0.28, w * 0.34, h * 0.44);
    p.setBrush(left);
    p.drawRoundedRect(l, 4, 4);
    p.setBrush(right);
    p.drawRoundedRect(r, 4, 4);
    p.drawLine(QPointF(w * 0.44, h * 0.4), QPointF(w * 0.56, h * 0.4));
}

QImage ClipBackground(QColor top, QColor bottom, QColor border)
{
    QImage image(40, 80, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, 80);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.setPen(QPen(border, 1.5));
    p.drawRoundedRect(QRectF(0.75, 0.75, 38.5, 78.5), 3.5, 3.5);
    p.end();
    return image;
}

bool WriteGlyphs(const QString& skin)
{
    bool ok = true;
    ok &= Save(Glyph(28, 28, [](QPainter& p, double w, double h) { Flip(p, w, h, false); }), skin + "/edit_flip_h.png");
    ok &= Save(Glyph(28, 28, [](QPainter& p, double w, double h) { Flip(p, w, h, true); }), skin + "/edit_flip_v.png");
    ok &= Save(Glyph(28, 28, [](QPainter& p, double w, double h) { Turn(p, w, h, false); }),
               skin + "/edit_rotate_ccw.png");
    ok &=
        Save(Glyph(28, 28, [](QPainter& p, double w, double h) { Turn(p, w, h, true); }), skin + "/edit_rotate_cw.png");
    const auto minus = [](QPainter& p, double w, double h) {
        p.drawLine(QPointF(w * 0.2, h / 2), QPointF(w * 0.8, h / 2));
    };
    const auto plus = [](QPainter& p, double w, double h) {
        p.drawLine(QPointF(w * 0.2, h / 2), QPointF(w * 0.8, h / 2));
        p.drawLine(QPointF(w / 2, h * 0.2), QPointF(w / 2, h * 0.8));
    };
    ok &= Save(Glyph(16, 16, minus), skin + "/edit_minus.png");
    ok &= Save(Glyph(16, 16, plus), skin + "/edit_plus.png");
    ok &= Save(Glyph(12, 10, minus), skin + "/edit_minus_small.png");
    ok &= Save(Glyph(12, 10, plus), skin + "/edit_plus_small.png");
    ok &= Save(Glyph(24, 24,
                     [](QPainter& p, double w, double h) {
                         p.drawEllipse(QPointF(w / 2, h / 2), w * 0.17, h * 0.17);
                         for (int i = 0; i < 8; ++i) {
                             const double a = i * M_PI / 4;
                             p.drawLine(QPointF(w / 2 + std::cos(a) * w * 0.28, h / 2 + std::sin(a) * h * 0.28),
                                        QPointF(w / 2 + std::cos(a) * w * 0.42, h / 2 + std::sin(a) * h * 0.42));
                         }
                     }),
               skin + "/edit_brightness.png");
    ok &= Save(Glyph(24, 24,
                     [](QPainter& p, double w, double h) {
                         const QRectF r(w * 0.15, h * 0.15, w * 0.7, h * 0.7);
                         p.drawEllipse(r);
                         p.setBrush(p.pen().color());
                         p.drawPie(r, 90 * 16, 180 * 16);
                     }),
               skin + "/edit_contrast.png");
    ok &= Save(Glyph(24, 24,
                     [](QPainter& p, double w, double h) {
                         QPainterPath drop;
                         drop.moveTo(w / 2, h * 0.1);
                         drop.cubicTo(w * 0.85, h * 0.5, w * 0.85, h * 0.9, w / 2, h * 0.9);
                         drop.cubicTo(w * 0.15, h * 0.9, w * 0.15, h * 0.5, w / 2, h * 0.1);
                         QLinearGradient g(0, 0, w, 0);
                         g.setColorAt(0, QColor(0xe8, 0x5a, 0x4f));
                         g.setColorAt(0.5, QColor(0x5a, 0xc8, 0x5a));
                         g.setColorAt(1, kAccent);
                         p.setBrush(g);
                         p.drawPath(drop);
                     }),
               skin + "/edit_saturation.png");
    const bool states[] = {false, true};
    for (bool checked : states) {
        const QString suffix = checked ? "_checked.png" : ".png";
        ok &= Save(Glyph(56, 32,
                         [checked](QPainter& p, double w, double h) {
                             Glasses(p, w, h, QColor(0xe0, 0x30, 0x30), QColor(0x30, 0x60, 0xe8), checked);
                         }),
                   skin + "/edit_3d_redblue" + suffix);
        ok &= Save(Glyph(56, 32,
                         [checked](QPainter& p, double w, double h) {
                             Glasses(p, w, h, QColor(0xe0, 0x30, 0x30), QColor(0x30, 0xc0, 0x40), checked);
                         }),
                   skin + "/edit_3d_redgreen" + suffix);
    }
    ok &= Save(Glyph(64, 64, [](QPainter& p, double w, double h) { Speaker(p, w, h, false); }),
               skin + "/edit_mute_off.png");
    ok &= Save(Glyph(64, 64, [](QPainter& p, double w, double h) { Speaker(p, w, h, true); }),
               skin + "/edit_mute_on.png");
    ok &= Save(Glyph(24, 24,
                     [](QPainter& p, double w, double h) {
                         p.drawArc(QRectF(w * 0.2, h * 0.2, w * 0.6, h * 0.6), 100 * 16, 290 * 16);
                         Arrow(p, QPointF(w * 0.45, h * 0.2), 0.0, w * 0.2);
                     }),
               skin + "/edit_reset.png");
    ok &= Save(Glyph(24, 24,
                     [](QPainter& p, double w, double h) {
                         for (int i = 0; i < 3; ++i)
                             p.drawRect(QRectF(w * (0.12 + i * 0.1), h * (0.42 - i * 0.12), w * 0.45, h * 0.38));
                     }),
               skin + "/edit_apply_all.png");
    ok &= Save(Glyph(11, 20,
                     [](QPainter& p, double w, double h) {
                         p.setPen(Qt::NoPen);
                         p.setBrush(QColor(0xff, 0xa2, 0x00));
                         QPolygonF head;
                         head << QPointF(0, 0) << QPointF(w, 0) << QPointF(w, h * 0.4) << QPointF(w / 2, h * 0.6)
                              << QPointF(0, h * 0.4);
                         p.drawPolygon(head);
                         p.fillRect(QRectF(w / 2 - 1, h * 0.5, 2, h * 0.5), QColor(0xff, 0xa2, 0x00));
                     }),
               skin + "/ruler_anchor.png");
    ok &= Save(Glyph(10, 200,
                     [](QPainter& p, double w, double h) {
                         p.setPen(QPen(QColor(0x8a, 0x93, 0x9e), 1));
                         for (int i = 0; i <= 20; ++i) {
                             const double y = 4 + i * (h - 8) / 20.0;
                             p.drawLine(QPointF(i % 5 == 0 ? 0 : w * 0.4, y), QPointF(w, y));
                         }
                     }),
               skin + "/edit_volume_ruler.png");
    // The timeline panel's tool buttons and track icon.
    ok &= Save(Glyph(32, 24,
                     [](QPainter& p, double w, double h) {
                         p.drawEllipse(QPointF(w * 0.3, h * 0.72), w * 0.1, h * 0.13);
                         p.drawEllipse(QPointF(w * 0.7, h * 0.72), w * 0.1, h * 0.13);
                         p.drawLine(QPointF(w * 0.36, h * 0.6), QPointF(w * 0.62, h * 0.12));
                         p.drawLine(QPointF(w * 0.64, h * 0.6), QPointF(w * 0.38, h * 0.12));
                     }),
               skin + "/timeline_split.png");
    ok &= Save(Glyph(32, 24,
                     [](QPainter& p, double w, double h) {
                         p.drawLine(QPointF(w * 0.3, h * 0.22), QPointF(w * 0.7, h * 0.22));
                         p.drawLine(QPointF(w * 0.44, h * 0.14), QPointF(w * 0.56, h * 0.14));
                         QPolygonF can;
                         can << QPointF(w * 0.34, h * 0.3) << QPointF(w * 0.38, h * 0.86) << QPointF(w * 0.62, h * 0.86)
                             << QPointF(w * 0.66, h * 0.3);
                         p.drawPolyline(can);
                         p.drawLine(QPointF(w * 0.5, h * 0.4), QPointF(w * 0.5, h * 0.76));
                     }),
               skin + "/timeline_delete.png");
    const bool zoomIn[] = {true, false};
    for (bool in : zoomIn)
        ok &= Save(Glyph(16, 16,
                         [in](QPainter& p, double w, double h) {
                             p.drawEllipse(QPointF(w * 0.42, h * 0.42), w * 0.3, h * 0.3);
                             p.drawLine(QPointF(w * 0.64, h * 0.64), QPointF(w * 0.92, h * 0.92));
                             p.drawLine(QPointF(w * 0.28, h * 0.42), QPointF(w * 0.56, h * 0.42));
                             if (in)
                                 p.drawLine(QPointF(w * 0.42, h * 0.28), QPointF(w * 0.42, h * 0.56));
                         }),
                   skin + (in ? "/timeline_zoom_in.png" : "/timeline_zoom_out.png"));
    ok &= Save(Glyph(24, 24,
                     [](QPainter& p, double w, double h) {
                         p.drawRoundedRect(QRectF(w * 0.14, h * 0.24, w * 0.72, h * 0.52), 2, 2);
                         for (int i = 0; i < 4; ++i) {
                             p.drawPoint(QPointF(w * (0.26 + i * 0.16), h * 0.32));
                             p.drawPoint(QPointF(w * (0.26 + i * 0.16), h * 0.68));
                         }
                     }),
               skin + "/timeline_track.png");
    ok &= Save(ClipBackground(QColor(0x4f, 0x7d, 0xb8), QColor(0x2f, 0x55, 0x88), QColor(0x8f, 0xb8, 0xe8)),
               skin + "/clip_normal_bg.png");
    ok &= Save(ClipBackground(QColor(0x4f, 0x9a, 0x6a), QColor(0x2f, 0x6a, 0x45), QColor(0x8f, 0xd8, 0xa8)),
               skin + "/clip_audio_bg.png");
    ok &= Save(ClipBackground(QColor(0xe8, 0x9a, 0x2a), QColor(0xb8, 0x6a, 0x10), QColor(0xff, 0xd0, 0x80)),
               skin + "/clip_down_bg.png");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_editor_skin <skin folder>\n");
        return 2;
    }
    const QString skin = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(skin)) {
        std::fprintf(stderr, "make_editor_skin: cannot make %s\n", argv[1]);
        return 1;
    }
    Moorland::IAVManager* manager = CreateAVManager(QDir::tempPath().toUtf8().constData(), nullptr);
    if (!manager) {
        std::fprintf(stderr, "make_editor_skin: no media manager\n");
        return 1;
    }
    struct Icon
    {
        const char* file;
        const char* processor;
    };
    const Icon icons[] = {
        {"Efc_None.png", nullptr},
        {"Efc_Gauss.png", "simple_gauss_blur"},
        {"Efc_LapSharpen.png", "simple_laplacian_sharpen"},
        {"Efc_Gray.png", "gray"},
        {"Efc_FlipColor.png", "flip_color"},
        {"Efc_Invert.png", "invert"},
        {"Efc_AgedFilm.png", "aged_film"},
    };
    bool ok = true;
    for (const Icon& icon : icons) {
        QImage image = Sample(64, 48);
        if (icon.processor && !Apply(manager, icon.processor, image, {})) {
            std::fprintf(stderr, "make_editor_skin: processor %s failed\n", icon.processor);
            ok = false;
        }
        ok &= Save(image, skin + "/" + icon.file);
    }
    const std::pair<const char*, const char*> kinds[] = {{"3D_RedBlue.png", "1"}, {"3D_RedGreen.png", "2"}};
    for (const auto& kind : kinds) {
        QImage image = Sample(192, 144);
        if (!Apply(manager, "2D_3D_TransForm", image, {{"2d_3d_depth", "50"}, {"2d_3d_type", kind.second}})) {
            std::fprintf(stderr, "make_editor_skin: anaglyph %s failed\n", kind.second);
            ok = false;
        }
        ok &= Save(image, skin + "/" + kind.first);
    }
    manager->Release();
    ok &= WriteGlyphs(skin);
    return ok ? 0 : 1;
}
