// Writes the effect chooser's icons and the 3D page's two sample pictures into
// a skin folder: a sample picture of our own, drawn here, passed through the
// media manager's named processors (the picture itself for "None").
//
//   make_effect_icons <skin folder>

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

#include <cstdio>
#include <cstring>

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
    std::fprintf(stderr, "make_effect_icons: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_effect_icons <skin folder>\n");
        return 2;
    }
    const QString skin = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(skin)) {
        std::fprintf(stderr, "make_effect_icons: cannot make %s\n", argv[1]);
        return 1;
    }
    Moorland::IAVManager* manager = CreateAVManager(QDir::tempPath().toUtf8().constData(), nullptr);
    if (!manager) {
        std::fprintf(stderr, "make_effect_icons: no media manager\n");
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
            std::fprintf(stderr, "make_effect_icons: processor %s failed\n", icon.processor);
            ok = false;
        }
        ok &= Save(image, skin + "/" + icon.file);
    }
    const std::pair<const char*, const char*> kinds[] = {{"3D_RedBlue.png", "1"}, {"3D_RedGreen.png", "2"}};
    for (const auto& kind : kinds) {
        QImage image = Sample(192, 144);
        if (!Apply(manager, "2D_3D_TransForm", image, {{"2d_3d_depth", "50"}, {"2d_3d_type", kind.second}})) {
            std::fprintf(stderr, "make_effect_icons: anaglyph %s failed\n", kind.second);
            ok = false;
        }
        ok &= Save(image, skin + "/" + kind.first);
    }
    manager->Release();
    return ok ? 0 : 1;
}
