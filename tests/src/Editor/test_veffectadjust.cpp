// The picture page: sliders, +/-, flips, quarter turns, the effect chooser
// and Reset against the clip, and the quiet loading of a clip.

#include "EditorTestApp.h"
#include "Editor/veffectadjust.h"
#include "Editor/veffectoptions.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct PicturePage
{
    PicturePage()
    {
        EditorTest::App();
        page.reset(new VEffectAdjust);
        page->resize(588, 411);
        page->show();
        brightness = page->findChild<QSlider*>("sldEffectBrightness");
        contrast = page->findChild<QSlider*>("sldEffectContrast");
        saturation = page->findChild<QSlider*>("sldEffectSaturation");
        chooser = page->findChild<VEffectOptions*>("wEffectOptions");
        name = page->findChild<QLabel*>("lblCurrentClipName");
    }
    QToolButton* button(const char* objectName) { return page->findChild<QToolButton*>(objectName); }
    void click(const char* objectName) { QTest::mouseClick(button(objectName), Qt::LeftButton); }
    std::unique_ptr<VEffectAdjust> page;
    QSlider* brightness;
    QSlider* contrast;
    QSlider* saturation;
    VEffectOptions* chooser;
    QLabel* name;
};

std::unique_ptr<Fablecut::CMediaSourceItem> EffectsOn()
{
    auto clip = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.videoEffectOn = true;
        change.videoTurnOn = true;
        change.WriteTo(*clip);
    }
    return clip;
}

QTableWidgetItem* CellOf(VEffectOptions* chooser, EffectType type)
{
    for (int r = 0; r < chooser->rowCount(); ++r)
        for (int c = 0; c < chooser->columnCount(); ++c)
            if (chooser->item(r, c) && chooser->item(r, c)->data(Qt::UserRole).isValid() &&
                chooser->item(r, c)->data(VEffectOptions::EffectTypeRole).toInt() == type)
                return chooser->item(r, c);
    return nullptr;
}

} // namespace

TEST(VEffectAdjust, QuarterTurnSequences)
{
    PicturePage p;
    auto clip = EffectsOn();
    p.page->setEditedSourceDataItem(clip.get());
    QSignalSpy apply(p.page.get(), &VEffectAdjust::signal_editorApplayToCurSelectedClips);
    const int ccw[] = {90, 180, 270, 0};
    for (int angle : ccw) {
        p.click("btnRotateCCW");
        EXPECT_EQ(clip->GetRotationAngle(), angle);
    }
    EXPECT_EQ(apply.count(), 4);
    p.click("btnRotateCW");
    EXPECT_EQ(clip->GetRotationAngle(), 270);
    p.click("btnRotateCW");
    EXPECT_EQ(clip->GetRotationAngle(), 180);
    EXPECT_EQ(apply.count(), 6);
}

TEST(VEffectAdjust, FlipsToggleTheClip)
{
    PicturePage p;
    auto clip = EffectsOn();
    p.page->setEditedSourceDataItem(clip.get());
    QSignalSpy apply(p.page.get(), &VEffectAdjust::signal_editorApplayToCurSelectedClips);
    p.click("btnFlipHorizontal");
    EXPECT_TRUE(clip->IsMirror());
    EXPECT_FALSE(clip->IsVerReverse());
    p.click("btnFlipVertical");
    EXPECT_TRUE(clip->IsVerReverse());
    p.click("btnFlipHorizontal");
    EXPECT_FALSE(clip->IsMirror());
    EXPECT_EQ(apply.count(), 3);
    EXPECT_FALSE(p.button("btnFlipHorizontal")->isChecked());
}

// Each +/- pair moves its own slider by one, writes its own value and stops
// at the limits without a write or a signal.
TEST(VEffectAdjust, PlusMinusAtTheLimits)
{
    struct Row
    {
        const char* reduce;
        const char* add;
        QSlider* PicturePage::*slider;
        int (Fablecut::CMediaSourceItem::*get)() const;
        std::optional<int> CClipSettingsChange::*set;
    };
    const Row rows[] = {
        {"btnBrightnessReduce", "btnBrightnessAdd", &PicturePage::brightness,
         &Fablecut::CMediaSourceItem::GetBrightness, &CClipSettingsChange::brightness},
        {"btnConstrastReduce", "btnConstrastAdd", &PicturePage::contrast, &Fablecut::CMediaSourceItem::GetContrast,
         &CClipSettingsChange::contrast},
        {"btnSaturationReduce", "btnSaturationAdd", &PicturePage::saturation,
         &Fablecut::CMediaSourceItem::GetSaturation, &CClipSettingsChange::saturation},
    };
    for (const Row& row : rows) {
        PicturePage p;
        auto clip = EffectsOn();
        const auto set = [&](int value) {
            CClipSettingsChange change;
            change.*row.set = value;
            change.WriteTo(*clip);
        };
        set(100);
        p.page->setEditedSourceDataItem(clip.get());
        QSignalSpy apply(p.page.get(), &VEffectAdjust::signal_editorApplayToCurSelectedClips);
        p.click(row.add);
        EXPECT_EQ(((*clip).*row.get)(), 100) << row.add;
        EXPECT_EQ(apply.count(), 0) << row.add;
        p.click(row.reduce);
        EXPECT_EQ(((*clip).*row.get)(), 99) << row.reduce;
        EXPECT_EQ((p.*row.slider)->toolTip(), "99");
        EXPECT_EQ(apply.count(), 1);

        set(-100);
        p.page->setEditedSourceDataItem(clip.get());
        apply.clear();
        p.click(row.reduce);
        EXPECT_EQ(((*clip).*row.get)(), -100) << row.reduce;
        EXPECT_EQ(apply.count(), 0);
        p.click(row.add);
        EXPECT_EQ(((*clip).*row.get)(), -99) << row.add;
        EXPECT_EQ(apply.count(), 1);
        EXPECT_EQ(clip->GetBrightness() + clip->GetContrast() + clip->GetSaturation(), -99)
            << "only " << row.add << "'s value moved";
    }
}

TEST(VEffectAdjust, LoadingAClipWritesAndAnnouncesNothing)
{
    PicturePage p;
    auto first = EffectsOn();
    p.page->setEditedSourceDataItem(first.get());
    p.brightness->setValue(12);
    ASSERT_EQ(p.brightness->toolTip(), "12");

    auto clip = EffectsOn();
    {
        CClipSettingsChange change;
        change.brightness = -40;
        change.contrast = 25;
        change.saturation = 60;
        change.effect = EffectGray;
        change.mirror = true;
        change.rotationAngle = 90;
        change.WriteTo(*clip);
    }
    QSignalSpy apply(p.page.get(), &VEffectAdjust::signal_editorApplayToCurSelectedClips);
    QSignalSpy init(p.page.get(), &VEffectAdjust::signal_InitVideoEffectAdjustEnableByItem);
    p.page->setEditedSourceDataItem(clip.get());
    EXPECT_EQ(apply.count(), 0);
    ASSERT_EQ(init.count(), 1);
    EXPECT_TRUE(init.at(0).at(0).toBool());
    EXPECT_EQ(init.at(0).at(1).toInt(), 1);
    EXPECT_EQ(p.brightness->value(), -40);
    EXPECT_EQ(p.contrast->value(), 25);
    EXPECT_EQ(p.saturation->value(), 60);
    EXPECT_EQ(p.brightness->toolTip(), "12");
    ASSERT_EQ(p.chooser->selectedItems().size(), 1);
    EXPECT_EQ(p.chooser->selectedItems().first()->data(Qt::UserRole).toString(), "Gray");
    EXPECT_EQ(clip->GetBrightness(), -40);
    EXPECT_EQ(clip->GetEffectType(), EffectGray);
    EXPECT_EQ(first->GetBrightness(), 12);
    EXPECT_EQ(p.name->text(), " Current Clip Name: clip one");

    // A pick by the user after the quiet load reaches the clip once.
    QTest::mouseClick(p.chooser->viewport(), Qt::LeftButton, {},
                      p.chooser->visualItemRect(CellOf(p.chooser, EffectInvert)).center());
    EXPECT_EQ(clip->GetEffectType(), EffectInvert);
    EXPECT_EQ(apply.count(), 1);
    QTest::mouseClick(p.chooser->viewport(), Qt::LeftButton, {},
                      p.chooser->visualItemRect(CellOf(p.chooser, EffectGray)).center());
    EXPECT_EQ(clip->GetEffectType(), EffectGray);
    EXPECT_EQ(apply.count(), 2);
}

TEST(VEffectAdjust, AClipWithOnlyOneFlagLoadsDisabledWithBothOff)
{
    PicturePage p;
    auto clip = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.videoEffectOn = true;
        change.WriteTo(*clip);
    }
    p.page->setEditedSourceDataItem(clip.get());
    EXPECT_FALSE(p.page->isEnabled());
    EXPECT_FALSE(clip->EnableVideoEffect());
    EXPECT_EQ(p.name->text(), " Current Clip Name: clip one") << "a selected clip is named with its effects off";
}

TEST(VEffectAdjust, ResetWritesSevenValuesAndEmitsOnce)
{
    PicturePage p;
    const bool atDefaults[] = {false, true};
    for (bool defaults : atDefaults) {
        auto clip = EffectsOn();
        if (!defaults) {
            {
                CClipSettingsChange change;
                change.brightness = 30;
                change.contrast = -30;
                change.saturation = 5;
                change.effect = EffectAgedFilm;
                change.mirror = true;
                change.verReverse = true;
                change.rotationAngle = 270;
                change.WriteTo(*clip);
            }
        }
        p.page->setEditedSourceDataItem(clip.get());
        QSignalSpy apply(p.page.get(), &VEffectAdjust::signal_editorApplayToCurSelectedClips);
        p.page->slot_reset();
        EXPECT_EQ(apply.count(), 1);
        EXPECT_EQ(clip->GetBrightness(), 0);
        EXPECT_EQ(clip->GetContrast(), 0);
        EXPECT_EQ(clip->GetSaturation(), 0);
        EXPECT_EQ(clip->GetEffectType(), EffectNone);
        EXPECT_FALSE(clip->IsMirror());
        EXPECT_FALSE(clip->IsVerReverse());
        EXPECT_EQ(clip->GetRotationAngle(), 0);
        EXPECT_EQ(p.brightness->value(), 0);
        EXPECT_EQ(p.saturation->toolTip(), "0");
        ASSERT_EQ(p.chooser->selectedItems().size(), 1);
        EXPECT_EQ(p.chooser->selectedItems().first()->data(Qt::UserRole).toString(), "None");
        // The controls are live again afterwards.
        p.contrast->setValue(3);
        EXPECT_EQ(clip->GetContrast(), 3);
    }
}

TEST(VEffectAdjust, WithoutAClipControlsAnnounceButTheChooserDoesNot)
{
    PicturePage p;
    QSignalSpy apply(p.page.get(), &VEffectAdjust::signal_editorApplayToCurSelectedClips);
    p.click("btnFlipHorizontal");
    p.click("btnRotateCW");
    p.brightness->setValue(5);
    EXPECT_EQ(apply.count(), 3);
    QTest::mouseClick(p.chooser->viewport(), Qt::LeftButton, {},
                      p.chooser->visualItemRect(CellOf(p.chooser, EffectFlipColor)).center());
    EXPECT_EQ(apply.count(), 3);
}
