// What the user sees and hears after each control of the clip editor: a
// frame of a generated clip is passed through the video effect chain, and a
// buffer of tone through the audio chain, at every apply signal of the panel,
// with the chains set from the clip the way the players set them.

#include "../../MediaTestFolder.h"
#include "utility/CAudioEffectProc.h"
#include "utility/CEffectsProc.h"
#include "EditorTestApp.h"
#include "IRawAudioFrame.h"
#include "IRawFrameFiller.h"
#include "IRawVideoFrame.h"
#include "Moorlan.h"
#include "ProjectData/cmediaitemgrappic.h"
#include "Editor/v3deffectadjust.h"
#include "Editor/veditorwidget.h"
#include "Editor/veffectadjust.h"
#include "Editor/veffectoptions.h"
#include "Editor/vvolumeadjust.h"

#include <QCheckBox>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

class Preview
{
public:
    Preview()
    {
        EditorTest::UseBuildSkin();
        if (m_folder.Dir().empty() ||
            !MediaTest::Run(m_folder.FFmpeg() + "-f lavfi -i testsrc2=size=96x64:rate=25:duration=1 "
                                                "-c:v libx264 -preset ultrafast -pix_fmt yuv420p clip.mp4"))
            return;
        m_clip.SetAVManager(m_manager.manager);
        m_clip.SetSrcFileFullPath(QString::fromStdString(m_folder.Path("clip.mp4")));
        m_clip.setName("generated");
        if (!m_clip.OpenImporter())
            return;
        m_clip.UpdateMovieInfos();
        if (!GrapMediaItemPic(&m_clip, 0, m_decoded, -1, -1, false, false))
            return;
        m_decoded = m_decoded.convertToFormat(QImage::Format_ARGB32);
        m_video.reset(new CEffectsProc(m_manager.manager));
        m_audio.reset(new CAudioEffectProc(m_manager.manager));
        panel.reset(new VEditorWidget);
        panel->resize(600, 560);
        QObject::connect(panel.get(), &VEditorWidget::signal_editorApplayToCurSelectedClips, [this] { Redraw(); });
        QObject::connect(panel.get(), &VEditorWidget::signal_editorEnableChagned, [this] { Redraw(); });
        panel->setCurrentEditorPage(EDITORPAGE_EFFECTS);
        panel->setInitEditorPageSourceDataItem(&m_clip);
        panel->setEditorEnabled();
        panel->show();
        Redraw();
        m_ok = true;
    }

    bool Ok() const { return m_ok; }
    const QImage& Decoded() const { return m_decoded; }
    const QImage& Shown() const { return m_shown; }
    int Redraws() const { return m_redraws; }
    Fablecut::CMediaSourceItem& Clip() { return m_clip; }
    template <typename T> T* Find(const char* name) { return panel->findChild<T*>(name); }
    void Click(const char* button) { QTest::mouseClick(Find<QToolButton>(button), Qt::LeftButton); }
    void SwitchOn()
    {
        QCheckBox* box = Find<QCheckBox>("CheckBox_EffectEnabled");
        if (!box->isChecked())
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    }

    // Peak of a 1 kHz tone at full scale/2 after the audio chain.
    double TonePeak()
    {
        std::vector<int16_t> samples(2 * 1024);
        for (size_t i = 0; i < samples.size() / 2; ++i)
            samples[2 * i] = samples[2 * i + 1] = int16_t(16000 * std::sin(2 * M_PI * 1000.0 * i / 44100.0));
        m_audio->SetVolume(m_clip.GetMute() ? 0.0 : m_clip.GetVolume());
        Moorland::IRawAudioFrameFiller* filler = Moorland::CreateRawAudioFrameFiller();
        filler->SetBuffer(samples.data(), unsigned(samples.size() * sizeof(int16_t)));
        filler->SetTimeStamp(0);
        Moorland::IRawAudioFrame* frame = filler->GetFrame();
        m_audio->ProcFrameInPlace(frame);
        filler->Release();
        int peak = 0;
        for (int16_t s : samples)
            peak = std::max(peak, std::abs(int(s)));
        return peak;
    }

    std::unique_ptr<VEditorWidget> panel;

private:
    void Redraw()
    {
        ++m_redraws;
        CEffectsProc& chain = *m_video;
        chain.resetEffectInfo();
        if (m_clip.EnableVideoEffect()) {
            chain.setBrightness(m_clip.GetBrightness());
            chain.setContrast(m_clip.GetContrast());
            chain.setSaturation(m_clip.GetSaturation());
            chain.setEnableAgedFilmEffectSeriesType(m_clip.GetEffectType());
        }
        if (m_clip.EnableVideoTurn()) {
            chain.setMirror(m_clip.IsMirror());
            chain.setVerReverse(m_clip.IsVerReverse());
            chain.setRotateAngle(m_clip.GetRotationAngle());
        }
        if (m_clip.Enable3DEffect()) {
            chain.rebuild3DEffectProc();
            chain.setEnable3DEffect(true);
            chain.set3DEffectType(m_clip.Get3DEffectType());
            chain.set3DEffectDepth(m_clip.Get3DEffectDepth());
        }
        QImage input = m_decoded.copy();
        Moorland::IRawVideoFrameFiller* filler = Moorland::CreateRawVideoFrameFiller();
        filler->SetFormat(Moorland::PIXEL_FORMAT_RGBA32, unsigned(input.width()), unsigned(input.height()), 1);
        filler->SetPlane(0, input.bits(), unsigned(input.bytesPerLine()));
        Moorland::IRawVideoFrame* original = filler->GetFrame();
        Moorland::IRawVideoFrame* frame = original;
        const bool replaced = chain.ProcFrame(frame);
        unsigned w = 0, h = 0, lineBytes = 0, pitch = 0, rows = 0;
        frame->GetDimension(&w, &h);
        const uint8_t* data = frame->GetBuffer(0, &lineBytes, &pitch, &rows);
        m_shown = QImage(int(w), int(h), QImage::Format_ARGB32);
        for (unsigned y = 0; y < h; ++y)
            std::memcpy(m_shown.scanLine(int(y)), data + size_t(y) * pitch, std::min<size_t>(lineBytes, w * 4));
        if (replaced)
            frame->Free();
        filler->Release();
    }

    MediaTest::Folder m_folder{"editorpreview"};
    MediaTest::ManagerHolder m_manager;
    Fablecut::CMediaSourceItem m_clip;
    QImage m_decoded;
    QImage m_shown;
    std::unique_ptr<CEffectsProc> m_video;
    std::unique_ptr<CAudioEffectProc> m_audio;
    int m_redraws = 0;
    bool m_ok = false;
};

double MeanLuma(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (image.width() * image.height());
}

int ChannelSpread(const QImage& image)
{
    int worst = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qGreen(p)), std::abs(qGreen(p) - qBlue(p))});
        }
    return worst;
}

double MeanDifference(const QImage& a, const QImage& b, bool mirrored)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(mirrored ? b.width() - 1 - x : x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

TEST(EditorPreview, BrightnessContrastAndSaturation)
{
    Preview p;
    ASSERT_TRUE(p.Ok());
    p.SwitchOn();
    EXPECT_LT(MeanDifference(p.Shown(), p.Decoded(), false), 1.0) << "switched on with nothing set";
    const double before = MeanLuma(p.Shown());
    const int redraws = p.Redraws();
    p.Find<QSlider>("sldEffectBrightness")->setValue(60);
    EXPECT_GT(p.Redraws(), redraws);
    EXPECT_GT(MeanLuma(p.Shown()), before + 10);
    p.Find<QSlider>("sldEffectBrightness")->setValue(-60);
    EXPECT_LT(MeanLuma(p.Shown()), before - 10);
    p.Find<QSlider>("sldEffectBrightness")->setValue(0);
    p.Find<QSlider>("sldEffectSaturation")->setValue(-100);
    EXPECT_LT(ChannelSpread(p.Shown()), ChannelSpread(p.Decoded()) / 4);
    p.Click("btnReset");
    EXPECT_LT(MeanDifference(p.Shown(), p.Decoded(), false), 1.0);
}

TEST(EditorPreview, GrayAndInvertFromTheChooser)
{
    Preview p;
    ASSERT_TRUE(p.Ok());
    p.SwitchOn();
    VEffectOptions* chooser = p.Find<VEffectOptions>("wEffectOptions");
    chooser->SetCurEffect(EffectNone);
    auto pick = [&](EffectType type) {
        for (int r = 0; r < chooser->rowCount(); ++r)
            for (int c = 0; c < chooser->columnCount(); ++c)
                if (chooser->item(r, c)->data(Qt::UserRole).isValid() &&
                    chooser->item(r, c)->data(VEffectOptions::EffectTypeRole).toInt() == type)
                    QTest::mouseClick(chooser->viewport(), Qt::LeftButton, {},
                                      chooser->visualItemRect(chooser->item(r, c)).center());
    };
    ASSERT_GT(ChannelSpread(p.Decoded()), 100);
    pick(EffectGray);
    EXPECT_EQ(p.Clip().GetEffectType(), EffectGray);
    EXPECT_LE(ChannelSpread(p.Shown()), 1);
    pick(EffectInvert);
    const QRgb in = p.Decoded().pixel(10, 10);
    const QRgb out = p.Shown().pixel(10, 10);
    EXPECT_EQ(qRed(out), 255 - qRed(in));
    EXPECT_EQ(qBlue(out), 255 - qBlue(in));
}

TEST(EditorPreview, FlipsAndTurns)
{
    Preview p;
    ASSERT_TRUE(p.Ok());
    p.SwitchOn();
    const QSize size = p.Decoded().size();
    p.Click("btnFlipHorizontal");
    ASSERT_EQ(p.Shown().size(), size);
    EXPECT_LT(MeanDifference(p.Shown(), p.Decoded(), true), 1.0);
    EXPECT_GT(MeanDifference(p.Shown(), p.Decoded(), false), 10.0);
    p.Click("btnFlipHorizontal");
    p.Click("btnRotateCCW");
    EXPECT_EQ(p.Shown().size(), size.transposed());
    p.Click("btnRotateCCW");
    EXPECT_EQ(p.Shown().size(), size);
    p.Click("btnRotateCW");
    EXPECT_EQ(p.Shown().size(), size.transposed());
    p.Click("btnRotateCW");
    p.Click("btnFlipVertical");
    EXPECT_EQ(p.Shown().pixel(0, 0), p.Decoded().pixel(0, size.height() - 1));
}

TEST(EditorPreview, AnaglyphKindsAndDepth)
{
    Preview p;
    ASSERT_TRUE(p.Ok());
    p.panel->setCurrentEditorPage(EDITORPAGE_3D);
    p.panel->setEditorEnabled();
    p.SwitchOn();
    ASSERT_TRUE(p.Clip().Enable3DEffect());
    auto maxChannel = [](const QImage& image, int channel) {
        int most = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb px = image.pixel(x, y);
                most = std::max(most, channel == 1 ? qGreen(px) : qBlue(px));
            }
        return most;
    };
    EXPECT_EQ(maxChannel(p.Shown(), 1), 0) << "red/blue leaves no green";
    EXPECT_GT(maxChannel(p.Shown(), 2), 100);
    p.Click("btn3DEffectRedGreen");
    EXPECT_EQ(maxChannel(p.Shown(), 2), 0) << "red/green leaves no blue";
    EXPECT_GT(maxChannel(p.Shown(), 1), 100);
    const QImage at50 = p.Shown();
    p.Find<QSlider>("sld3DDepth")->setValue(100);
    EXPECT_GT(MeanDifference(p.Shown(), at50, false), 1.0) << "depth moves the channels apart";
    p.Click("btnReset");
    EXPECT_FALSE(p.Clip().Enable3DEffect());
    EXPECT_LT(MeanDifference(p.Shown(), p.Decoded(), false), 1.0);
}

TEST(EditorPreview, VolumeAndMute)
{
    Preview p;
    ASSERT_TRUE(p.Ok());
    p.panel->setCurrentEditorPage(EDITORPAGE_VOLUME);
    const double full = p.TonePeak();
    ASSERT_GT(full, 15000);
    p.Find<QSlider>("sldVolumeAdjust")->setValue(50);
    const double half = p.TonePeak();
    EXPECT_NEAR(20.0 * std::log10(half / full), -6.02, 0.1);
    p.Click("btnVolumeControl");
    EXPECT_EQ(p.TonePeak(), 0);
    p.Click("btnVolumeControl");
    EXPECT_NEAR(p.TonePeak(), half, 2.0);
}
