// Draws the icons of the shipped profile catalogue: one "<ID>.png" per
// category and profile link of all_profile.xml, and "star.png" for starred
// links, into the given folder. Run at build time:
//     make_profile_icons <all_profile.xml> <output folder>
// Every icon is a rounded tile in the colour of its category's type with a
// glyph of its kind; profile icons also carry a short label, and category
// icons their category's name (a format category's in two lines: the
// container over what tells it from its neighbours).

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdlib>
#include <cstdio>

namespace {

const int kSize = 64;

enum class Glyph {
    Film,
    Note,
    Phone,
    Tablet,
    Console,
    Tv,
    Clapper,
    Diamond,
    Play,
    Star,
    Pencil,
    Clock,
    Scissors,
    Copy
};

QColor TypeColour(int type)
{
    switch (type) {
    case 2: return QColor(0x2d, 0x6c, 0xdf); // formats
    case 3:
        return QColor(0x7b, 0x3f, 0xb5); // editing programs
    // Dark enough for the white names on them to read (4.5:1 and more).
    case 4: return QColor(0x1f, 0x7a, 0x45); // devices
    case 5: return QColor(0x9a, 0x6a, 0x0e); // lossless
    case 6: return QColor(0xb8, 0x30, 0x30); // online
    default: return QColor(0x60, 0x6a, 0x78);
    }
}

Glyph GlyphFor(int type, const QString& category, const QString& name)
{
    QString n = (category + " " + name).toLower();
    if (type == 3)
        return Glyph::Clapper;
    if (type == 5)
        return Glyph::Diamond;
    if (type == 6)
        return Glyph::Play;
    if (n.contains("audio"))
        return Glyph::Note;
    if (type == 4) {
        if (n.contains("tv") || n.contains("player"))
            return Glyph::Tv;
        if (n.contains("console") || n.contains("ps") || n.contains("xbox") || n.contains("wii"))
            return Glyph::Console;
        if (n.contains("ipad") || n.contains("tablet") || n.contains("kindle"))
            return Glyph::Tablet;
        return Glyph::Phone;
    }
    return Glyph::Film;
}

// The glyph of a category cell: what the category is about, so that cells of
// one page differ in their pictures as well as in their names.
Glyph CategoryGlyph(int type, const QString& category)
{
    const QString n = category.toLower();
    if (n.contains("same as source"))
        return Glyph::Copy;
    if (n.contains("lossless"))
        return Glyph::Diamond;
    if (n.contains("final cut"))
        return Glyph::Scissors;
    if (n.contains("quicktime"))
        return Glyph::Film;
    if (n.contains("apple"))
        return Glyph::Tablet;
    return GlyphFor(type, category, "");
}

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box)
{
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c = box.center();
    const qreal w = box.width(), h = box.height();
    switch (glyph) {
    case Glyph::Film: {
        QRectF r(c.x() - w * 0.38, c.y() - h * 0.3, w * 0.76, h * 0.6);
        p.drawRect(r);
        p.setBrush(Qt::white);
        for (int i = 0; i < 4; ++i) {
            qreal x = r.left() + 3 + i * (r.width() - 6) / 4;
            p.drawRect(QRectF(x, r.top() + 2, 3, 3));
            p.drawRect(QRectF(x, r.bottom() - 5, 3, 3));
        }
        break;
    }
    case Glyph::Note: {
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(c.x() - w * 0.15, c.y() + h * 0.22), w * 0.12, h * 0.09);
        p.drawEllipse(QPointF(c.x() + w * 0.2, c.y() + h * 0.15), w * 0.12, h * 0.09);
        p.drawLine(QPointF(c.x() - w * 0.04, c.y() + h * 0.22), QPointF(c.x() - w * 0.04, c.y() - h * 0.3));
        p.drawLine(QPointF(c.x() + w * 0.31, c.y() + h * 0.15), QPointF(c.x() + w * 0.31, c.y() - h * 0.37));
        p.drawLine(QPointF(c.x() - w * 0.04, c.y() - h * 0.3), QPointF(c.x() + w * 0.31, c.y() - h * 0.37));
        break;
    }
    case Glyph::Phone:
        p.drawRoundedRect(QRectF(c.x() - w * 0.2, c.y() - h * 0.38, w * 0.4, h * 0.76), 4, 4);
        p.drawLine(QPointF(c.x() - 3, c.y() + h * 0.3), QPointF(c.x() + 3, c.y() + h * 0.3));
        break;
    case Glyph::Tablet:
        p.drawRoundedRect(QRectF(c.x() - w * 0.3, c.y() - h * 0.38, w * 0.6, h * 0.76), 4, 4);
        p.drawPoint(QPointF(c.x(), c.y() + h * 0.31));
        break;
    case Glyph::Console: {
        p.drawRoundedRect(QRectF(c.x() - w * 0.4, c.y() - h * 0.2, w * 0.8, h * 0.42), 9, 9);
        p.drawLine(QPointF(c.x() - w * 0.26, c.y()), QPointF(c.x() - w * 0.1, c.y()));
        p.drawLine(QPointF(c.x() - w * 0.18, c.y() - h * 0.08), QPointF(c.x() - w * 0.18, c.y() + h * 0.08));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(c.x() + w * 0.16, c.y() - h * 0.04), 2, 2);
        p.drawEllipse(QPointF(c.x() + w * 0.26, c.y() + h * 0.05), 2, 2);
        break;
    }
    case Glyph::Tv:
        p.drawRoundedRect(QRectF(c.x() - w * 0.4, c.y() - h * 0.3, w * 0.8, h * 0.5), 3, 3);
        p.drawLine(QPointF(c.x() - w * 0.15, c.y() + h * 0.33), QPointF(c.x() + w * 0.15, c.y() + h * 0.33));
        break;
    case Glyph::Clapper: {
        QRectF body(c.x() - w * 0.36, c.y() - h * 0.12, w * 0.72, h * 0.46);
        p.drawRect(body);
        QPolygonF top;
        top << QPointF(body.left(), body.top()) << QPointF(body.left() + 2, body.top() - h * 0.2)
            << QPointF(body.right(), body.top() - h * 0.3) << QPointF(body.right(), body.top() - h * 0.1);
        p.drawPolygon(top);
        break;
    }
    case Glyph::Diamond: {
        QPolygonF d;
        d << QPointF(c.x(), c.y() + h * 0.36) << QPointF(c.x() - w * 0.36, c.y() - h * 0.08)
          << QPointF(c.x() - w * 0.18, c.y() - h * 0.3) << QPointF(c.x() + w * 0.18, c.y() - h * 0.3)
          << QPointF(c.x() + w * 0.36, c.y() - h * 0.08);
        p.drawPolygon(d);
        p.drawLine(QPointF(c.x() - w * 0.36, c.y() - h * 0.08), QPointF(c.x() + w * 0.36, c.y() - h * 0.08));
        p.drawLine(QPointF(c.x(), c.y() + h * 0.36), QPointF(c.x() - w * 0.1, c.y() - h * 0.08));
        p.drawLine(QPointF(c.x(), c.y() + h * 0.36), QPointF(c.x() + w * 0.1, c.y() - h * 0.08));
        break;
    }
    case Glyph::Play: {
        p.drawRoundedRect(QRectF(c.x() - w * 0.38, c.y() - h * 0.28, w * 0.76, h * 0.56), 8, 8);
        QPolygonF t;
        t << QPointF(c.x() - w * 0.1, c.y() - h * 0.14) << QPointF(c.x() - w * 0.1, c.y() + h * 0.14)
          << QPointF(c.x() + w * 0.16, c.y());
        p.setBrush(Qt::white);
        p.drawPolygon(t);
        break;
    }
    case Glyph::Pencil: {
        QPolygonF body;
        body << QPointF(c.x() - w * 0.3, c.y() + h * 0.3) << QPointF(c.x() - w * 0.22, c.y() + h * 0.08)
             << QPointF(c.x() + w * 0.2, c.y() - h * 0.34) << QPointF(c.x() + w * 0.34, c.y() - h * 0.2)
             << QPointF(c.x() - w * 0.08, c.y() + h * 0.22);
        p.drawPolygon(body);
        p.drawLine(QPointF(c.x() - w * 0.22, c.y() + h * 0.08), QPointF(c.x() - w * 0.08, c.y() + h * 0.22));
        break;
    }
    case Glyph::Scissors: {
        p.drawEllipse(QPointF(c.x() - w * 0.2, c.y() + h * 0.24), w * 0.12, h * 0.12);
        p.drawEllipse(QPointF(c.x() + w * 0.2, c.y() + h * 0.24), w * 0.12, h * 0.12);
        p.drawLine(QPointF(c.x() - w * 0.12, c.y() + h * 0.14), QPointF(c.x() + w * 0.22, c.y() - h * 0.38));
        p.drawLine(QPointF(c.x() + w * 0.12, c.y() + h * 0.14), QPointF(c.x() - w * 0.22, c.y() - h * 0.38));
        break;
    }
    case Glyph::Copy:
        p.drawRoundedRect(QRectF(c.x() - w * 0.36, c.y() - h * 0.36, w * 0.46, h * 0.52), 3, 3);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(c.x() - w * 0.08, c.y() - h * 0.14, w * 0.46, h * 0.52), 3, 3);
        break;
    case Glyph::Clock:
        p.drawEllipse(c, w * 0.36, h * 0.36);
        p.drawLine(c, QPointF(c.x(), c.y() - h * 0.24));
        p.drawLine(c, QPointF(c.x() + w * 0.17, c.y() + h * 0.08));
        break;
    case Glyph::Star: {
        QPolygonF s;
        for (int i = 0; i < 10; ++i) {
            qreal r = (i % 2 ? 0.2 : 0.45) * w;
            qreal a = M_PI / 2 + i * M_PI / 5;
            s << QPointF(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
        }
        p.setPen(QPen(QColor(0xb0, 0x70, 0x00), 2));
        p.setBrush(QColor(0xff, 0xc4, 0x20));
        p.drawPolygon(s);
        break;
    }
    }
}

// The telling word of a name, as short as fits: "MP4", "iPhone", "ProRes".
QString Label(const QString& name)
{
    static const QStringList maker = {"Apple", "Avid", "HD", "Lossless"};
    QString bare = name;
    bare.remove(QRegularExpression("\\([^)]*\\)"));
    for (const QString& word : bare.split(' ', Qt::SkipEmptyParts))
        if (!maker.contains(word))
            return word.left(7);
    return QStringLiteral("Copy");
}

// A format cell stands for one format: its tile names it in two lines, the
// container ("HD MP4", "AVI") over what tells it from its neighbours
// ("1080p", "Xvid"), so that no two cells of the format page look alike.
QStringList FormatLines(const QString& name)
{
    QString head = name;
    QString detail;
    const QRegularExpressionMatch bracket = QRegularExpression("\\(([^)]*)\\)").match(name);
    if (bracket.hasMatch()) {
        detail = bracket.captured(1);
        head.remove(bracket.captured(0));
    }
    QStringList words = head.split(' ', Qt::SkipEmptyParts);
    words.removeAll("Video");
    words.removeAll("Audio");
    if (words.size() > 1 && words.first() == "Apple")
        words.removeFirst();
    return {words.join(' '), detail};
}

void FitFont(QFont& font, const QString& text, int width)
{
    while (font.pixelSize() > 7 && QFontMetrics(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
}

// A category that is not one format is named by its own words: on one line
// when they fit, else split where the halves are most even.
QStringList CategoryLines(const QString& name)
{
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(11);
    const QStringList words = name.split(' ', Qt::SkipEmptyParts);
    if (words.size() < 2 || QFontMetrics(font).horizontalAdvance(name) <= kSize - 8)
        return {name, QString()};
    int best = 1;
    int bestGap = 1 << 30;
    for (int i = 1; i < words.size(); ++i) {
        const int gap = std::abs(QFontMetrics(font).horizontalAdvance(words.mid(0, i).join(' ')) -
                                 QFontMetrics(font).horizontalAdvance(words.mid(i).join(' ')));
        if (gap < bestGap) {
            bestGap = gap;
            best = i;
        }
    }
    return {words.mid(0, best).join(' '), words.mid(best).join(' ')};
}

bool WriteFormatIcon(const QString& path, Glyph glyph, const QString& name, int type = 2)
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QColor colour = TypeColour(type);
    QLinearGradient fill(0, 0, 0, kSize);
    fill.setColorAt(0, colour.lighter(125));
    fill.setColorAt(1, colour.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 2, kSize - 4, kSize - 4), 12, 12);
    DrawGlyph(p, glyph, QRectF(20, 4, kSize - 40, 20));
    const QStringList lines = type == 2 ? FormatLines(name) : CategoryLines(name);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(13);
    FitFont(font, lines[0], kSize - 8);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 24, kSize - 6, 18), Qt::AlignCenter, lines[0]);
    if (!lines[1].isEmpty()) {
        QFont small("DejaVu Sans");
        small.setPixelSize(11);
        FitFont(small, lines[1], kSize - 8);
        p.setFont(small);
        p.drawText(QRectF(3, 42, kSize - 6, 16), Qt::AlignCenter, lines[1]);
    }
    p.end();
    return image.save(path, "PNG");
}

bool WriteIcon(const QString& path, int type, Glyph glyph, const QString& label)
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (glyph != Glyph::Star) {
        QColor colour = TypeColour(type);
        QLinearGradient fill(0, 0, 0, kSize);
        fill.setColorAt(0, colour.lighter(125));
        fill.setColorAt(1, colour.darker(115));
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(2, 2, kSize - 4, kSize - 4), 12, 12);
    }
    QRectF glyphBox = label.isEmpty() ? QRectF(8, 8, kSize - 16, kSize - 16) : QRectF(14, 6, kSize - 28, 34);
    DrawGlyph(p, glyph, glyphBox);
    if (!label.isEmpty()) {
        QFont font("DejaVu Sans");
        font.setBold(true);
        font.setPixelSize(13);
        while (font.pixelSize() > 7 && QFontMetrics(font).horizontalAdvance(label) > kSize - 10)
            font.setPixelSize(font.pixelSize() - 1);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(4, 40, kSize - 8, 20), Qt::AlignCenter, label);
    }
    p.end();
    return image.save(path, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_profile_icons <all_profile.xml> <output folder>\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_profile_icons: cannot read %s\n", argv[1]);
        return 1;
    }
    QDir out(QString::fromLocal8Bit(argv[2]));
    if (!out.mkpath(".")) {
        std::fprintf(stderr, "make_profile_icons: cannot create %s\n", argv[2]);
        return 1;
    }
    QXmlStreamReader xml(&file);
    int type = 1;
    QString category;
    int written = 0;
    bool ok = true;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        auto attrs = xml.attributes();
        int id = attrs.value("ID").toInt();
        if (xml.name() == QLatin1String("Category")) {
            type = attrs.value("Type").toInt();
            category = attrs.value("Name").toString();
            const QString icon = out.filePath(QString("%1.png").arg(id));
            ok &= WriteFormatIcon(icon, CategoryGlyph(type, category), category, type);
            ++written;
        } else if (xml.name() == QLatin1String("ProfileLnk")) {
            QString name = attrs.value("Name").toString();
            ok &= WriteIcon(out.filePath(QString("%1.png").arg(id)), type, GlyphFor(type, category, name), Label(name));
            ++written;
        }
    }
    ok &= WriteIcon(out.filePath("star.png"), 0, Glyph::Star, QString());
    // The user's own categories of every catalogue: Custom and Recent.
    ok &= WriteIcon(out.filePath("10000.png"), 1, Glyph::Pencil, QString());
    ok &= WriteIcon(out.filePath("20000.png"), 1, Glyph::Clock, QString());
    if (xml.hasError() || !ok) {
        std::fprintf(stderr, "make_profile_icons: %s\n",
                     xml.hasError() ? qPrintable(xml.errorString()) : "an icon could not be written");
        return 1;
    }
    std::printf("make_profile_icons: %d icons\n", written + 3);
    return 0;
}
