// The clip editor panel: the enable check box and the clip's flag groups on
// each page, Reset and Apply to all, and items that are no media clip.

#include "EditorTestApp.h"
#include "ProjectData/isourcedataitem.h"
#include "Editor/v3deffectadjust.h"
#include "Editor/veditorwidget.h"
#include "Editor/veffectadjust.h"
#include "Editor/vvolumeadjust.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// A data item of another class than the media clip: the panel and its pages
// must not write into it.
class ForeignItem : public Fablecut::ISourceDataItem
{
public:
    const QImage* GetThumbnailData() const override { return &m_image; }
    unsigned int GetPixelHeight() const override { return 0; }
    unsigned int GetPixelWidth() const override { return 0; }
    unsigned int GetViewHeight() const override { return 0; }
    unsigned int GetViewWidth() const override { return 0; }
    void* GetInterFace(const char*) override { return nullptr; }
    CBaseTime GetDuration() const override { return CBaseTime(); }
    bool Interlaced() const override { return false; }
    void Free() override {}
    ISourceDataItem* CloneDataItem() override { return nullptr; }
    int GetItemType() const override { return 0; }
    QString GetSourceFormat() const override { return QString(); }
    QString GetSrcFileFullPath() const override { return QString(); }
    void setName(QString) override {}
    QString Name() const override { return "foreign"; }
    CBaseTime GetTrimStartPoint() const override { return CBaseTime(); }
    void SetTrimStartPoint(const CBaseTime&, bool) override {}
    CBaseTime GetTrimEndPoint() const override { return CBaseTime(); }
    void SetTrimEndPoint(const CBaseTime&, bool) override {}
    CBaseTime GetTrimDuration() const override { return CBaseTime(); }
    void SetStartPoint(const CBaseTime&) override {}
    CBaseTime GetStartPoint() const override { return CBaseTime(); }
    QDateTime LastModifiedDateTime() const override { return QDateTime(); }
    qint64 GetSourceFileSize() const override { return 0; }

private:
    QImage m_image;
};

struct Panel
{
    Panel()
    {
        EditorTest::App();
        panel.reset(new VEditorWidget);
        panel->resize(600, 520);
        panel->show();
        box = panel->findChild<QCheckBox*>("CheckBox_EffectEnabled");
        title = panel->findChild<QLabel*>("llblEditorEffectName");
        reset = panel->findChild<QToolButton*>("btnReset");
        applyAll = panel->findChild<QToolButton*>("btnApplyToAllClipItems");
    }
    std::unique_ptr<VEditorWidget> panel;
    QCheckBox* box;
    QLabel* title;
    QToolButton* reset;
    QToolButton* applyAll;
};

} // namespace

// The clip's flags and the check box after the clip is handed over on each
// page and the work space calls setEditorEnabled.
TEST(VEditorWidget, FlagsAndCheckBoxAfterHandOver)
{
    const struct
    {
        bool effect, turn, threeD;
        EDITORPAGE page;
        bool boxShown, boxChecked, effectAfter, turnAfter, threeDAfter;
    } cases[] = {
        {true, true, false, EDITORPAGE_EFFECTS, true, true, true, true, false},
        {true, false, false, EDITORPAGE_EFFECTS, true, false, false, false, false},
        {false, true, true, EDITORPAGE_EFFECTS, true, false, false, false, true},
        {false, false, true, EDITORPAGE_3D, true, true, false, false, true},
        {true, true, false, EDITORPAGE_3D, true, false, true, true, false},
        {true, true, true, EDITORPAGE_VOLUME, false, false, true, true, true},
        {true, false, false, EDITORPAGE_VOLUME, false, false, false, false, false},
    };
    for (const auto& c : cases) {
        Panel p;
        p.panel->setCurrentEditorPage(c.page);
        auto clip = EditorTest::Clip();
        {
            CClipSettingsChange change;
            change.videoEffectOn = c.effect;
            change.videoTurnOn = c.turn;
            change.depthOn = c.threeD;
            change.WriteTo(*clip);
        }
        QSignalSpy enable(p.panel.get(), &VEditorWidget::signal_editorEnableChagned);
        QSignalSpy apply(p.panel.get(), &VEditorWidget::signal_editorApplayToCurSelectedClips);
        p.panel->setInitEditorPageSourceDataItem(clip.get());
        p.panel->setEditorEnabled();
        const std::string what = "page " + std::to_string(c.page) + " flags " + std::to_string(c.effect) +
                                 std::to_string(c.turn) + std::to_string(c.threeD);
        EXPECT_EQ(p.box->isVisible(), c.boxShown) << what;
        if (c.page != 2)
            EXPECT_EQ(p.box->isChecked(), c.boxChecked) << what;
        EXPECT_EQ(clip->EnableVideoEffect(), c.effectAfter) << what;
        EXPECT_EQ(clip->EnableVideoTurn(), c.turnAfter) << what;
        EXPECT_EQ(clip->Enable3DEffect(), c.threeDAfter) << what;
        EXPECT_EQ(p.panel->getEffectAdjustWidget()->isEnabled(), c.effectAfter && c.turnAfter) << what;
        EXPECT_EQ(p.panel->get3DEffectAdjustWidget()->isEnabled(), c.threeDAfter) << what;
        EXPECT_EQ(enable.count(), 0) << what;
        EXPECT_EQ(apply.count(), 0) << what;
    }
}

TEST(VEditorWidget, TheUsersCheckBoxSwitchesTheGroup)
{
    Panel p;
    auto clip = EditorTest::Clip();
    p.panel->setCurrentEditorPage(EDITORPAGE_EFFECTS);
    p.panel->setInitEditorPageSourceDataItem(clip.get());
    p.panel->setEditorEnabled();
    QSignalSpy enable(p.panel.get(), &VEditorWidget::signal_editorEnableChagned);
    QTest::mouseClick(p.box, Qt::LeftButton, {}, QPoint(5, p.box->height() / 2));
    EXPECT_TRUE(p.box->isChecked());
    EXPECT_TRUE(clip->EnableVideoEffect());
    EXPECT_TRUE(clip->EnableVideoTurn());
    EXPECT_TRUE(p.panel->getEffectAdjustWidget()->isEnabled());
    EXPECT_EQ(enable.count(), 1);

    p.panel->setCurrentEditorPage(EDITORPAGE_3D);
    p.panel->setEditorEnabled();
    EXPECT_FALSE(p.box->isChecked());
    QTest::mouseClick(p.box, Qt::LeftButton, {}, QPoint(5, p.box->height() / 2));
    EXPECT_TRUE(clip->Enable3DEffect());
    EXPECT_TRUE(p.panel->get3DEffectAdjustWidget()->isEnabled());
    EXPECT_EQ(enable.count(), 2);
    EXPECT_TRUE(clip->EnableVideoEffect()) << "the 3D box leaves the effects group alone";
}

TEST(VEditorWidget, ResetPerPage)
{
    {
        // Effects, box off: switched on (one enable signal), values reset.
        Panel p;
        auto clip = EditorTest::Clip();
        {
            CClipSettingsChange change;
            change.brightness = 40;
            change.WriteTo(*clip);
        }
        p.panel->setCurrentEditorPage(EDITORPAGE_EFFECTS);
        p.panel->setInitEditorPageSourceDataItem(clip.get());
        p.panel->setEditorEnabled();
        QSignalSpy enable(p.panel.get(), &VEditorWidget::signal_editorEnableChagned);
        QSignalSpy apply(p.panel.get(), &VEditorWidget::signal_editorApplayToCurSelectedClips);
        QTest::mouseClick(p.reset, Qt::LeftButton);
        EXPECT_TRUE(p.box->isChecked());
        EXPECT_TRUE(clip->EnableVideoEffect());
        EXPECT_TRUE(clip->EnableVideoTurn());
        EXPECT_EQ(clip->GetBrightness(), 0);
        EXPECT_EQ(enable.count(), 1);
        EXPECT_EQ(apply.count(), 1);
        // With the box already on, no enable signal.
        QTest::mouseClick(p.reset, Qt::LeftButton);
        EXPECT_EQ(enable.count(), 1);
        EXPECT_EQ(apply.count(), 2);
    }
    {
        // 3D: switched off.
        Panel p;
        auto clip = EditorTest::Clip();
        {
            CClipSettingsChange change;
            change.depthOn = true;
            change.depth = 90;
            change.WriteTo(*clip);
        }
        p.panel->setCurrentEditorPage(EDITORPAGE_3D);
        p.panel->setInitEditorPageSourceDataItem(clip.get());
        p.panel->setEditorEnabled();
        ASSERT_TRUE(p.box->isChecked());
        QSignalSpy enable(p.panel.get(), &VEditorWidget::signal_editorEnableChagned);
        QTest::mouseClick(p.reset, Qt::LeftButton);
        EXPECT_FALSE(p.box->isChecked());
        EXPECT_FALSE(clip->Enable3DEffect());
        EXPECT_EQ(clip->Get3DEffectDepth(), 50);
        EXPECT_EQ(enable.count(), 1);
    }
    {
        // Volume: the hidden box stays as it is.
        Panel p;
        auto clip = EditorTest::Clip();
        {
            CClipSettingsChange change;
            change.videoEffectOn = true;
            change.videoTurnOn = true;
            change.volume = 3.0;
            change.WriteTo(*clip);
        }
        p.panel->setCurrentEditorPage(EDITORPAGE_EFFECTS);
        p.panel->setInitEditorPageSourceDataItem(clip.get());
        p.panel->setCurrentEditorPage(EDITORPAGE_VOLUME);
        QSignalSpy enable(p.panel.get(), &VEditorWidget::signal_editorEnableChagned);
        QSignalSpy apply(p.panel.get(), &VEditorWidget::signal_editorApplayToCurSelectedClips);
        p.panel->findChild<QToolButton*>("btnReset")->click();
        EXPECT_TRUE(p.box->isChecked());
        EXPECT_DOUBLE_EQ(clip->GetVolume(), 1.0);
        EXPECT_EQ(enable.count(), 0);
        EXPECT_EQ(apply.count(), 2);
    }
}

TEST(VEditorWidget, ApplyToAllSendsTheCurrentPage)
{
    Panel p;
    QSignalSpy all(p.panel.get(), &VEditorWidget::signal_editorApplyToAllTimeLineViewClipItems);
    QTest::mouseClick(p.applyAll, Qt::LeftButton);
    for (EDITORPAGE page : {EDITORPAGE_EFFECTS, EDITORPAGE_VOLUME, EDITORPAGE_3D}) {
        p.panel->setCurrentEditorPage(page);
        QTest::mouseClick(p.applyAll, Qt::LeftButton);
    }
    ASSERT_EQ(all.count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(all.at(i).at(0).value<EDITORPAGE>(), static_cast<EDITORPAGE>(i));
}

// Handing over null or an item of another class, then working every control
// of every page: nothing is written into the item that was edited before,
// nothing crashes.
TEST(VEditorWidget, NullAndForeignItemsThroughEveryHandler)
{
    Panel p;
    ForeignItem foreign;
    auto before = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.brightness = 10;
        change.WriteTo(*before);
    }
    Fablecut::ISourceDataItem* items[] = {nullptr, &foreign};
    for (Fablecut::ISourceDataItem* item : items) {
        p.panel->setInitEditorPageSourceDataItem(before.get());
        p.panel->setInitEditorPageSourceDataItem(item);
        for (EDITORPAGE page : {EDITORPAGE_EFFECTS, EDITORPAGE_VOLUME, EDITORPAGE_3D, EDITORPAGE_ALL}) {
            p.panel->setCurrentEditorPage(page);
            p.panel->setEditorEnabled();
            p.panel->getEffectAdjustWidget()->setEnabled(true);
            p.panel->get3DEffectAdjustWidget()->setEnabled(true);
            p.box->setChecked(!p.box->isChecked());
            p.box->setChecked(!p.box->isChecked());
            QTest::mouseClick(p.reset, Qt::LeftButton);
            QTest::mouseClick(p.applyAll, Qt::LeftButton);
            for (QSlider* slider : p.panel->findChildren<QSlider*>())
                slider->setValue(slider->minimum() + 1);
            for (QToolButton* button : p.panel->findChildren<QToolButton*>())
                if (button != p.reset && button != p.applyAll)
                    button->click();
        }
    }
    EXPECT_EQ(before->GetBrightness(), 10);
    EXPECT_DOUBLE_EQ(before->GetVolume(), 1.0);
    EXPECT_FALSE(before->GetMute());
    EXPECT_EQ(before->Get3DEffectDepth(), 50);
    EXPECT_EQ(before->GetRotationAngle(), 0);
    EXPECT_FALSE(before->IsMirror());
}

TEST(VEditorWidget, TitlesAndALanguageChange)
{
    Panel p;
    EXPECT_TRUE(p.title->text().isEmpty());
    const struct
    {
        EDITORPAGE page;
        const char* title;
    } titles[] = {{EDITORPAGE_EFFECTS, "Effects"},
                  {EDITORPAGE_VOLUME, "Volume Adjustment"},
                  {EDITORPAGE_3D, "3D Effect"},
                  {static_cast<EDITORPAGE>(7), "3D Effect"}};
    for (const auto& t : titles) {
        p.panel->setCurrentEditorPage(t.page);
        EXPECT_EQ(p.title->text(), t.title);
    }
    p.panel->setCurrentEditorPage(EDITORPAGE_EFFECTS);

    // A translator that answers for the panel's and the picture page's texts.
    class Translator : public QTranslator
    {
    public:
        QString translate(const char* context, const char* source, const char*, int) const override
        {
            const QString c(context);
            if (c == "VEditorWidget" || c == "VEffectAdjust" || c == "VEffectOptions")
                return QString("[") + source + "]";
            return QString();
        }
        bool isEmpty() const override { return false; }
    } translator;
    QCoreApplication::installTranslator(&translator);
    QApplication::processEvents();
    EXPECT_EQ(p.title->text(), "[Effects]");
    EXPECT_EQ(p.reset->toolTip(), "[Reset]");
    EXPECT_EQ(p.applyAll->toolTip(), "[Apply to all]");
    EXPECT_EQ(p.panel->findChild<QToolButton*>("btnFlipHorizontal")->toolTip(), "[Flip Horizontally]");
    QCoreApplication::removeTranslator(&translator);
    QApplication::processEvents();
    EXPECT_EQ(p.title->text(), "Effects");
}
