#include "WidgetTestApp.h"

#include "dialogs/AboutDialog.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "SandboxedChild.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTranslator>

TEST(AboutDialog, VersionLine)
{
    struct Case
    {
        const char* version;
        const char* text;
    };
    const Case cases[] = {
        {"2.1.0.35", "Version:2.1.0(35)"},
        {"10.20.30.40.50", "Version:10.20.30(40)"},
        {"3.2", "Version:3.2"},
        {"", "Version:"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AboutDialog::VersionText(QString::fromLatin1(c.version)), QString::fromLatin1(c.text));
}

TEST(AboutDialog, FormAndAnyPressCloses)
{
    AboutDialog about(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                   Qt::WindowCloseButtonHint);
    EXPECT_EQ(about.objectName(), QStringLiteral("AboutDialog"));
    EXPECT_EQ(about.minimumSize(), QSize(390, 280));
    for (const char* name : {"lbVersion", "lblWarning", "lbKestrin", "lbHomeUrl"})
        EXPECT_NE(about.findChild<QLabel*>(QString::fromLatin1(name)), nullptr) << name;
    auto* link = about.findChild<QLabel*>(QStringLiteral("lbHomeUrl"));
    EXPECT_TRUE(link->openExternalLinks());
    EXPECT_TRUE(link->text().contains(QStringLiteral("\"style=\"color:#")));
    EXPECT_TRUE(about.findChild<QLabel*>(QStringLiteral("lbVersion"))->text().startsWith(QStringLiteral("Version:")));

    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton}) {
        about.show();
        ASSERT_TRUE(about.isVisible());
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(200, 200), b, b, Qt::NoModifier);
        QCoreApplication::sendEvent(&about, &press);
        EXPECT_FALSE(about.isVisible()) << b;
    }
}

namespace {

class VersionTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (QByteArray(context) == "AboutDialog" && QByteArray(source) == "Version:")
            return QStringLiteral("Versi\u00f3n:");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

TEST(AboutDialog, LanguageChangeRenewsTheVersionButNotTheNotice)
{
    AboutDialog about(nullptr, Qt::Window);
    auto* version = about.findChild<QLabel*>(QStringLiteral("lbVersion"));
    auto* notice = about.findChild<QLabel*>(QStringLiteral("lbKestrin"));
    const QString noticeBefore = notice->text();

    VersionTranslator translator;
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::processEvents();
    const QString translated = version->text();
    const QString noticeAfter = notice->text();
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::processEvents();

    EXPECT_TRUE(translated.startsWith(QString::fromUtf8("Versi\xC3\xB3n:"))) << translated.toStdString();
    EXPECT_EQ(noticeAfter, noticeBefore);
    EXPECT_TRUE(version->text().startsWith(QStringLiteral("Version:")));
}

// Run by HomePageLinkIsShownOnlyWithAnAddress beside product files that
// name a home page.
TEST(AboutDialogChild, DISABLED_LinkWithAddressIsShown)
{
    ASSERT_TRUE(CAppFixedInfo::GetInstance()->ReadInfos());
    AboutDialog about(nullptr, Qt::Window);
    auto* link = about.findChild<QLabel*>(QStringLiteral("lbHomeUrl"));
    EXPECT_FALSE(link->isHidden());
    EXPECT_TRUE(link->text().contains(QStringLiteral("href=\"http://127.0.0.1/home\"")));
}

TEST(AboutDialog, HomePageLinkIsShownOnlyWithAnAddress)
{
    // The test folder holds no product files: the address is empty.
    AboutDialog about(nullptr, Qt::Window);
    EXPECT_TRUE(about.findChild<QLabel*>(QStringLiteral("lbHomeUrl"))->isHidden()) << "a dead link is shown";

    bool passed = false;
    const QByteArray output = RunSandboxedCase(
        "LinkWithAddressIsShown",
        {{"AppConfig.en_US.xml",
          "<AppConfig APPS_PRODUCT_NAME=\"fablecut\" APP_IDENTIFIER=\"fablecut-org\" VERSION=\"1.2.3.4\"\n"
          "  APPS_HOME_PAGE_URL=\"http://127.0.0.1/home\"/>\n"}},
        &passed);
    EXPECT_TRUE(passed) << output.constData();
}
