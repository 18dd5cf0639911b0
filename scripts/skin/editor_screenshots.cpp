// Renders the clip editor's three pages, the picture page beside a frame of a
// generated clip passed through the video effect chain after its controls
// were used, and a timeline track with clips under the ruler, with the
// default skin, in one interface language, into PNG files for a look by eye.
//
//   editor_screenshots <out folder> <language code> [<.qm file>]

#include "AppConfigure/AppConfigDefines.h"
#include "utility/CEffectsProc.h"
#include "IRawFrameFiller.h"
#include "IRawVideoFrame.h"
#include "Moorlan.h"
#include "ProjectData/cmediaitemgrappic.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "Editor/editorpage.h"
#include "ProjectData/isourcedataitem.h"
#include "Editor/veditorwidget.h"
#include "SourcePage/vclipitem.h"
#include "Editor/veffectadjust.h"
#include "SourcePage/vruler.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPainter>
#include <QScrollBar>
#include <QTranslator>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ProjectData/cmediasourceitem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A timeline clip for the track picture: times, a name and a thumbnail.
class ShotClip : public Fablecut::ISourceDataItem
{
public:
    ShotClip(QString name, double start, double length, int type, QImage thumb)
        : m_name(std::move(name)), m_start(start), m_length(length), m_type(type), m_thumb(std::move(thumb))
    {}
    const QImage* GetThumbnailData() const override { return &m_thumb; }
    unsigned int GetPixelHeight() const override { return 0; }
    unsigned int GetPixelWidth() const override { return 0; }
    unsigned int GetViewHeight() const override { return 0; }
    unsigned int GetViewWidth() const override { return 0; }
    void* GetInterFace(const char*) override { return nullptr; }
    CBaseTime GetDuration() const override { return CBaseTime(m_length); }
    bool Interlaced() const override { return false; }
    void Free() override {}
    ISourceDataItem* CloneDataItem() override { return nullptr; }
    int GetItemType() const override { return m_type; }
    QString GetSourceFormat() const override { return QString(); }
    QString GetSrcFileFullPath() const override { return QString(); }
    void setName(QString name) override { m_name = name; }
    QString Name() const override { return m_name; }
    CBaseTime GetTrimStartPoint() const override { return CBaseTime(); }
    void SetTrimStartPoint(const CBaseTime&, bool) override {}
    CBaseTime GetTrimEndPoint() const override { return CBaseTime(m_length); }
    void SetTrimEndPoint(const CBaseTime&, bool) override {}
    CBaseTime GetTrimDuration() const override { return CBaseTime(m_length); }
    void SetStartPoint(const CBaseTime& t) override { m_start = t.ToSeconds(); }
    CBaseTime GetStartPoint() const override { return CBaseTime(m_start); }
    QDateTime LastModifiedDateTime() const override { return QDateTime(); }
    qint64 GetSourceFileSize() const override { return 0; }

private:
    QString m_name;
    double m_start;
    double m_length;
    int m_type;
    QImage m_thumb;
};

bool Save(QWidget* widget, const QString& path)
{
    QApplication::processEvents();
    if (widget->grab().save(path))
        return true;
    std::fprintf(stderr, "editor_screenshots: cannot write %s\n", qPrintable(path));
    return false;
}

// The clip's frame through the video chain, set from the clip as the players
// set it.
QImage Preview(Moorland::IAVManager* manager, const QImage& decoded, const Fablecut::CMediaSourceItem& clip)
{
    CEffectsProc chain(manager);
    if (clip.EnableVideoEffect()) {
        chain.setBrightness(clip.GetBrightness());
        chain.setContrast(clip.GetContrast());
        chain.setSaturation(clip.GetSaturation());
        chain.setEnableAgedFilmEffectSeriesType(clip.GetEffectType());
    }
    if (clip.EnableVideoTurn()) {
        chain.setMirror(clip.IsMirror());
        chain.setVerReverse(clip.IsVerReverse());
        chain.setRotateAngle(clip.GetRotationAngle());
    }
    QImage input = decoded.convertToFormat(QImage::Format_ARGB32);
    Moorland::IRawVideoFrameFiller* filler = Moorland::CreateRawVideoFrameFiller();
    filler->SetFormat(Moorland::PIXEL_FORMAT_RGBA32, unsigned(input.width()), unsigned(input.height()), 1);
    filler->SetPlane(0, input.bits(), unsigned(input.bytesPerLine()));
    Moorland::IRawVideoFrame* frame = filler->GetFrame();
    const bool replaced = chain.ProcFrame(frame);
    unsigned w = 0, h = 0, lineBytes = 0, pitch = 0, rows = 0;
    frame->GetDimension(&w, &h);
    const uint8_t* data = frame->GetBuffer(0, &lineBytes, &pitch, &rows);
    QImage shown(int(w), int(h), QImage::Format_ARGB32);
    for (unsigned y = 0; y < h; ++y)
        memcpy(shown.scanLine(int(y)), data + size_t(y) * pitch, std::min<size_t>(lineBytes, w * 4));
    if (replaced)
        frame->Free();
    filler->Release();
    return shown;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: editor_screenshots <out folder> <language code> [<.qm file>]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString lang = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTranslator translator;
    if (argc > 3 && translator.load(QString::fromLocal8Bit(argv[3])))
        QCoreApplication::installTranslator(&translator);

    const QString skin = QStringLiteral(FABLECUT_BIN_DIR "/skins/default");
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue(DEF_XML_STR_SKIN_DIR_NAME,
                           QDir(QCoreApplication::applicationDirPath()).relativeFilePath(FABLECUT_BIN_DIR "/skins"));
    settings->SetInfoValue(VARIABLE_INFO_CURSKIN_NAME, "default");
    QFile css(QStringLiteral(FABLECUT_SOURCE_DIR "/resources/skins/default/skin.css"));
    if (css.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(css.readAll()).replace("%skinpath%", skin) +
                          "QWidget { background: #2b2f36; color: #e6eaef; }");

    bool ok = true;
    Fablecut::CMediaSourceItem clip;
    clip.setName(lang == "zh_CN" ? QString::fromUtf8("海边假期.mp4") : QStringLiteral("Holiday at the sea.mp4"));
    {
        CClipSettingsChange change;
        change.videoEffectOn = true;
        change.videoTurnOn = true;
        change.depthOn = true;
        change.brightness = 25;
        change.effect = EffectGray;
        change.volume = 0.75;
        change.WriteTo(clip);
    }
    VEditorWidget panel;
    panel.resize(560, 470);
    panel.show();
    panel.setInitEditorPageSourceDataItem(&clip);
    for (EDITORPAGE page : {EDITORPAGE_EFFECTS, EDITORPAGE_VOLUME, EDITORPAGE_3D}) {
        panel.setCurrentEditorPage(page);
        panel.setEditorEnabled();
        ok &= Save(&panel, QString("%1/editor_page%2_%3.png").arg(out).arg(page).arg(lang));
    }

    // A track of clips under the ruler, at zoom 9 (2 s a tick, 6 px a second).
    QImage thumb(160, 120, QImage::Format_ARGB32);
    {
        QPainter p(&thumb);
        QLinearGradient g(0, 0, 0, 120);
        g.setColorAt(0, QColor(60, 120, 220));
        g.setColorAt(1, QColor(40, 160, 80));
        p.fillRect(thumb.rect(), g);
        p.setBrush(QColor(255, 210, 60));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(120, 30), 16, 16);
    }
    const QImage audioPicture(QStringLiteral(FABLECUT_BIN_DIR "/skins/default/edit_mute_off.png"));
    ShotClip a(QStringLiteral("beach.mp4"), 0.0, 24.0, 0, thumb);
    ShotClip b(QStringLiteral("song.mp3"), 24.0, 30.0, 1, audioPicture);
    ShotClip c(QStringLiteral("harbour.mov"), 54.0, 14.0, 0, thumb.mirrored(true, false));
    ShotClip d(QStringLiteral("x.mov"), 68.0, 1.0, 0, thumb);
    QWidget track;
    track.resize(600, 130);
    auto* layout = new QVBoxLayout(&track);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QGraphicsScene scene;
    auto* view = new QGraphicsView(&scene, &track);
    const unsigned zoom = 9;
    auto* ruler = new VRuler(view);
    layout->addWidget(ruler);
    layout->addWidget(view);
    ruler->setRateByIndex(zoom);
    ruler->setFixedHeight(24);
    QObject::connect(ruler, &VRuler::signal_getAnchorPos, [](CBaseTime& t) { t = 30.0; });
    ruler->slot_insert(true, CBaseTime(54.0));
    const double pps = 12.0 / VRuler::getScaleByIndex(zoom);
    view->setTransform(QTransform::fromScale(pps, 1.0));
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scene.setSceneRect(0, 0, 100, 90);
    const QPixmap normal(skin + "/clip_normal_bg.png"), audio(skin + "/clip_audio_bg.png"),
        down(skin + "/clip_down_bg.png");
    VClipItem* selected = nullptr;
    for (ShotClip* s : {&a, &b, &c, &d}) {
        auto* item = new VClipItem(s);
        item->setItemNormalBG(normal);
        item->setItemAudioBG(audio);
        item->setItemDownBG(down);
        scene.addItem(item);
        if (s == &c)
            selected = item;
    }
    selected->setSelected(true);
    track.show();
    ok &= Save(&track, QString("%1/track_%2.png").arg(out).arg(lang));

    // The picture page beside the preview after brightness and Gray.
    QTemporaryDir media;
    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    const QString movie = media.path() + "/clip.mp4";
    const QString command = QString("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=1 "
                                    "-c:v libx264 -preset ultrafast -pix_fmt yuv420p '%1'")
                                .arg(movie);
    Fablecut::CMediaSourceItem generated;
    QImage decoded;
    if (manager && std::system(command.toLocal8Bit().constData()) == 0) {
        generated.SetAVManager(manager);
        generated.SetSrcFileFullPath(movie);
        generated.setName("testsrc2.mp4");
        if (generated.OpenImporter()) {
            generated.UpdateMovieInfos();
            GrapMediaItemPic(&generated, 0, decoded, -1, -1, false, false);
        }
    }
    if (!decoded.isNull()) {
        QWidget side;
        auto* row = new QHBoxLayout(&side);
        VEditorWidget editor;
        editor.setFixedSize(560, 470);
        auto* picture = new QLabel;
        picture->setFixedSize(340, 260);
        picture->setAlignment(Qt::AlignCenter);
        row->addWidget(&editor);
        row->addWidget(picture);
        QObject::connect(&editor, &VEditorWidget::signal_editorApplayToCurSelectedClips,
                         [&] { picture->setPixmap(QPixmap::fromImage(Preview(manager, decoded, generated))); });
        {
            CClipSettingsChange change;
            change.videoEffectOn = true;
            change.videoTurnOn = true;
            change.WriteTo(generated);
        }
        editor.setCurrentEditorPage(EDITORPAGE_EFFECTS);
        editor.setInitEditorPageSourceDataItem(&generated);
        editor.setEditorEnabled();
        side.show();
        editor.findChild<QSlider*>("sldEffectBrightness")->setValue(40);
        QTableWidget* chooser = editor.findChild<QTableWidget*>("wEffectOptions");
        for (int r = 0; r < chooser->rowCount(); ++r)
            for (int c = 0; c < chooser->columnCount(); ++c)
                if (chooser->item(r, c) && chooser->item(r, c)->data(Qt::UserRole).toString() == "Gray") {
                    chooser->clearSelection();
                    chooser->item(r, c)->setSelected(true);
                }
        ok &= Save(&side, QString("%1/preview_%2.png").arg(out).arg(lang));
    } else {
        std::fprintf(stderr, "editor_screenshots: no generated clip for the preview\n");
        ok = false;
    }
    if (manager)
        manager->Release();
    return ok ? 0 : 1;
}
