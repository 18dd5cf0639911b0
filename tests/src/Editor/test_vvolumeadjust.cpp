// The volume page: what the slider and the mute button write into the clip,
// what a clip shows when it is put into the page, and Reset's signals.

#include "EditorTestApp.h"
#include "Editor/vvolumeadjust.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct VolumePage
{
    VolumePage() : page((EditorTest::App(), nullptr))
    {
        slider = page.findChild<QSlider*>("sldVolumeAdjust");
        mute = page.findChild<QToolButton*>("btnVolumeControl");
        value = page.findChild<QLabel*>("lblVolumeValue");
        name = page.findChild<QLabel*>("lblCurrentClipName");
    }
    VVolumeAdjust page;
    QSlider* slider;
    QToolButton* mute;
    QLabel* value;
    QLabel* name;
};

} // namespace

// Every percentage the slider can write reads back as written when the clip
// is shown again, and showing it writes nothing and emits nothing.
TEST(VVolumeAdjust, EveryVolumeReadsBackAsWritten)
{
    VolumePage v;
    auto clip = EditorTest::Clip();
    auto other = EditorTest::Clip("other");
    v.page.setEditedSourceDataItem(clip.get());
    QSignalSpy apply(&v.page, &VVolumeAdjust::signal_volumAdjustApplayToCurSelectedClips);
    for (int percent = 1; percent <= 400; ++percent) {
        v.page.setEditedSourceDataItem(clip.get());
        v.slider->setValue(percent == 100 ? 99 : 100);
        v.slider->setValue(percent);
        ASSERT_DOUBLE_EQ(clip->GetVolume(), percent / 100.0);
        v.page.setEditedSourceDataItem(other.get());
        const int count = apply.count();
        v.page.setEditedSourceDataItem(clip.get());
        ASSERT_EQ(v.slider->value(), percent) << "volume " << clip->GetVolume();
        ASSERT_EQ(v.value->text(), QString::number(percent));
        ASSERT_EQ(apply.count(), count);
        ASSERT_DOUBLE_EQ(clip->GetVolume(), percent / 100.0);
    }
}

TEST(VVolumeAdjust, ShowsTheClipsVolumeAndKeepsAVolumePastTheRange)
{
    VolumePage v;
    const struct
    {
        double volume;
        int shown;
    } cases[] = {{1.0, 100}, {0.5, 50}, {5.0, 400}, {0.001, 1}, {2.55, 255}};
    for (const auto& c : cases) {
        auto clip = EditorTest::Clip();
        {
            CClipSettingsChange change;
            change.volume = c.volume;
            change.WriteTo(*clip);
        }
        v.page.setEditedSourceDataItem(clip.get());
        EXPECT_EQ(v.slider->value(), c.shown) << c.volume;
        EXPECT_EQ(v.value->text(), QString::number(c.shown));
        EXPECT_DOUBLE_EQ(clip->GetVolume(), c.volume);
        EXPECT_EQ(v.name->text(), " Current Clip Name: clip one");
    }
}

TEST(VVolumeAdjust, MuteKeepsTheVolumeAndLocksTheSlider)
{
    VolumePage v;
    auto clip = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.volume = 1.5;
        change.WriteTo(*clip);
    }
    v.page.setEditedSourceDataItem(clip.get());
    v.page.show();
    QSignalSpy apply(&v.page, &VVolumeAdjust::signal_volumAdjustApplayToCurSelectedClips);
    QTest::mouseClick(v.mute, Qt::LeftButton);
    EXPECT_TRUE(clip->GetMute());
    EXPECT_DOUBLE_EQ(clip->GetVolume(), 1.5);
    EXPECT_FALSE(v.slider->isEnabled());
    EXPECT_EQ(apply.count(), 1);
    QTest::mouseClick(v.mute, Qt::LeftButton);
    EXPECT_FALSE(clip->GetMute());
    EXPECT_TRUE(v.slider->isEnabled());
    EXPECT_EQ(v.slider->value(), 150);
    EXPECT_EQ(apply.count(), 2);

    // A muted clip shows the button down and the slider locked.
    auto muted = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.mute = true;
        change.WriteTo(*muted);
    }
    v.page.setEditedSourceDataItem(muted.get());
    EXPECT_TRUE(v.mute->isChecked());
    EXPECT_FALSE(v.slider->isEnabled());
}

TEST(VVolumeAdjust, WithoutAClipNothingIsWrittenOrAnnounced)
{
    VolumePage v;
    v.page.show();
    QSignalSpy apply(&v.page, &VVolumeAdjust::signal_volumAdjustApplayToCurSelectedClips);
    v.slider->setValue(230);
    EXPECT_EQ(v.value->text(), "230");
    QTest::mouseClick(v.mute, Qt::LeftButton);
    EXPECT_TRUE(v.mute->isChecked());
    EXPECT_TRUE(v.slider->isEnabled());
    EXPECT_EQ(apply.count(), 0);
    EXPECT_EQ(v.name->text(), "Current Clip Name: No Clip");

    // A null item after a clip forgets the clip and leaves the controls.
    auto clip = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.volume = 0.7;
        change.WriteTo(*clip);
    }
    v.page.setEditedSourceDataItem(clip.get());
    v.page.setEditedSourceDataItem(nullptr);
    v.slider->setValue(300);
    EXPECT_DOUBLE_EQ(clip->GetVolume(), 0.7);
    EXPECT_EQ(v.name->text(), " Current Clip Name: clip one");
}

TEST(VVolumeAdjust, ResetSignalCounts)
{
    const struct
    {
        double volume;
        bool muted;
        int emitted;
    } cases[] = {{2.5, true, 2}, {1.0, false, 1}, {1.0, true, 1}, {0.3, false, 2}};
    for (const auto& c : cases) {
        VolumePage v;
        auto clip = EditorTest::Clip();
        {
            CClipSettingsChange change;
            change.volume = c.volume;
            change.mute = c.muted;
            change.WriteTo(*clip);
        }
        v.page.setEditedSourceDataItem(clip.get());
        QSignalSpy apply(&v.page, &VVolumeAdjust::signal_volumAdjustApplayToCurSelectedClips);
        v.page.slot_Reset();
        EXPECT_EQ(apply.count(), c.emitted) << c.volume << " " << c.muted;
        EXPECT_DOUBLE_EQ(clip->GetVolume(), 1.0);
        EXPECT_FALSE(clip->GetMute());
        EXPECT_TRUE(v.slider->isEnabled());
        EXPECT_FALSE(v.mute->isChecked());
        EXPECT_EQ(v.slider->value(), 100);
    }
}
