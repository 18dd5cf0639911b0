// The preview player: loading a file, the same path not reopened, a failed
// file keeping the last one, and the tick that stops at the end.

#include "PlayersTestMedia.h"

#include "Preview/vdcframeplayer.h"
#include "Preview/vmpreviewplayer.h"

#include <QSignalSpy>
#include <QToolButton>

#include <gtest/gtest.h>

using PlayersTest::WaitFor;

namespace {

class PreviewPlayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PELLINO_REQUIRE_MEDIA();
        player = std::make_unique<VMPreviewPlayer>();
        player->resize(329, 255);
        player->show();
    }
    MediaTest::ManagerHolder manager;
    std::unique_ptr<VMPreviewPlayer> player;
};

TEST_F(PreviewPlayer, WithoutAManagerNothingLoads)
{
    EXPECT_FALSE(player->SetMediaFile(QString::fromStdString(PellinoTest::Media::Get().Indexed())));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
    EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), "Bad pointer");
    EXPECT_EQ(player->GetFramePlayer()->GetSourceItem(), nullptr);
    // The buttons still speak, with nothing to play.
    QSignalSpy plays(player.get(), &VMPreviewPlayer::signal_previewplayer_play);
    player->Play();
    EXPECT_EQ(plays.count(), 1);
}

TEST_F(PreviewPlayer, TheSamePathIsNotReopenedAndAFailedFileKeepsTheLast)
{
    player->SetAVManager(manager.manager);
    const QString indexed = QString::fromStdString(PellinoTest::Media::Get().Indexed());
    ASSERT_TRUE(player->SetMediaFile(indexed)) << GetQuentaException()->GetExceptionMsg();
    IDCPlaySourceItem* first = player->GetFramePlayer()->GetSourceItem();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(player->GetFramePlayer()->GetPlayerRunState(), DCPlayerStopped);
    player->Play();
    ASSERT_TRUE(player->SetMediaFile(indexed));
    EXPECT_EQ(player->GetFramePlayer()->GetSourceItem(), first) << "not reloaded";
    EXPECT_EQ(player->GetFramePlayer()->GetPlayerRunState(), DCPlayerPlaying) << "not disturbed";

    // Files that cannot be previewed: each fails with its reason and the
    // playing file stays.
    const std::string missing = PellinoTest::Media::Get().Path("missing.mp4");
    EXPECT_FALSE(player->SetMediaFile(QString::fromStdString(missing)));
    EXPECT_NE(GetQuentaException()->GetExceptionCode(), 0);
    EXPECT_EQ(player->GetFramePlayer()->GetSourceItem(), first);
    EXPECT_EQ(player->GetFramePlayer()->GetPlayerRunState(), DCPlayerPlaying);

    // Another file replaces the first, stopped.
    ASSERT_TRUE(player->SetMediaFile(QString::fromStdString(PellinoTest::Media::Get().FlashBeep())));
    EXPECT_NE(player->GetFramePlayer()->GetSourceItem(), nullptr);
    EXPECT_EQ(player->GetFramePlayer()->GetPlayerRunState(), DCPlayerStopped);
    EXPECT_NEAR(player->GetFramePlayer()->GetDuration().ToSeconds(), 4.0, 0.1);
}

TEST_F(PreviewPlayer, TheTickStopsAtTheEnd)
{
    player->SetAVManager(manager.manager);
    ASSERT_TRUE(player->SetMediaFile(QString::fromStdString(PellinoTest::Media::Get().Indexed())));
    QSignalSpy stops(player.get(), &VMPreviewPlayer::signal_previewplayer_stop);
    player->GetFramePlayer()->Seek(3700);
    player->Play();
    EXPECT_TRUE(player->findChild<QToolButton*>("btnPlay")->isChecked());
    ASSERT_TRUE(WaitFor([&] { return stops.count() > 0; }));
    EXPECT_FALSE(player->findChild<QToolButton*>("btnPlay")->isChecked());
    EXPECT_EQ(player->GetFramePlayer()->GetPlayerRunState(), DCPlayerStopped);
    player->Close();
    EXPECT_TRUE(player->GetFramePlayer()->IsPlayerClose());
    EXPECT_NE(player->GetFramePlayer()->GetSourceItem(), nullptr) << "the clip stays loaded";
}

} // namespace
