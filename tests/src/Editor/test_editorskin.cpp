// The default skin's rules for the clip editor and the timeline: every image
// they name is made at build time and loads, and the rules reach the widgets.

#include "EditorTestApp.h"
#include "Editor/v3deffectadjust.h"
#include "Editor/veditorwidget.h"
#include "SourcePage/vruler.h"

#include <QFile>
#include <QRegularExpression>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QString SkinSheet()
{
    QFile css(FABLECUT_SOURCE_DIR "/resources/skins/default/skin.css");
    if (!css.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(css.readAll()).replace("%skinpath%", FABLECUT_BIN_DIR "/skins/default");
}

} // namespace

TEST(EditorSkin, EveryImageNamedIsMadeAndLoads)
{
    EditorTest::App();
    const QString sheet = SkinSheet();
    ASSERT_FALSE(sheet.isEmpty());
    QRegularExpression url("url\\(\"([^\"]+)\"\\)");
    int images = 0;
    for (auto it = url.globalMatch(sheet); it.hasNext();) {
        const QString path = it.next().captured(1);
        EXPECT_FALSE(QImage(path).isNull()) << path.toStdString();
        ++images;
    }
    EXPECT_GT(images, 20);
    for (const char* name : {"clip_normal_bg.png", "clip_audio_bg.png", "clip_down_bg.png"})
        EXPECT_FALSE(QImage(QString(FABLECUT_BIN_DIR "/skins/default/") + name).isNull()) << name;
}

TEST(EditorSkin, RulesReachTheWidgets)
{
    EditorTest::UseBuildSkin();
    qApp->setStyleSheet(SkinSheet());
    VEditorWidget panel;
    VRuler ruler;
    panel.show();
    ruler.show();
    QApplication::processEvents();
    for (const char* name : {"btnFlipHorizontal", "btnRotateCW", "btnReset", "btnApplyToAllClipItems"}) {
        QToolButton* button = panel.findChild<QToolButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_GE(button->minimumSizeHint().width(), 28) << name;
    }
    EXPECT_FALSE(panel.get3DEffectAdjustWidget()->get3DEffectRBImg().isNull());
    EXPECT_FALSE(panel.get3DEffectAdjustWidget()->get3DEffectRGImg().isNull());
    EXPECT_EQ(ruler.GetAnchor().size(), QSize(11, 20));
    qApp->setStyleSheet(QString());
}
