#include "ProjectData/vimportmedialibdialog.h"

#include "ProjectDataTestMedia.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMovie>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QApplication* App()
{
    static int argc = 1;
    static char name[] = "test_vimportmedialibdialog";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

} // namespace

TEST(VImportMediaLibDialog, OnlyTheLoadsEndClosesIt)
{
    App();
    VImportMediaLibDialog dialog(nullptr);
    EXPECT_EQ(Qt::ApplicationModal, dialog.windowModality());
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    auto* notice = dialog.findChild<QLabel*>("lblNotice");
    ASSERT_NE(nullptr, notice);
    EXPECT_EQ(QString("Importing media Library..."), notice->text());
    ASSERT_NE(nullptr, dialog.findChild<QLabel*>("lblBG"));
    ASSERT_NE(nullptr, dialog.findChild<QLabel*>("lblProgress"));

    int result = -1;
    QTimer::singleShot(0, &dialog, [&dialog] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        dialog.close();
        dialog.reject();
        EXPECT_TRUE(dialog.isVisible()) << "Escape and close requests leave it open";
        dialog.accept();
    });
    result = dialog.exec();
    EXPECT_EQ(QDialog::Accepted, result);
}

TEST(VImportMediaLibDialog, SkinPropertiesSetPictureAndAnimation)
{
    App();
    PD_REQUIRE_MEDIA();
    const std::string gif = PDTest::Media::Get().Path("busy.gif");
    const std::string gif2 = PDTest::Media::Get().Path("busy2.gif");
    ASSERT_TRUE(PDTest::Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=16x16:rate=5:d=1 '" + gif + "'"));
    ASSERT_TRUE(PDTest::Run("cp '" + gif + "' '" + gif2 + "'"));
    VImportMediaLibDialog dialog(nullptr);
    QPixmap bg(32, 16);
    bg.fill(Qt::green);
    ASSERT_TRUE(dialog.setProperty("bgImage", bg));
    EXPECT_EQ(bg.toImage(), dialog.findChild<QLabel*>("lblBG")->pixmap(Qt::ReturnByValue).toImage());

    ASSERT_TRUE(dialog.setProperty("progressMovie", QString::fromStdString(gif)));
    EXPECT_EQ(QMovie::Running, dialog.movie()->state());
    QSignalSpy states(dialog.movie(), &QMovie::stateChanged);
    dialog.setProgressMovie(QString::fromStdString(gif));
    EXPECT_TRUE(states.isEmpty()) << "the same file does not restart it";
    dialog.setProgressMovie(QString::fromStdString(gif2));
    EXPECT_FALSE(states.isEmpty());
    EXPECT_EQ(QString::fromStdString(gif2), dialog.movie()->fileName());
    EXPECT_EQ(QMovie::Running, dialog.movie()->state());
    dialog.setProgressMovie("/nowhere.gif");
    EXPECT_EQ(QString("/nowhere.gif"), dialog.getProgressMovie());
}
