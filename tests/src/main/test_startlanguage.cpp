#include "../MainPages/GuiTestApp.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "IVantrel.h"
#include "main/startlanguage.h"

#include <gtest/gtest.h>

namespace {

struct FakeLanguages : IProductLanguage
{
    QStringList codes;
    QString system;
    QStringList applied;
    void AddLangItem(IProductLangItem*) override {}
    bool LoadLanguages(const QString&) override { return !codes.isEmpty(); }
    bool SetLanguage(const QString& code) override
    {
        applied << code;
        return codes.contains(code);
    }
    QString GetCurLanguage() override { return applied.value(applied.size() - 1); }
    QStringList GetLanguageCodes() override { return codes; }
    QStringList GetLanguageNames() override { return codes; }
    QString GetSystemLanguage() override { return system; }
};

} // namespace

TEST(StartLanguage, StoredThenSystemThenEnglish)
{
    GuiTest::App("test_startlanguage");
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    const QStringList all{"en_US", "de_DE", "zh_CN"};
    const struct
    {
        const char* what;
        const char* stored; // null: never stored
        const char* system;
        QStringList installed;
        const char* applied;
        bool stores;
    } cases[] = {
        {"stored and listed", "zh_CN", "de_DE", all, "zh_CN", false},
        {"stored not listed, system listed", "fr_FR", "de_DE", all, "de_DE", true},
        {"letter case differs: no match", "en_us", "zh_CN", all, "zh_CN", true},
        {"neither listed", "fr_FR", "C", all, "en_US", true},
        {"nothing installed: English anyway", "de_DE", "de_DE", {}, "en_US", true},
        {"first start: the system language", nullptr, "de_DE", all, "de_DE", true},
        {"first start in the C locale", nullptr, "C", all, "en_US", true},
    };
    for (const auto& c : cases) {
        // Nothing stored yet reads as an empty value.
        settings->SetInfoValue("LastUseLanguage", QString(c.stored ? c.stored : ""));
        FakeLanguages languages;
        languages.codes = c.installed;
        languages.system = c.system;
        const QString before = settings->GetInfoValue("LastUseLanguage", QVariant()).toString();
        EXPECT_EQ(c.applied, ApplyStartLanguage(&languages, settings, "/nowhere").toStdString()) << c.what;
        EXPECT_EQ((QStringList{c.applied}), languages.applied) << c.what;
        const QString after = settings->GetInfoValue("LastUseLanguage", QVariant()).toString();
        if (c.stores)
            EXPECT_EQ(c.applied, after.toStdString()) << c.what;
        else
            EXPECT_EQ(before, after) << c.what;
    }
    EXPECT_TRUE(ApplyStartLanguage(nullptr, settings, "/nowhere").isEmpty());
}
