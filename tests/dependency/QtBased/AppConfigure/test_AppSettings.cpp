// The product information and the settings store are process-wide and save
// at process exit, and they find their files beside the program. So every
// case runs in a child process: a copy of this test program in a sandbox
// folder that holds the case's AppConfig and DefaultInfo files, with HOME and
// XDG_DATA_HOME pointing into the sandbox.

#include "AppConfigure/AppConfigDefines.h"
#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "AppConfigure/CPlistSettingsFormat.h"
#include "CBaseException.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegExp>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

const char kAppConfig[] =
    "<?xml version=\"1.0\"?>\n"
    "<AppConfig APPS_PRODUCT_NAME=\"fablecut\" APP_IDENTIFIER=\"fablecut-org\" BRAND_KIND=\"brand\"\n"
    "  VERSION=\"1.2.3\" APPS_HELP_URL=\"http://127.0.0.1/help\" APPS_UPDATE_URL=\"http://127.0.0.1/up\"/>\n";

const char kDefaultInfo[] =
    "<?xml version=\"1.0\"?>\n"
    "<DefaultInfo Exit_Bool_Sync=\"true\" SkinDirName=\"skins\" CurSkinName=\"default\"\n"
    "  SampleExamplePath=\"sample\" H264DecoderIndex=\"4\" OutputFileExist=\"1\" EmptyShipped=\"\"\n"
    "  DefaultBackupDirName=\"Backup\"/>\n";

// The child side: the application object lives for the whole process, as in
// the program, so the store's destructor runs after it at exit.
QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_AppSettings";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

QString SettingsFile()
{
    return QString::fromLocal8Bit(std::getenv("XDG_DATA_HOME")) + "/fablecut-org/fablecut/appsettings.plist";
}

QString Home()
{
    return QString::fromLocal8Bit(std::getenv("HOME"));
}

void StartProgram()
{
    App();
    ASSERT_TRUE(CAppFixedInfo::GetInstance()->ReadInfos());
}

// The parent side.
class Sandbox
{
public:
    Sandbox()
    {
        m_bin = m_root.path() + "/bin";
        QDir().mkpath(m_bin);
        QDir().mkpath(m_root.path() + "/home");
        QDir().mkpath(m_root.path() + "/data");
        const QString self = QFileInfo("/proc/self/exe").canonicalFilePath();
        m_program = m_bin + "/test_AppSettings";
        QFile::copy(self, m_program);
    }

    void Write(const QString& name, const QByteArray& text)
    {
        QFile file(m_bin + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    // Runs one child case; its gtest verdict is the exit code.
    void Run(const char* childCase)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_root.path() + "/home");
        env.insert("XDG_DATA_HOME", m_root.path() + "/data");
        env.insert("XDG_CONFIG_HOME", m_root.path() + "/config");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(m_program,
                    {QString("--gtest_filter=SettingsChild.DISABLED_") + childCase, "--gtest_also_run_disabled_tests"});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.constData();
        EXPECT_EQ(child.exitCode(), 0) << output.constData();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
    }

    QString SettingsFile() const { return m_root.path() + "/data/fablecut-org/fablecut/appsettings.plist"; }
    QString Root() const { return m_root.path(); }

private:
    QTemporaryDir m_root;
    QString m_bin;
    QString m_program;
};

std::unique_ptr<Sandbox> StandardSandbox()
{
    std::unique_ptr<Sandbox> box(new Sandbox);
    box->Write("AppConfig.en_US.xml", kAppConfig);
    box->Write("DefaultInfo.xml", kDefaultInfo);
    return box;
}

} // namespace

// ---------------------------------------------------------------- children

TEST(SettingsChild, DISABLED_ProductInformation)
{
    App();
    const QString bin = QCoreApplication::applicationDirPath();
    auto writeConfig = [&](const QString& name, const QByteArray& text) {
        QFile file(bin + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    CAppFixedInfo* info = CAppFixedInfo::GetInstance();

    // The last "AppConfig" element wins; keys are case-sensitive; any attribute is held.
    writeConfig("AppConfig.en_US.xml",
                "<root><AppConfig VERSION=\"0.1\" ONLY_FIRST=\"x\"/>"
                "<group><AppConfig APPS_PRODUCT_NAME=\"fablecut\" APP_IDENTIFIER=\"fablecut-org\""
                " VERSION=\"1.2.3\" BRAND_KIND=\"bRAND\" custom_key=\"kept\" APPS_HELP_URL=\"h\"/></group></root>");
    ASSERT_TRUE(info->ReadInfos());
    EXPECT_EQ(info->GetInfoValue("VERSION").toString(), "1.2.3");
    EXPECT_FALSE(info->GetInfoValue("version").isValid());
    EXPECT_FALSE(info->GetInfoValue("ONLY_FIRST").isValid());
    EXPECT_EQ(info->GetInfoValue("custom_key").toString(), "kept");
    EXPECT_EQ(info->GetInfoValue(FIXED_INFO_BRANDNAME).toString(), "BRAND");
    EXPECT_EQ(QCoreApplication::applicationName(), "fablecut");
    EXPECT_EQ(QCoreApplication::organizationName(), "fablecut-org");

    const struct
    {
        const char* attribute;
        const char* held;
    } brands[] = {{" BRAND_KIND=\"brand\"", "Brand"}, {" BRAND_KIND=\"\"", ""}, {"", ""}};
    for (const auto& b : brands) {
        writeConfig("AppConfig.en_US.xml", QByteArray("<AppConfig") + b.attribute + "/>");
        info->ReadInfos();
        EXPECT_EQ(info->GetInfoValue(FIXED_INFO_BRANDNAME).toString(), b.held) << b.attribute;
        EXPECT_TRUE(info->GetInfoValue(FIXED_INFO_BRANDNAME).isValid());
    }

    // A language change re-reads only the web addresses; a missing one becomes empty.
    writeConfig("AppConfig.de_DE.xml", "<AppConfig APPS_UPDATE_URL=\"de-up\" VERSION=\"9\" custom_key=\"de\"/>");
    ASSERT_TRUE(info->ReadURLInfos("de_DE"));
    EXPECT_EQ(info->GetInfoValue(FIXED_INFO_UPDATEURL).toString(), "de-up");
    EXPECT_TRUE(info->GetInfoValue(FIXED_INFO_ONLINE_HELP_URL).isValid());
    EXPECT_EQ(info->GetInfoValue(FIXED_INFO_ONLINE_HELP_URL).toString(), "");
    EXPECT_EQ(info->GetInfoValue("VERSION").toString(), "1.2.3");
    EXPECT_EQ(info->GetInfoValue("custom_key").toString(), "kept");
    EXPECT_FALSE(info->ReadURLInfos("fr_FR"));
    EXPECT_EQ(info->GetInfoValue(FIXED_INFO_UPDATEURL).toString(), "de-up");
    writeConfig("AppConfig.en_US.xml", "<AppConfig APPS_UPDATE_URL=\"en-up\"/>");
    ASSERT_TRUE(info->ReadURLInfos(""));
    EXPECT_EQ(info->GetInfoValue(FIXED_INFO_UPDATEURL).toString(), "en-up");

    // The last used language is read from, and defaulted into, the settings file.
    QString language;
    info->GetLastUsedLanguage(language);
    EXPECT_EQ(language, "en_US");
    EXPECT_EQ(QSettings(SettingsFile(), CPlistSettingsFormat::Format()).value("LastUseLanguage").toString(), "en_US");
}

TEST(SettingsChild, DISABLED_MissingProductInformation)
{
    App();
    GetQuentaException()->Clear();
    EXPECT_FALSE(CAppFixedInfo::GetInstance()->ReadInfos());
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_FILE_IO);
    EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), "Open appconfig.xml file Error!");
    EXPECT_FALSE(CAppFixedInfo::GetInstance()->GetInfoValue(FIXED_INFO_PRODUCTNAME).isValid());
    EXPECT_FALSE(CAppFixedInfo::GetInstance()->GetInfoValue(FIXED_INFO_BRANDNAME).isValid());
}

TEST(SettingsChild, DISABLED_ReadRulesAndDefaults)
{
    StartProgram();
    CAppVariableInfo* store = CAppVariableInfo::GetInstance();

    // First read decides, later fallbacks are ignored.
    EXPECT_EQ(store->GetInfoValue("NoDefaultKey", 5).toInt(), 5);
    EXPECT_EQ(store->GetInfoValue("NoDefaultKey", 7).toInt(), 5);
    EXPECT_FALSE(store->GetInfoValue("NullKey", QVariant()).isValid());
    EXPECT_FALSE(store->GetInfoValue("NullKey", 7).isValid());
    // A key with a default: a non-null fallback still wins on the first read.
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_OUTPUTFILEEXIST, 2).toInt(), 2);
    EXPECT_EQ(store->GetInfoDefaultValue(VARIABLE_INFO_OUTPUTFILEEXIST).toInt(), 1);
    // A null fallback takes the shipped default; an empty shipped text is a valid default.
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_DEFAULTBACKUP_DIR_NAME, QVariant()).toString(), "Backup");
    EXPECT_TRUE(store->GetInfoDefaultValue("EmptyShipped").isValid());
    EXPECT_FALSE(store->GetInfoDefaultValue("NotShipped").isValid());
    EXPECT_EQ(store->GetInfoDefaultValue(VARIABLE_INFO_LAST_LANGUAGE_NAME).toString(), "en_US");
    EXPECT_EQ(store->GetInfoDefaultValue(VARIABLE_INFO_URL_COLOR).toString(), "ffffff");

    // Hardware gate: only the software decoder, no hardware encoders.
    const struct
    {
        const char* key;
        QVariant value;
        bool accepted;
    } writes[] = {
        {VARIABLE_INFO_USECUDAENC, false, false},    {VARIABLE_INFO_USEAMDENC, true, false},
        {VARIABLE_INFO_H264DECODER_INDEX, 8, false}, {VARIABLE_INFO_H264DECODER_INDEX, 2, false},
        {VARIABLE_INFO_H264DECODER_INDEX, 4, true},  {"AnyKey", 1, true},
    };
    for (const auto& w : writes)
        EXPECT_EQ(store->SetInfoValue(w.key, w.value), w.accepted) << w.key;
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_H264DECODER_INDEX, 0).toInt(), 4);
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_USECUDAENC, QVariant()).toBool(), false);

    // Defaults that store further values or create their folder.
    const QString bin = QCoreApplication::applicationDirPath();
    EXPECT_EQ(store->GetInfoDefaultValue(VARIABLE_INFO_SKINS_STORE_PATH).toString(), bin + "/skins");
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_SKINS_STORE_PATH, "x").toString(), bin + "/skins");
    store->SetInfoValue(VARIABLE_INFO_CURSKIN_NAME, "other");
    EXPECT_EQ(store->GetInfoDefaultValue(VARIABLE_INFO_CURSKIN_PATH).toString(), bin + "/skins/default");
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_CURSKIN_NAME, "x").toString(), "default");

    const QString videos = Home() + "/Videos/fablecut";
    ASSERT_FALSE(QFileInfo::exists(videos));
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_OUTPUTPATH, QVariant()).toString(), videos);
    EXPECT_TRUE(QFileInfo(videos).isDir());
    EXPECT_EQ(store->GetInfoDefaultValue(VARIABLE_INFO_VIDEOLIB_PATHS).toStringList(), QStringList(videos));
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_VIDEOLIB_PATHS, "x").toStringList(), QStringList(videos));
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_SNAPSHOTSAVEPATH, QVariant()).toString(),
              Home() + "/Pictures/fablecut");
    EXPECT_TRUE(QFileInfo(Home() + "/Pictures/fablecut").isDir());
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_SAMPLEEXAMPLE_PATH, QVariant()).toString(), bin + "/sample");

    const QString log = store->GetAppLogPath();
    EXPECT_EQ(log, store->GetAppHomePath() + "/Log/fablecut.log");
    EXPECT_TRUE(QFileInfo(store->GetAppHomePath() + "/Log").isDir());
}

TEST(SettingsChild, DISABLED_SkinPathAndResets)
{
    StartProgram();
    CAppVariableInfo* store = CAppVariableInfo::GetInstance();
    const QString bin = QCoreApplication::applicationDirPath();
    QDir().mkpath(bin + "/skins/default");
    QDir().mkpath(bin + "/skins/dark");

    // Computed on every read, the fallback ignored.
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_CURSKIN_PATH, "ignored").toString(), bin + "/skins/default");
    QDir().mkpath(Home() + "/myskins/dark");
    store->SetInfoValue(VARIABLE_INFO_CURSKIN_PATH, Home() + "/myskins/dark");
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_CURSKIN_NAME, QVariant()).toString(), "dark");
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_CURSKIN_PATH, QVariant()).toString(), bin + "/skins/dark");
    store->SetInfoValue(VARIABLE_INFO_CURSKIN_NAME, "gone");
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_CURSKIN_PATH, QVariant()).toString(), bin + "/skins/default");

    // Reset: rules, shipped entries, and nothing for unknown keys.
    store->SetInfoValue(VARIABLE_INFO_OUTPUTFILEEXIST, 2);
    EXPECT_TRUE(store->Reset(VARIABLE_INFO_OUTPUTFILEEXIST));
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_OUTPUTFILEEXIST, 0).toInt(), 1);
    EXPECT_FALSE(store->Reset("NotShipped"));
    EXPECT_EQ(store->GetInfoValue("NotShipped", 3).toInt(), 3);
    EXPECT_FALSE(store->Reset(VARIABLE_INFO_SKINS_STORE_PATH)); // no shipped entry
    store->SetInfoValue(VARIABLE_INFO_CURSKIN_NAME, "dark");
    EXPECT_TRUE(store->Reset(VARIABLE_INFO_CURSKIN_PATH));
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_CURSKIN_NAME, QVariant()).toString(), "default");

    store->SetInfoValue(VARIABLE_INFO_LAST_LANGUAGE_NAME, "de_DE");
    store->SetInfoValue(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, 2);
    store->SetInfoValue(VARIABLE_INFO_CURSKIN_NAME, "dark");
    store->ResetAll();
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_LAST_LANGUAGE_NAME, QVariant()).toString(), "en_US");
    EXPECT_EQ(store->GetInfoValue(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, 4).toInt(), 2);
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_CURSKIN_NAME, QVariant()).toString(), "dark");
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_H264DECODER_INDEX, QVariant()).toInt(), 4);
}

// Phase one of the round trip: the file is prepared by hand, then values of
// every kind are set and saved at exit.
TEST(SettingsChild, DISABLED_RoundTripWrite)
{
    StartProgram();
    {
        QSettings file(SettingsFile(), CPlistSettingsFormat::Format());
        file.setValue(FIXED_INFO_INSTALL_PACKAGE_NAME, "original");
        file.setValue("Capital", "True");
        file.setValue(VARIABLE_INFO_H264DECODER_INDEX, 16);
        file.setValue(VARIABLE_INFO_USECUDAENC, "true");
    }
    CAppVariableInfo* store = CAppVariableInfo::GetInstance();
    EXPECT_EQ(store->GetInfoValue(FIXED_INFO_INSTALL_PACKAGE_NAME, QVariant()).toString(), "original");
    EXPECT_EQ(store->GetInfoValue("Capital", QVariant()).type(), QVariant::String);
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_H264DECODER_INDEX, QVariant()).toInt(), 4);
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_USECUDAENC, QVariant()), QVariant(false));

    store->SetInfoValue(FIXED_INFO_INSTALL_PACKAGE_NAME, "changed");
    store->SetInfoValue(STR_VARIABLECONFG_NAME_MAIN_WINDOW_MAXIMISE, true);
    store->SetInfoValue(STR_APPVARINFO_SHOW_OPEN_CAMWIZARD_MSGBOX, false);
    store->SetInfoValue(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, 3);
    store->SetInfoValue(STR_APPVARINFO_NAME_USE_CPU_CORE, -1);
    store->SetInfoValue(STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY, "12, 34 \"q\"");
    store->SetInfoValue(STR_APPVARINFO_YOUTUBE_ACCOUNT_INFO, "@at the start");
    store->SetInfoValue(VARIABLE_INFO_VIDEOLIB_PATHS, QStringList("/one, with comma"));
    store->SetInfoValue("TwoPaths", QStringList{"/a", "/b"});
    // Keys no table knows keep their types too.
    store->SetInfoValue("Other/Integer", 1);
    store->SetInfoValue("Other/Large", qlonglong(1) << 40);
    store->SetInfoValue("Other/Real", 2.5);
    store->SetInfoValue("Other/Date", QDateTime(QDate(2024, 2, 29), QTime(13, 5, 7), Qt::UTC));
    store->SetInfoValue("Other/Data", QByteArray("\x00\x01\xff", 3));
    store->SetInfoValue("Other/OnePath", QStringList("/only"));
    store->SetInfoValue("Other/NoPaths", QStringList());
    store->SetInfoValue("Other/Text", QString::fromUtf8("caf\xc3\xa9 <&> \"1\""));
    store->SetInfoValue("Other/Digits", QString("42"));
    EXPECT_TRUE(store->SyncOnExit());
    // A change after the explicit save still reaches the file at exit.
    store->SetInfoValue(STR_APPVARINFO_NAME_TIMELINEVIEW_SCALE_VALUE, 9);
}

TEST(SettingsChild, DISABLED_RoundTripRead)
{
    StartProgram();
    CAppVariableInfo* store = CAppVariableInfo::GetInstance();
    const struct
    {
        const char* key;
        QVariant expected;
    } cases[] = {
        {STR_VARIABLECONFG_NAME_MAIN_WINDOW_MAXIMISE, true},
        {STR_APPVARINFO_SHOW_OPEN_CAMWIZARD_MSGBOX, false},
        {STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, 3},
        {STR_APPVARINFO_NAME_USE_CPU_CORE, -1},
        {STR_APPVARINFO_NAME_TIMELINEVIEW_SCALE_VALUE, 9},
        {VARIABLE_INFO_H264DECODER_INDEX, 4},
        {STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY, QString("12, 34 \"q\"")},
        {STR_APPVARINFO_YOUTUBE_ACCOUNT_INFO, QString("@at the start")},
        {VARIABLE_INFO_VIDEOLIB_PATHS, QStringList("/one, with comma")},
        {"TwoPaths", QStringList{"/a", "/b"}},
        {"Capital", QString("True")},
        {FIXED_INFO_INSTALL_PACKAGE_NAME, QString("original")},
        {VARIABLE_INFO_USECUDAENC, false},
        {"Other/Integer", 1},
        {"Other/Large", qlonglong(1) << 40},
        {"Other/Real", 2.5},
        {"Other/Date", QDateTime(QDate(2024, 2, 29), QTime(13, 5, 7), Qt::UTC)},
        {"Other/Data", QByteArray("\x00\x01\xff", 3)},
        {"Other/OnePath", QStringList("/only")},
        {"Other/NoPaths", QStringList()},
        {"Other/Text", QString::fromUtf8("caf\xc3\xa9 <&> \"1\"")},
        {"Other/Digits", QString("42")},
    };
    for (const auto& c : cases) {
        const QVariant value = store->GetInfoValue(c.key, QVariant());
        EXPECT_EQ(value.type(), c.expected.type()) << c.key << " " << value.typeName();
        EXPECT_EQ(value, c.expected) << c.key << " " << value.toString().toStdString();
    }
}

TEST(SettingsChild, DISABLED_OlderIniFileIsConverted)
{
    StartProgram();
    CAppVariableInfo* store = CAppVariableInfo::GetInstance();
    const struct
    {
        const char* key;
        QVariant expected;
    } cases[] = {
        {STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, 3},
        {STR_VARIABLECONFG_NAME_MAIN_WINDOW_MAXIMISE, true},
        {VARIABLE_INFO_VIDEOLIB_PATHS, QStringList("/one")},
        {"TwoPaths", QStringList{"/a", "/b"}},
        {"Plain", QString("text, with comma")},
        {FIXED_INFO_INSTALL_PACKAGE_NAME, QString("kept")},
    };
    for (const auto& c : cases) {
        const QVariant value = store->GetInfoValue(c.key, QVariant());
        EXPECT_EQ(value.type(), c.expected.type()) << c.key << " " << value.typeName();
        EXPECT_EQ(value, c.expected) << c.key;
    }
    // Converted at load, before anything is saved.
    QFile file(SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QSettings::SettingsMap map;
    EXPECT_TRUE(CPlistSettingsFormat::ReadText(file.readAll(), map));
}

TEST(SettingsChild, DISABLED_SetAndExit)
{
    StartProgram();
    CAppVariableInfo::GetInstance()->SetInfoValue("Marker", "set");
}

TEST(SettingsChild, DISABLED_ColourDefaultAndExit)
{
    StartProgram();
    CAppVariableInfo* store = CAppVariableInfo::GetInstance();
    EXPECT_EQ(store->GetInfoDefaultValue(VARIABLE_INFO_URL_COLOR).toString(), "ffffff");
    EXPECT_EQ(store->GetInfoValue(VARIABLE_INFO_URL_COLOR, QVariant()).toString(), "ffffff");
}

TEST(SettingsChild, DISABLED_WriteFailureIsReported)
{
    StartProgram();
    CAppVariableInfo* store = CAppVariableInfo::GetInstance();
    // A folder where the file should be: the save cannot succeed.
    ASSERT_TRUE(QDir().mkpath(SettingsFile()));
    const QString logFile = Home() + "/settings.log";
    ASSERT_TRUE(GetQuentaLogger()->SetLogFile(logFile.toUtf8().constData(), false));
    GetQuentaLogger()->EnableLog(true);
    store->SetInfoValue("Marker", "set");
    GetQuentaException()->Clear();
    EXPECT_FALSE(store->SyncOnExit());
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_FILE_IO);
    EXPECT_NE(std::string(GetQuentaException()->GetExceptionMsg()).find("appsettings.plist"), std::string::npos);
    QFile log(logFile);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray lines = log.readAll();
    EXPECT_TRUE(lines.contains("[LV=ERROR]") && lines.contains("Write settings file error")) << lines.constData();
}

TEST(SettingsChild, DISABLED_UncreatableFolders)
{
    StartProgram();
    // Files where the Videos and Log folders belong.
    QFile(Home() + "/Videos").open(QIODevice::WriteOnly);
    QDir().mkpath(QFileInfo(SettingsFile()).path());
    QFile(QFileInfo(SettingsFile()).path() + "/Log").open(QIODevice::WriteOnly);
    CAppVariableInfo* store = CAppVariableInfo::GetInstance();

    GetQuentaException()->Clear();
    QVariant output;
    EXPECT_NO_THROW(output = store->GetInfoValue(VARIABLE_INFO_OUTPUTPATH, QVariant()));
    EXPECT_EQ(output.toString(), Home() + "/Videos/fablecut");
    EXPECT_NE(GetQuentaException()->GetExceptionCode(), 0);
    EXPECT_NO_THROW(store->GetInfoValue(VARIABLE_INFO_VIDEOLIB_PATHS, QVariant()));

    GetQuentaException()->Clear();
    EXPECT_EQ(store->GetAppLogPath(), store->GetAppHomePath() + "/Log/fablecut.log");
    EXPECT_NE(GetQuentaException()->GetExceptionCode(), 0);
}

TEST(SettingsChild, DISABLED_ShippedFiles)
{
    StartProgram();
    CAppFixedInfo* fixed = CAppFixedInfo::GetInstance();
    EXPECT_EQ(fixed->GetInfoValue(FIXED_INFO_PRODUCTNAME).toString(), "fablecut");
    const char* const productKeys[] = {
        FIXED_INFO_PRODUCTNAME,     FIXED_INFO_APP_IDENTIFIER, FIXED_INFO_BRANDNAME,    FIXED_INFO_PRODUCT_KIND,
        FIXED_INFO_BUILD_PLATFORM,  FIXED_INFO_PRODUCTCODE,    FIXED_INFO_APPVERSION,   FIXED_INFO_DEFAULT_LANGUAGE,
        FIXED_INFO_HOMEPAGEURL,     FIXED_INFO_UPDATEURL,      FIXED_INFO_SUPPORTEMAIL, FIXED_INFO_ORG_HOMEPAGE_URL,
        FIXED_INFO_ONLINE_HELP_URL, FIXED_INFO_ENCODER_URL,    FIXED_INFO_DECODER_URL,  FIXED_INFO_DVD_KNOWLEDGE_URL,
    };
    for (const char* key : productKeys)
        EXPECT_TRUE(fixed->GetInfoValue(key).isValid()) << key;
    EXPECT_FALSE(fixed->GetInfoValue(FIXED_INFO_PRODUCTCODE).toString().isEmpty());
    // The About box shows the version as major.minor.patch(build).
    EXPECT_EQ(fixed->GetInfoValue(FIXED_INFO_APPVERSION).toString().split('.').size(), 4);

    CAppVariableInfo* store = CAppVariableInfo::GetInstance();
    const struct
    {
        const char* key;
        int low;
        int high;
    } ranges[] = {
        {VARIABLE_INFO_OUTPUTFILEEXIST, 0, 2},
        {STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE, 0, 0},
        {STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, 4, 4},
        {STR_APPVARINFO_NAME_USE_CPU_CORE, 0, 0},
        {VARIABLE_INFO_SNAPSHOTWIDTH, 10, 1920},
        {VARIABLE_INFO_SNAPSHOTHEIGHT, 10, 1080},
        {STR_APPVARINFO_NAME_TIMELINEVIEW_SCALE_VALUE, 6, 6},
        {VARIABLE_INFO_H264DECODER_INDEX, 4, 4},
        {VARIABLE_INFO_MAINWINDOW_WIDTH, 1, 10000},
        {VARIABLE_INFO_MAINWINDOW_HEIGHT, 1, 10000},
    };
    for (const auto& r : ranges) {
        bool ok = false;
        const int value = store->GetInfoDefaultValue(r.key).toInt(&ok);
        EXPECT_TRUE(ok) << r.key;
        EXPECT_GE(value, r.low) << r.key;
        EXPECT_LE(value, r.high) << r.key;
    }
    const struct
    {
        const char* key;
        bool value;
    } flags[] = {
        {DEF_XML_BOOL_SYNC_EXIT, true},
        {VARIABLE_INFO_SNAPSHOTASORGSIZE, true},
        {STR_APPVARINFO_OPEN_CAMWIZARD_DLG, true},
        {STR_APPVARINFO_SHOW_OPEN_CAMWIZARD_MSGBOX, true},
        {STR_APPVARINFO_MSG_IMPORT_SUBDIR_OPTION, true},
        {STR_APPVARINFO_MSG_IMPORT_SUBDIR_RESULT, true},
        {STR_APPVARINFO_DELELETE_OUTPUTTASK_OPTION, true},
        {STR_APPVARINFO_DELELETE_OUTPUTTASK_RESULT, true},
        {STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY, true},
        {STR_VARIABLECONFG_NAME_MAIN_WINDOW_MAXIMISE, false},
    };
    for (const auto& f : flags) {
        EXPECT_TRUE(store->GetInfoDefaultValue(f.key).isValid()) << f.key;
        EXPECT_EQ(store->GetInfoDefaultValue(f.key).toBool(), f.value) << f.key;
    }
    const char* const texts[] = {
        DEF_XML_STR_SKIN_DIR_NAME,
        VARIABLE_INFO_CURSKIN_NAME,
        VARIABLE_INFO_IMAGE_DIR_NAME,
        VARIABLE_INFO_MEDIALIB_AUTO_SAVE_NAME,
        VARIABLE_INFO_MEDIALIB_FILE_FILTER,
        VARIABLE_INFO_DIR_IMPORT_NAME_FILTER,
        VARIABLE_INFO_SANPSHOT_SAVE_FILTER,
        VARIABLE_INFO_SAMPLEEXAMPLE_PATH,
        VARIABLE_INFO_DEFAULTBACKUP_DIR_NAME,
        STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY,
        STR_APPVARINFO_YOUTUBE_ACCOUNT_INFO,
    };
    for (const char* key : texts)
        EXPECT_TRUE(store->GetInfoDefaultValue(key).isValid()) << key;
    EXPECT_FALSE(store->GetInfoDefaultValue(VARIABLE_INFO_MEDIALIB_AUTO_SAVE_NAME).toString().isEmpty());
    EXPECT_TRUE(QRegExp("[0-9a-fA-F]{6}").exactMatch(store->GetInfoDefaultValue(VARIABLE_INFO_URL_COLOR).toString()));
}

// ----------------------------------------------------------------- parents

TEST(ProductInformation, ReadingRulesAndLanguageChange)
{
    auto box = StandardSandbox();
    box->Run("ProductInformation");
}

TEST(ProductInformation, MissingFileIsAnError)
{
    Sandbox box;
    box.Run("MissingProductInformation");
}

TEST(SettingsStore, FirstReadRulesHardwareGateAndDefaults)
{
    auto box = StandardSandbox();
    box->Run("ReadRulesAndDefaults");
    // Defaults read once are saved like set values.
    QSettings saved(box->SettingsFile(), CPlistSettingsFormat::Format());
    EXPECT_EQ(saved.value(VARIABLE_INFO_OUTPUTPATH).toString(), box->Root() + "/home/Videos/fablecut");
    EXPECT_EQ(saved.value("NoDefaultKey").toString(), "5");
}

TEST(SettingsStore, SkinPathAndResets)
{
    auto box = StandardSandbox();
    box->Run("SkinPathAndResets");
}

TEST(SettingsStore, EveryKindOfValueSurvivesTheFile)
{
    auto box = StandardSandbox();
    box->Run("RoundTripWrite");
    ASSERT_TRUE(QFileInfo::exists(box->SettingsFile()));
    EXPECT_EQ(QSettings(box->SettingsFile(), CPlistSettingsFormat::Format()).value("MainWindowMaximise").toString(),
              "true");
    box->Run("RoundTripRead");
}

TEST(SettingsStore, OlderIniFileIsReadOnceAndRewritten)
{
    auto box = StandardSandbox();
    QDir().mkpath(QFileInfo(box->SettingsFile()).path());
    {
        QSettings ini(box->SettingsFile(), QSettings::IniFormat);
        ini.setValue(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, "3");
        ini.setValue(STR_VARIABLECONFG_NAME_MAIN_WINDOW_MAXIMISE, "true");
        ini.setValue(VARIABLE_INFO_VIDEOLIB_PATHS, "/one");
        ini.setValue("TwoPaths", QStringList{"/a", "/b"});
        ini.setValue("Plain", "text, with comma");
        ini.setValue(FIXED_INFO_INSTALL_PACKAGE_NAME, "kept");
    }
    box->Run("OlderIniFileIsConverted");
    QSettings saved(box->SettingsFile(), CPlistSettingsFormat::Format());
    EXPECT_EQ(saved.status(), QSettings::NoError);
    EXPECT_EQ(saved.value(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT), QVariant(3));
    EXPECT_EQ(saved.value(FIXED_INFO_INSTALL_PACKAGE_NAME), QVariant("kept"));
}

TEST(SettingsStore, UnreadableSettingsFileIsSetAsideNotLost)
{
    auto box = StandardSandbox();
    QDir().mkpath(QFileInfo(box->SettingsFile()).path());
    const QByteArray broken = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Cut";
    {
        QFile file(box->SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(broken);
    }
    box->Run("SetAndExit");
    QFile aside(box->SettingsFile() + ".bad");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), broken);
    QSettings saved(box->SettingsFile(), CPlistSettingsFormat::Format());
    EXPECT_EQ(saved.status(), QSettings::NoError);
    EXPECT_EQ(saved.value("Marker").toString(), "set");
}

TEST(SettingsStore, ExitSyncFollowsTheShippedSwitch)
{
    const struct
    {
        const char* value; // null: attribute left out
        bool saved;
    } cases[] = {{"true", true}, {"1", true}, {"yes", true},   {"FALSE", false},
                 {"0", false},   {"", false}, {nullptr, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(absent)");
        Sandbox box;
        box.Write("AppConfig.en_US.xml", kAppConfig);
        box.Write("DefaultInfo.xml", c.value ? QByteArray("<DefaultInfo Exit_Bool_Sync=\"") + c.value + "\"/>"
                                             : QByteArray("<DefaultInfo/>"));
        box.Run("SetAndExit");
        EXPECT_EQ(QFileInfo::exists(box.SettingsFile()), c.saved);
    }
}

TEST(SettingsStore, LastDefaultInfoElementAndMissingColour)
{
    Sandbox box;
    box.Write("AppConfig.en_US.xml", kAppConfig);
    box.Write("DefaultInfo.xml", "<x><DefaultInfo Exit_Bool_Sync=\"false\" URLColor=\"123456\"/>"
                                 "<DefaultInfo Exit_Bool_Sync=\"true\"/></x>");
    box.Run("ColourDefaultAndExit");
    EXPECT_TRUE(QFileInfo::exists(box.SettingsFile()));
}

TEST(SettingsStore, ShippedFilesCarryEveryKey)
{
    Sandbox box;
    for (const char* name : {"AppConfig.en_US.xml", "DefaultInfo.xml"}) {
        QFile shipped(QString(FABLECUT_BIN_DIR) + "/" + name);
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly)) << name;
        box.Write(name, shipped.readAll());
    }
    box.Run("ShippedFiles");
}

TEST(SettingsStore, FailedSaveIsReported)
{
    auto box = StandardSandbox();
    box->Run("WriteFailureIsReported");
}

TEST(SettingsStore, UncreatableFoldersAreRecordedNotThrown)
{
    auto box = StandardSandbox();
    box->Run("UncreatableFolders");
}
