#include "IVantrel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QApplication* App()
{
    static int argc = 1;
    static char name[] = "test_Vantrel";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

const QString kLanguages = QStringLiteral(FABLECUT_BIN_DIR "/language");

struct Platform
{
    IVantrel* p = CreateVantrel();
    ~Platform() { p->Release(); }
    IVantrel* operator->() const { return p; }
};

struct CountingItem : IProductLangItem
{
    int count = 0;
    QString lastText;
    void ReTranslate() override
    {
        ++count;
        lastText = QCoreApplication::translate("Fablecut::MainWindow", "&File", "文件");
    }
};

struct QuitRecorder : IProductConfig::IConfigCallBack
{
    QList<IProductConfig::ProductQuitReason> reasons;
    QWidget widget;
    void QuitApp(IProductConfig::ProductQuitReason reason) override { reasons << reason; }
    QWidget* MainWidget() override { return &widget; }
};

QString LabelText(QWidget* window)
{
    auto* label = window ? window->findChild<QLabel*>("platformLabel") : nullptr;
    return label ? label->text() : QString();
}

} // namespace

TEST(Vantrel, LanguagesComeFromTheIndexAndTheirTranslations)
{
    App();
    Platform platform;
    IProductLanguage* language = platform->GetLanguageProvider();
    ASSERT_NE(nullptr, language);
    ASSERT_TRUE(language->LoadLanguages(kLanguages));
    EXPECT_EQ((QStringList{"en_US", "de_DE", "zh_CN"}), language->GetLanguageCodes());
    EXPECT_EQ((QStringList{"English", "Deutsch", QString::fromUtf8("简体中文")}), language->GetLanguageNames());

    CountingItem item;
    language->AddLangItem(&item);
    language->AddLangItem(&item); // kept once
    struct Case
    {
        const char* code;
        bool applied;
        const char* file;
    };
    // en_us and fr_FR are not listed: nothing changes.
    const Case cases[] = {
        {"de_DE", true, "&Datei"},    {"zh_CN", true, "文件(&F)"}, {"en_us", false, "文件(&F)"},
        {"fr_FR", false, "文件(&F)"}, {"en_US", true, "&File"},
    };
    int calls = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(c.applied, language->SetLanguage(c.code)) << c.code;
        calls += c.applied ? 1 : 0;
        EXPECT_EQ(calls, item.count) << c.code;
        EXPECT_EQ(QString::fromUtf8(c.file), item.lastText) << c.code;
    }
    EXPECT_EQ("en_US", language->GetCurLanguage().toStdString());
    // Qt's own texts follow too.
    language->SetLanguage("de_DE");
    EXPECT_EQ("Abbrechen", QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString());
    language->SetLanguage("en_US");
}

TEST(Vantrel, AFolderWithoutIndexOrTranslationsListsNothing)
{
    App();
    Platform platform;
    QTemporaryDir dir;
    IProductLanguage* language = platform->GetLanguageProvider();
    EXPECT_FALSE(language->LoadLanguages(dir.path()));
    QFile index(dir.filePath("languages.ini"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("de_DE=Deutsch\n");
    index.close();
    EXPECT_FALSE(language->LoadLanguages(dir.path())); // no .qm beside it
    EXPECT_TRUE(language->GetLanguageCodes().isEmpty());
    EXPECT_FALSE(language->SetLanguage("de_DE"));
}

TEST(Vantrel, SkinStylesThePlatformWindowsFromTheSkinFolder)
{
    App();
    Platform platform;
    ASSERT_EQ(nullptr, platform->GetSkinManager()); // only after Initialize
    ASSERT_TRUE(platform->Initialize(4));
    IProductSkin* skin = platform->GetSkinManager();
    ASSERT_NE(nullptr, skin);
    QTemporaryDir dir;
    QFile css(dir.filePath("platformLabel.css"));
    ASSERT_TRUE(css.open(QIODevice::WriteOnly));
    css.write("QLabel#platformLabel { background: url(\"%SkinPath%/a.png\"); }");
    css.close();
    QWidget* window1 = platform->GetPlatformWindows()->GetWindow(1);
    QWidget* window2 = platform->GetPlatformWindows()->GetWindow(2);
    ASSERT_NE(nullptr, window1);
    ASSERT_NE(nullptr, window2);
    EXPECT_EQ(nullptr, platform->GetPlatformWindows()->GetWindow(3));
    skin->SetWindowStyleSheets({"platformLabel.css"}, window2);
    skin->SetWindowStyleSheets({"platformLabel.css"}, window1);
    skin->SetSkinFolder(dir.path(), "%skinpath%");
    const QString expected = "url(\"" + dir.path() + "/a.png\")";
    EXPECT_TRUE(window1->styleSheet().contains(expected)) << window1->styleSheet().toStdString();
    EXPECT_TRUE(window2->styleSheet().contains(expected));
    ASSERT_TRUE(css.open(QIODevice::WriteOnly));
    css.write("QLabel { color: red; }");
    css.close();
    skin->Refresh();
    EXPECT_TRUE(window1->styleSheet().contains("color: red"));
}

TEST(Vantrel, UpdateCheckWithoutAnAddressSaysNoServiceIsConfigured)
{
    App();
    Platform platform;
    ASSERT_EQ(nullptr, platform->GetUpdater());
    ASSERT_TRUE(platform->Initialize(2));
    platform->GetProductConfig()->SetConfigItem(IProductConfig::ItemVersion, "1.0.0.1");
    platform->GetUpdater()->CheckUpdate(0, 0);
    QWidget* window = platform->GetPlatformWindows()->GetWindow(1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(LabelText(window).contains("No update service is configured")) << LabelText(window).toStdString();
    EXPECT_FALSE(LabelText(window).contains("newest"));
    platform->GetProductConfig()->SetConfigItem(IProductConfig::ItemUpdateUrl, "not an address");
    platform->GetUpdater()->CheckUpdate(0, 0);
    EXPECT_TRUE(LabelText(window).contains("not valid")) << LabelText(window).toStdString();
}

TEST(Vantrel, UpdateAnswerFromAFileAddress)
{
    App();
    Platform platform;
    ASSERT_TRUE(platform->Initialize(2));
    QTemporaryDir dir;
    const struct
    {
        const char* reply;
        const char* says;
    } cases[] = {
        {"1.0.2\n", "Version 1.0.2 is available"},
        {"1.0.0.1", "This is the newest version"},
        {"0.9", "This is the newest version"},
        {"<html>", "gave no version"},
    };
    IProductConfig* config = platform->GetProductConfig();
    config->SetConfigItem(IProductConfig::ItemVersion, "1.0.0.1");
    QWidget* window = platform->GetPlatformWindows()->GetWindow(1);
    int n = 0;
    for (const auto& c : cases) {
        QFile file(dir.filePath(QString("v%1.txt").arg(n++)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.reply);
        file.close();
        config->SetConfigItem(IProductConfig::ItemUpdateUrl, QUrl::fromLocalFile(file.fileName()).toString());
        platform->GetUpdater()->CheckUpdate(0, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return LabelText(window).contains(c.says); }, 5000))
            << c.reply << ": " << LabelText(window).toStdString();
    }
}

TEST(Vantrel, QuitSignalsReachTheProgramOnItsThread)
{
    App();
    Platform platform;
    QuitRecorder recorder;
    platform->GetProductConfig()->SetConfigCallBack(&recorder);
    ASSERT_TRUE(platform->Initialize(1));
    ASSERT_EQ(0, raise(SIGTERM));
    ASSERT_EQ(0, raise(SIGHUP));
    ASSERT_EQ(0, raise(SIGINT));
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.reasons.size() == 3; }, 3000));
    EXPECT_EQ((QList<IProductConfig::ProductQuitReason>{IProductConfig::QuitByTerminate, IProductConfig::QuitByHangUp,
                                                        IProductConfig::QuitByInterrupt}),
              recorder.reasons);
}

TEST(Vantrel, ReleaseRestoresTheSignalHandlers)
{
    App();
    struct sigaction before = {};
    sigaction(SIGTERM, nullptr, &before);
    {
        Platform platform;
        ASSERT_TRUE(platform->Initialize(1));
        struct sigaction during = {};
        sigaction(SIGTERM, nullptr, &during);
        EXPECT_NE(before.sa_handler, during.sa_handler);
        // A second platform object cannot listen at the same time.
        Platform second;
        EXPECT_FALSE(second->Initialize(1));
    }
    struct sigaction after = {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(before.sa_handler, after.sa_handler);
}
