#include "WidgetTestApp.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "dialogs/VRichMessageBox.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSoundEffect>
#include <QTextBrowser>

namespace {

QVariant setting(const char* key)
{
    return CAppVariableInfo::GetInstance()->GetInfoValue(QString::fromLatin1(key), QVariant());
}

void setSetting(const char* key, const QVariant& value)
{
    CAppVariableInfo::GetInstance()->SetInfoValue(QString::fromLatin1(key), value);
}

QCheckBox* checkBox(QDialog* d)
{
    return d->findChild<QCheckBox*>(QStringLiteral("cbxOption"));
}

QPushButton* boxButton(QDialog* d, QDialogButtonBox::StandardButton which)
{
    return d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
}

void pressEscape(QDialog* d)
{
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(d, &esc);
}

// Captures links the box hands to the desktop services.
class LinkCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

TEST(VRichMessageBox, ElementsIconsAndSounds)
{
    VRichMessageBox box(nullptr, QDialogButtonBox::Ok, QMessageBox::NoIcon, VRichMessageBox::ShowCaption);
    EXPECT_FALSE(box.findChild<QLabel*>(QStringLiteral("lblCaption"))->isHidden());
    EXPECT_TRUE(box.findChild<QTextBrowser*>(QStringLiteral("edtRich"))->isHidden());
    EXPECT_TRUE(box.findChild<QCheckBox*>(QStringLiteral("cbxOption"))->isHidden());
    QLabel* icon = box.findChild<QLabel*>(QStringLiteral("lblIcon"));
    EXPECT_FALSE(icon->isHidden());
    EXPECT_EQ(icon->size(), QSize(0, 0)) << "no icon leaves no gap";
    EXPECT_EQ(box.GetMsgBoxWidth(), 350);
    EXPECT_EQ(box.GetMsgBoxHeight(), 135);
    EXPECT_EQ(box.getContentWidget()->objectName(), QStringLiteral("VRichMessageBox"));
    EXPECT_FALSE(box.windowFlags() & Qt::FramelessWindowHint);

    struct Case
    {
        QMessageBox::Icon icon;
        const char* sound;
    };
    const Case cases[] = {
        {QMessageBox::NoIcon, ""},
        {QMessageBox::Information, "notify.wav"},
        {QMessageBox::Question, "notify.wav"},
        {QMessageBox::Warning, "warning.wav"},
        {QMessageBox::Critical, "error.wav"},
    };
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/sound/");
    for (const Case& c : cases) {
        box.setIcon(c.icon);
        const QString expected = *c.sound ? folder + QLatin1String(c.sound) : QString();
        EXPECT_EQ(box.notifySoundPath(), expected) << c.icon;
        if (c.icon != QMessageBox::NoIcon) {
            EXPECT_GT(icon->width(), 10);
        }
        // No sound folder beside the test program: playing is silent and
        // leaves no sound object behind.
        const int effectsBefore = qApp->findChildren<QSoundEffect*>().size();
        box.playNotifySound();
        EXPECT_EQ(effectsBefore, qApp->findChildren<QSoundEffect*>().size()) << c.icon;
    }
}

TEST(VRichMessageBox, ReplacingTheButtonsForgetsTheLinkedOnes)
{
    VRichMessageBox box(nullptr, QDialogButtonBox::Ok, QMessageBox::Information,
                        VRichMessageBox::ShowCaption | VRichMessageBox::ShowCheckBox);
    box.connectCheckBoxChange(QDialogButtonBox::Ok, false);
    box.connectCheckBoxChange(QDialogButtonBox::Help, true); // not held: ignored
    box.SetChecked(true);
    EXPECT_FALSE(boxButton(&box, QDialogButtonBox::Ok)->isEnabled());

    box.SetStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box.SetChecked(false);
    box.SetChecked(true);
    EXPECT_TRUE(boxButton(&box, QDialogButtonBox::Ok)->isEnabled());
}

TEST(VRichMessageBox, RichTextLinksGoToTheDesktopAndLeaveTheText)
{
    LinkCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("fctest"), &catcher, "open");
    VRichMessageBox box(nullptr, QDialogButtonBox::Ok, QMessageBox::Information, VRichMessageBox::ShowRichText);
    box.SetRichText(QStringLiteral("<p>see <a href=\"fctest://here\">here</a></p>"));
    auto* browser = box.findChild<QTextBrowser*>(QStringLiteral("edtRich"));
    const QString before = browser->toHtml();
    emit browser->anchorClicked(QUrl(QStringLiteral("fctest://here")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("fctest"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.first(), QUrl(QStringLiteral("fctest://here")));
    EXPECT_EQ(browser->toHtml(), before);
}

TEST(ExecVarAttrInfoMessageBox, EscapeStoresNothingTickedButtonSwitchesOff)
{
    const char* key = "TestInfoShowKey";
    setSetting(key, true);

    // Ticked, then Escape: nothing is stored, so the notice stays on.
    {
        ModalDriver driver([](QDialog* d) {
            checkBox(d)->setChecked(true);
            pressEscape(d);
        });
        ExecVarAttrInfoMessageBox(QString::fromLatin1(key), QStringLiteral("notice"), QDialogButtonBox::Ok,
                                  QMessageBox::Warning);
        EXPECT_TRUE(driver.seen());
    }
    EXPECT_TRUE(setting(key).toBool());

    // Unticked OK stores true.
    {
        ModalDriver driver([](QDialog* d) { boxButton(d, QDialogButtonBox::Ok)->click(); });
        ExecVarAttrInfoMessageBox(QString::fromLatin1(key), QStringLiteral("notice"), QDialogButtonBox::Ok,
                                  QMessageBox::Warning);
        EXPECT_TRUE(driver.seen());
    }
    EXPECT_TRUE(setting(key).toBool());

    // Ticked OK stores false, and the notice is not shown again.
    {
        ModalDriver driver([](QDialog* d) {
            checkBox(d)->setChecked(true);
            boxButton(d, QDialogButtonBox::Ok)->click();
        });
        ExecVarAttrInfoMessageBox(QString::fromLatin1(key), QStringLiteral("notice"), QDialogButtonBox::Ok,
                                  QMessageBox::Warning);
    }
    EXPECT_FALSE(setting(key).toBool());
    {
        ModalDriver driver([](QDialog* d) { d->reject(); });
        ExecVarAttrInfoMessageBox(QString::fromLatin1(key), QStringLiteral("notice"), QDialogButtonBox::Ok,
                                  QMessageBox::Warning);
        EXPECT_FALSE(driver.seen());
    }
}

TEST(ExecVarAttrConfirmMessageBox, RememberedAnswerIsReturnedSilently)
{
    const char* answerKey = "TestConfirmAnswer";
    const char* showKey = "TestConfirmShow";
    // The store lives for the whole process: start from a fresh question.
    setSetting(answerKey, false);
    setSetting(showKey, true);
    auto ask = [&] {
        return ExecVarAttrConfirmMessageBox(QString::fromLatin1(answerKey), QString::fromLatin1(showKey),
                                            QStringLiteral("go on?"), QDialogButtonBox::Yes, QDialogButtonBox::No,
                                            QMessageBox::Question, QDialogButtonBox::No);
    };

    // Escape answers no and leaves the question switched on.
    {
        ModalDriver driver([](QDialog* d) { pressEscape(d); });
        EXPECT_FALSE(ask());
        EXPECT_TRUE(driver.seen());
    }
    EXPECT_FALSE(setting(answerKey).toBool());
    EXPECT_TRUE(setting(showKey).toBool());

    // No is the default; the locked No follows the check box; ticked Yes
    // stores the answer and switches the question off.
    bool defaultIsNo = false;
    bool noWhileTicked = true;
    bool noAfterUntick = false;
    {
        ModalDriver driver([&](QDialog* d) {
            QPushButton* no = boxButton(d, QDialogButtonBox::No);
            defaultIsNo = no->isDefault();
            checkBox(d)->setChecked(true);
            noWhileTicked = no->isEnabled();
            checkBox(d)->setChecked(false);
            noAfterUntick = no->isEnabled();
            checkBox(d)->setChecked(true);
            boxButton(d, QDialogButtonBox::Yes)->click();
        });
        EXPECT_TRUE(ask());
    }
    EXPECT_TRUE(defaultIsNo);
    EXPECT_FALSE(noWhileTicked);
    EXPECT_TRUE(noAfterUntick);
    EXPECT_TRUE(setting(answerKey).toBool());
    EXPECT_FALSE(setting(showKey).toBool());

    {
        ModalDriver driver([](QDialog* d) { d->reject(); });
        EXPECT_TRUE(ask());
        EXPECT_FALSE(driver.seen()) << "switched off: answered without a box";
    }

    setSetting(answerKey, false);
    {
        ModalDriver driver([](QDialog* d) { d->reject(); });
        EXPECT_FALSE(ask());
        EXPECT_FALSE(driver.seen());
    }
}

#include "test_VRichMessageBox.moc"

TEST(VRichMessageBox, ShortMessagesKeepTheFixedSizeLongOnesAreShownWhole)
{
    const struct
    {
        int words;
        bool grows;
    } cases[] = {{3, false}, {50, true}};
    for (const auto& c : cases) {
        VRichMessageBox box(nullptr, QDialogButtonBox::Ok, QMessageBox::Warning, VRichMessageBox::ShowCaption);
        QStringList words;
        for (int i = 0; i < c.words; ++i)
            words.append(QStringLiteral("word%1").arg(i));
        box.SetCaption(words.join(QLatin1Char(' ')));
        box.show();
        QCoreApplication::processEvents();
        QLabel* caption = box.findChild<QLabel*>(QStringLiteral("lblCaption"));
        EXPECT_EQ(box.width(), 350) << c.words;
        if (c.grows)
            EXPECT_GT(box.height(), 135) << c.words;
        else
            EXPECT_EQ(box.height(), 135) << c.words;
        EXPECT_GE(caption->height(), caption->heightForWidth(caption->width()))
            << c.words << " words: the message is not cut off";
        EXPECT_EQ(box.GetMsgBoxHeight(), 135);
        box.hide();
    }
}
