// The upload settings panel: the stored account through the real settings
// file and a restart, and the editing of a bound task's upload metadata.

#include "../MainPages/GuiTestApp.h"

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "OutputTask/CYoutubeVideoInfo.h"
#include "OutputTask/vyoutubesettingwidget.h"
#include "OutputTask/youtubeaccount.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

CAppVariableInfo* Settings()
{
    static CAppVariableInfo* settings = [] {
        GuiTest::App("test_vyoutubesettingwidget");
        CAppFixedInfo::GetInstance()->ReadInfos();
        CAppVariableInfo* s = CAppVariableInfo::GetInstance();
        s->ReadInfos();
        s->InitInfos();
        return s;
    }();
    return settings;
}

QString SettingsFile()
{
    return Settings()->GetAppHomePath() + "/appsettings.plist";
}

// What a new start sees: the file is written, the value in memory spoiled,
// and the file read again.
void Restart()
{
    ASSERT_TRUE(Settings()->Sync());
    Settings()->SetInfoValue("YoutubeAccountInfo", QString("spoiled"));
    Settings()->InitInfos();
}

template <typename T> T* Child(QWidget& w, const char* name)
{
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

} // namespace

TEST(YoutubeAccount, RoundTripsExactlyThroughTheSettingsFile)
{
    Settings();
    struct Case
    {
        const char* what;
        QString user, password;
    } cases[] = {
        {"plain", "someone", "secret"},
        {"tabs", "user\tname", "pa\tss"},
        {"backslashes", "back\\slash", "x\\ty\\"},
        {"beyond Latin-1", QString::fromUtf8("Jürgen 張"), QString::fromUtf8("pässwörd✓")},
        {"empty password", "someone", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            VYoutubeSettingWidget panel;
            Child<QLineEdit>(panel, "edtYoutubeUserName")->setText(c.user);
            Child<QLineEdit>(panel, "edtYoutubePassWord")->setText(c.password);
        } // the panel stores the account as it goes
        Restart();
        VYoutubeSettingWidget panel;
        EXPECT_EQ(Child<QLineEdit>(panel, "edtYoutubeUserName")->text(), c.user);
        EXPECT_EQ(Child<QLineEdit>(panel, "edtYoutubePassWord")->text(), c.password);
    }
}

TEST(YoutubeAccount, StoredTextHasOneCharacterPerCipherByte)
{
    const QByteArray key = YoutubeAccount::AccountKey();
    EXPECT_EQ(key.size(), 32);
    EXPECT_EQ(YoutubeAccount::Encode("abcdefgh", "123456", key).size(), 16);  // 15 plain bytes
    EXPECT_EQ(YoutubeAccount::Encode("abcdefgh", "1234567", key).size(), 24); // 16 plain bytes
    QString user = "kept", password = "kept";
    EXPECT_FALSE(YoutubeAccount::Decode(QString(), key, user, password));
    EXPECT_FALSE(YoutubeAccount::Decode("not a cipher text", key, user, password));
    EXPECT_EQ(user, "kept");
}

TEST(YoutubeAccount, RemoveForgetsTheStoredAccount)
{
    Settings();
    {
        VYoutubeSettingWidget panel;
        Child<QLineEdit>(panel, "edtYoutubeUserName")->setText("someone");
        Child<QLineEdit>(panel, "edtYoutubePassWord")->setText("secret");
        panel.saveAccount();
    }
    Restart();
    {
        VYoutubeSettingWidget panel;
        ASSERT_EQ(Child<QLineEdit>(panel, "edtYoutubeUserName")->text(), "someone");
        QTest::mouseClick(Child<QToolButton>(panel, "btnRemoveCurAccount"), Qt::LeftButton);
        EXPECT_TRUE(Child<QLineEdit>(panel, "edtYoutubeUserName")->text().isEmpty());
        EXPECT_TRUE(Child<QLineEdit>(panel, "edtYoutubePassWord")->text().isEmpty());
    }
    Restart();
    VYoutubeSettingWidget panel;
    EXPECT_TRUE(Child<QLineEdit>(panel, "edtYoutubeUserName")->text().isEmpty());
    EXPECT_TRUE(Child<QLineEdit>(panel, "edtYoutubePassWord")->text().isEmpty());
}

TEST(YoutubeAccount, SettingsFileIsOwnerOnly)
{
    Settings();
    ASSERT_TRUE(Settings()->Sync());
    const QFile::Permissions perms = QFileInfo(SettingsFile()).permissions();
    EXPECT_TRUE(perms & QFile::ReadOwner);
    EXPECT_FALSE(perms & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther));
}

TEST(YoutubeSettingPanel, EditsReachTheBoundRecordOnly)
{
    Settings();
    VYoutubeSettingWidget panel;
    auto* title = Child<QLineEdit>(panel, "edtTitle");
    auto* keywords = Child<QLineEdit>(panel, "edtKeywords");
    auto* description = Child<QPlainTextEdit>(panel, "edtDescription");
    auto* category = Child<QComboBox>(panel, "cbxCategory");
    auto* upload = Child<QCheckBox>(panel, "cbxUpload");
    ASSERT_EQ(category->count(), 32);
    EXPECT_EQ(category->itemData(0).toInt(), 1);
    EXPECT_EQ(category->itemText(0), "Film");
    EXPECT_EQ(category->itemData(31).toInt(), 32);

    // Without a record only the widgets change.
    QTest::keyClicks(title, "free");
    upload->setChecked(false);
    EXPECT_FALSE(Child<QFrame>(panel, "frmAccount")->isEnabled());
    EXPECT_FALSE(Child<QFrame>(panel, "frmYoutubeInfo")->isEnabled());
    upload->setChecked(true);

    CYoutubeVideoInfo info;
    info.SetTitle("Holiday");
    info.SetKeywords("sea,sun");
    info.SetCategory(YOUTUBE_CATEGORY_TRAVEL);
    info.SetAccessType(YOUTUBE_ACCESS_PRIVATE);
    info.SetDescription("two weeks");
    panel.SetYoutubeInfo(&info);
    EXPECT_EQ(title->text(), "Holiday");
    EXPECT_EQ(category->currentData().toInt(), int(YOUTUBE_CATEGORY_TRAVEL));
    EXPECT_TRUE(Child<QRadioButton>(panel, "rbtnPrivate")->isChecked());
    EXPECT_EQ(description->toPlainText(), "two weeks");

    title->clear();
    QTest::keyClicks(title, "a<b>c");
    EXPECT_EQ(title->text(), "abc");
    EXPECT_EQ(info.GetTitle(), "abc");
    description->setPlainText("a<b>c");
    EXPECT_EQ(info.GetDescription(), "abc");
    EXPECT_EQ(description->toPlainText(), "a<b>c");
    category->setCurrentIndex(2);
    EXPECT_EQ(info.GetCategory(), YOUTUBE_CATEGORY_MUSIC);
    Child<QRadioButton>(panel, "rbtnNoPublic")->setChecked(true);
    EXPECT_EQ(info.GetAccessType(), YOUTUBE_ACCESS_NOT_LISTED);
    upload->setChecked(false);
    EXPECT_FALSE(info.GetEnableUpload());

    // Unbinding empties the fields and lets go of the record.
    panel.SetYoutubeInfo(nullptr);
    EXPECT_TRUE(title->text().isEmpty());
    EXPECT_TRUE(description->toPlainText().isEmpty());
    EXPECT_EQ(category->currentIndex(), 0);
    EXPECT_TRUE(Child<QRadioButton>(panel, "rbtnPublic")->isChecked());
    EXPECT_EQ(upload->isChecked(), !Child<QLineEdit>(panel, "edtYoutubeUserName")->text().isEmpty());
    EXPECT_EQ(info.GetCategory(), YOUTUBE_CATEGORY_MUSIC);
    EXPECT_FALSE(info.GetEnableUpload());
}

// Uploading after the output is offered ticked only when an account is stored.
TEST(YoutubeSettingPanel, UploadIsTickedOnlyWithAnAccount)
{
    Settings();
    const struct
    {
        const char* user;
        bool ticked;
    } cases[] = {{"", false}, {"someone", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        Settings()->SetInfoValue("YoutubeAccountInfo",
                                 *c.user ? YoutubeAccount::Encode(c.user, "secret", YoutubeAccount::AccountKey())
                                         : QString());
        EXPECT_EQ(YoutubeAccount::HasStoredAccount(), c.ticked);
        VYoutubeSettingWidget panel;
        auto* upload = Child<QCheckBox>(panel, "cbxUpload");
        EXPECT_EQ(upload->isChecked(), c.ticked);
        EXPECT_EQ(Child<QFrame>(panel, "frmAccount")->isEnabled(), c.ticked);
        panel.SetYoutubeInfo(nullptr);
        EXPECT_EQ(upload->isChecked(), c.ticked);
        // Ticking it by hand opens the account fields.
        if (!c.ticked) {
            panel.show();
            QTest::mouseClick(upload, Qt::LeftButton, {}, QPoint(5, upload->height() / 2));
            EXPECT_TRUE(upload->isChecked());
            EXPECT_TRUE(Child<QFrame>(panel, "frmAccount")->isEnabled());
        }
    }
    Settings()->SetInfoValue("YoutubeAccountInfo", QString());
}
