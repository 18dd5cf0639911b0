// The 3D page: the depth box, slider, +/- and the kind buttons against the
// clip's 3D settings.

#include "EditorTestApp.h"
#include "Editor/v3deffectadjust.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct DepthPage
{
    DepthPage()
    {
        EditorTest::App();
        window.reset(new QWidget);
        page = new V3DEffectAdjust(window.get());
        other = new QPushButton("other", window.get());
        other->move(0, 340);
        window->resize(520, 380);
        page->resize(510, 331);
        box = page->findChild<QLineEdit*>("ledtDepth");
        slider = page->findChild<QSlider*>("sld3DDepth");
        add = page->findChild<QToolButton*>("btnDepthAdd");
        reduce = page->findChild<QToolButton*>("btnDepthReduce");
        redBlue = page->findChild<QToolButton*>("btn3DEffectRedBlue");
        redGreen = page->findChild<QToolButton*>("btn3DEffectRedGreen");
        picture = page->findChild<QLabel*>("lbl3DEffectPixmap");
        name = page->findChild<QLabel*>("lblCurrentClipName");
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
    }
    void focusBox()
    {
        box->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }
    void leaveBox()
    {
        other->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    std::unique_ptr<QWidget> window;
    V3DEffectAdjust* page;
    QPushButton* other;
    QLineEdit* box;
    QSlider* slider;
    QToolButton* add;
    QToolButton* reduce;
    QToolButton* redBlue;
    QToolButton* redGreen;
    QLabel* picture;
    QLabel* name;
};

QPixmap Filled(Qt::GlobalColor colour)
{
    QPixmap pm(30, 20);
    pm.fill(colour);
    return pm;
}

} // namespace

// Whatever is typed, and whether the edit ends with Return or by leaving the
// box, box, slider and clip end in agreement within 20..100.
TEST(V3DEffectAdjust, DepthBoxTable)
{
    const struct
    {
        const char* typed;
        bool setDirectly; // pasted rather than typed
        bool byReturn;
        int depth;
    } cases[] = {
        {"", false, false, 20},     {"7", false, false, 20}, {"15", false, false, 20},  {"55", false, false, 55},
        {"150", false, false, 100}, {"55", false, true, 55}, {"150", false, true, 100}, {"100", false, true, 100},
        {"7", false, true, 20},     {"", false, true, 20},   {"250", true, false, 100}, {"999", true, true, 100},
    };
    for (const auto& c : cases) {
        DepthPage d;
        auto clip = EditorTest::Clip();
        {
            CClipSettingsChange change;
            change.depthOn = true;
            change.depth = 40;
            change.WriteTo(*clip);
        }
        d.page->setEditedSourceDataItem(clip.get());
        d.focusBox();
        if (c.setDirectly) {
            d.box->setText(c.typed);
        } else {
            d.box->selectAll();
            QTest::keyClick(d.box, Qt::Key_Backspace);
            QTest::keyClicks(d.box, c.typed);
        }
        if (c.byReturn) {
            QTest::keyClick(d.box, Qt::Key_Return);
            QApplication::processEvents();
        }
        d.leaveBox();
        const std::string what = std::string("\"") + c.typed + (c.byReturn ? "\" + Return" : "\" + focus out");
        EXPECT_EQ(d.box->text(), QString::number(c.depth)) << what;
        EXPECT_EQ(d.slider->value(), c.depth) << what;
        EXPECT_EQ(clip->Get3DEffectDepth(), c.depth) << what;
    }
}

TEST(V3DEffectAdjust, PlusAndMinusStopAtTheLimits)
{
    DepthPage d;
    auto clip = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.depthOn = true;
        change.depth = 100;
        change.WriteTo(*clip);
    }
    d.page->setEditedSourceDataItem(clip.get());
    QSignalSpy apply(d.page, &V3DEffectAdjust::signal_effect3DAdjustApplayToCurSelectedClips);
    QTest::mouseClick(d.add, Qt::LeftButton);
    EXPECT_EQ(clip->Get3DEffectDepth(), 100);
    EXPECT_EQ(apply.count(), 0);
    QTest::mouseClick(d.reduce, Qt::LeftButton);
    EXPECT_EQ(clip->Get3DEffectDepth(), 99);
    EXPECT_EQ(d.box->text(), "99");
    EXPECT_EQ(apply.count(), 1);

    {
        CClipSettingsChange change;
        change.depth = 20;
        change.WriteTo(*clip);
    }
    d.page->setEditedSourceDataItem(clip.get());
    apply.clear();
    QTest::mouseClick(d.reduce, Qt::LeftButton);
    EXPECT_EQ(clip->Get3DEffectDepth(), 20);
    EXPECT_EQ(apply.count(), 0);
    QTest::mouseClick(d.add, Qt::LeftButton);
    EXPECT_EQ(clip->Get3DEffectDepth(), 21);
    EXPECT_EQ(apply.count(), 1);
}

TEST(V3DEffectAdjust, ShowingAClipWritesOnlyAMissingKind)
{
    DepthPage d;
    d.page->set3DEffectRBImg(Filled(Qt::red));
    d.page->set3DEffectRGImg(Filled(Qt::green));
    const struct
    {
        int stored;
        int shown;
        bool redBlue;
    } cases[] = {{0, 1, true}, {1, 1, true}, {2, 2, false}, {7, 1, true}};
    for (const auto& c : cases) {
        auto clip = EditorTest::Clip();
        {
            CClipSettingsChange change;
            change.depthOn = true;
            change.depthType = E3DEffectType(c.stored);
            change.depth = 66;
            change.WriteTo(*clip);
        }
        QSignalSpy apply(d.page, &V3DEffectAdjust::signal_effect3DAdjustApplayToCurSelectedClips);
        QSignalSpy init(d.page, &V3DEffectAdjust::signal_Init3DAdjustEnableByItem);
        d.page->setEditedSourceDataItem(clip.get());
        EXPECT_EQ(int(clip->Get3DEffectType()), c.shown) << c.stored;
        EXPECT_EQ(d.redBlue->isChecked(), c.redBlue);
        EXPECT_EQ(d.redGreen->isChecked(), !c.redBlue);
        EXPECT_EQ(d.picture->pixmap()->toImage().pixelColor(0, 0), c.redBlue ? QColor(Qt::red) : QColor(Qt::green));
        EXPECT_EQ(d.slider->value(), 66);
        EXPECT_EQ(d.box->text(), "66");
        EXPECT_EQ(apply.count(), 0);
        ASSERT_EQ(init.count(), 1);
        EXPECT_EQ(init.at(0).at(0).toBool(), true);
        EXPECT_EQ(init.at(0).at(1).toInt(), 3);
    }
}

TEST(V3DEffectAdjust, KindButtonsWriteAndAnnounce)
{
    DepthPage d;
    auto clip = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.depthOn = true;
        change.WriteTo(*clip);
    }
    d.page->setEditedSourceDataItem(clip.get());
    QSignalSpy apply(d.page, &V3DEffectAdjust::signal_effect3DAdjustApplayToCurSelectedClips);
    QTest::mouseClick(d.redGreen, Qt::LeftButton);
    EXPECT_EQ(int(clip->Get3DEffectType()), 2);
    EXPECT_EQ(apply.count(), 1);
    QTest::mouseClick(d.redBlue, Qt::LeftButton);
    EXPECT_EQ(int(clip->Get3DEffectType()), 1);
    EXPECT_EQ(apply.count(), 2);

    // Reset of a clip already at red/blue and 50 writes and announces nothing.
    {
        CClipSettingsChange change;
        change.depth = 50;
        change.WriteTo(*clip);
    }
    d.page->setEditedSourceDataItem(clip.get());
    apply.clear();
    d.page->slot_reset();
    EXPECT_EQ(apply.count(), 0);
    {
        CClipSettingsChange change;
        change.depthType = E3DEffectType(2);
        change.depth = 80;
        change.WriteTo(*clip);
    }
    d.page->setEditedSourceDataItem(clip.get());
    d.page->slot_reset();
    EXPECT_EQ(int(clip->Get3DEffectType()), 1);
    EXPECT_EQ(clip->Get3DEffectDepth(), 50);
    EXPECT_EQ(apply.count(), 2);
}

TEST(V3DEffectAdjust, TheGroupSwitchAndTheNameLabel)
{
    DepthPage d;
    auto clip = EditorTest::Clip("anaglyph");
    d.page->setEditedSourceDataItem(clip.get());
    EXPECT_FALSE(d.page->isEnabled());
    EXPECT_EQ(d.name->text(), " Current Clip Name: anaglyph") << "a selected clip is named with its 3D off";
    d.page->editorEnabledChanged(true);
    EXPECT_TRUE(clip->Enable3DEffect());
    EXPECT_TRUE(d.page->isEnabled());
    EXPECT_EQ(d.name->text(), " Current Clip Name: anaglyph");
    d.page->editorEnabledChanged(false);
    EXPECT_FALSE(clip->Enable3DEffect());
    EXPECT_FALSE(d.page->isEnabled());

    // Without a clip the controls still move and announce, writing nothing.
    d.page->setEditedSourceDataItem(nullptr);
    d.page->setEnabled(true);
    QSignalSpy apply(d.page, &V3DEffectAdjust::signal_effect3DAdjustApplayToCurSelectedClips);
    d.slider->setValue(77);
    EXPECT_EQ(d.box->text(), "77");
    EXPECT_EQ(apply.count(), 1);
    EXPECT_EQ(clip->Get3DEffectDepth(), 50);
    d.page->slot_reset();
    EXPECT_EQ(d.slider->value(), 77);
}

// The skin's pictures arrive when the page is polished, after a clip may
// already be shown: the picture of the checked kind appears then.
TEST(V3DEffectAdjust, SkinPicturesArriveAfterTheClip)
{
    DepthPage d;
    auto clip = EditorTest::Clip();
    {
        CClipSettingsChange change;
        change.depthOn = true;
        change.depthType = E3DEffectType(2);
        change.WriteTo(*clip);
    }
    d.page->setEditedSourceDataItem(clip.get());
    EXPECT_TRUE(d.picture->pixmap() == nullptr || d.picture->pixmap()->isNull());
    QTemporaryDir dir;
    QImage rb(20, 10, QImage::Format_ARGB32), rg(20, 10, QImage::Format_ARGB32);
    rb.fill(Qt::red);
    rg.fill(Qt::green);
    ASSERT_TRUE(rb.save(dir.path() + "/rb.png") && rg.save(dir.path() + "/rg.png"));
    d.window->setStyleSheet(QString("V3DEffectAdjust { qproperty-i3DEffectRBImg: url(%1/rb.png); "
                                    "qproperty-i3DEffectRGImg: url(%1/rg.png); }")
                                .arg(dir.path()));
    d.page->ensurePolished();
    QApplication::processEvents();
    EXPECT_EQ(d.page->get3DEffectRBImg().size(), QSize(20, 10));
    ASSERT_NE(d.picture->pixmap(), nullptr);
    EXPECT_EQ(d.picture->pixmap()->toImage().pixelColor(0, 0), QColor(Qt::green));
    QTest::mouseClick(d.redBlue, Qt::LeftButton);
    EXPECT_EQ(d.picture->pixmap()->toImage().pixelColor(0, 0), QColor(Qt::red));
}
