// The default skin's rules for the library views: their images are made at
// build time and load, and the properties reach the views when the style
// sheet polishes them, after they were built.

#include "GuiTestApp.h"

#include "MainPages/vdetaildisplayview.h"
#include "MainPages/vresourcelib.h"
#include "MainPages/vicondisplayview.h"
#include "MainPages/mediashowimagedelegate.h"

#include <QFile>
#include <QTest>
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

TEST(LibraryViewsSkin, PropertiesArriveFromTheStyleSheet)
{
    GuiTest::App("test_libraryviewsskin");
    const QString sheet = SkinSheet();
    ASSERT_FALSE(sheet.isEmpty());
    for (const char* name :
         {"lib_selected_mark.png", "lib_audio_thumb.png", "lib_music_thumb.png", "lib_thumb_border.png",
          "lib_import_normal.png", "lib_camcorder_normal.png", "lib_options_normal.png"})
        EXPECT_FALSE(QImage(QString(FABLECUT_BIN_DIR "/skins/default/") + name).isNull()) << name;

    qApp->setStyleSheet(sheet);
    VResourceLib panel;
    panel.resize(420, 400);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QApplication::processEvents();
    VIconDisplayView* grid = panel.iconView();
    EXPECT_EQ(QSize(128, 72), grid->audioItemThumbnial().size());
    EXPECT_TRUE(grid->itemSelectedImgPath().endsWith("/lib_selected_mark.png"));
    EXPECT_EQ(QSize(15, 15), grid->cellPainter()->itemSelectedImg().size());

    ASSERT_TRUE(QMetaObject::invokeMethod(&panel, "slot_MediasLib_ViewByDetails"));
    QApplication::processEvents();
    VDetailDisplayView* details = panel.detailView();
    EXPECT_EQ(QSize(64, 48), details->getMusicThumbnail().size());
    EXPECT_EQ(QSize(34, 26), details->getThumbnailBorder().size());
    for (const char* name : {"btnImportMediaRes", "btnImportCamRes", "btnResourceLibMenu"}) {
        auto* button = panel.findChild<QToolButton*>(name);
        ASSERT_TRUE(button) << name;
        EXPECT_TRUE(button->text().isEmpty());
        EXPECT_GE(button->sizeHint().width(), 26) << name;
    }
    qApp->setStyleSheet(QString());
}
