#include "WidgetTestApp.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "SandboxedChild.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "IAVConverter.h"
#include "IAVManager.h"
#include "dialogs/VDCPreferenceAccelerate.h"
#include "dialogs/VDCPreferenceConvert.h"
#include "dialogs/VDCPreferenceDlg.h"
#include "dialogs/VDCPreferenceGeneral.h"
#include "dialogs/VDCPreferenceOthers.h"
#include "dialogs/VDCPreferenceTivo.h"
#include "sysplatform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QTranslator>

#include <string>
#include <vector>

namespace {

QVariant setting(const char* key)
{
    return CAppVariableInfo::GetInstance()->GetInfoValue(QString::fromLatin1(key), QVariant());
}

void setSetting(const char* key, const QVariant& value)
{
    CAppVariableInfo::GetInstance()->SetInfoValue(QString::fromLatin1(key), value);
}

template <typename T> T* child(QWidget* w, const char* name)
{
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Records what the pages hand to the conversion engine; can be told to fail.
class RecordingConverter : public Moorland::IAVConverter
{
public:
    std::vector<std::string> calls;
    bool fail = false;

    int AddConvertTask(const char*, const char*, IProfile*, bool, const char*) override { return -1; }
    bool StartConvert() override { return false; }
    bool StopConvert(int) override { return false; }
    bool ResumeConvertTask(int) override { return false; }
    bool PauseConvertTask(int) override { return false; }
    bool RemoveConvertTask(int) override { return false; }
    bool StopAllConvertTasks() override { return false; }
    Moorland::ConvertTaskInfo2* GetConvertTaskInfo(int) override { return nullptr; }
    void SetMaxRunProgressCount(int n) override
    {
        if (fail)
            QB_THROW(QB_ERR_UNEXPECTED, "engine gone");
        calls.push_back("SetMaxRunProgressCount " + std::to_string(n));
    }
    void SetUseCPUCore(int n) override
    {
        if (fail)
            throw std::runtime_error("engine gone");
        calls.push_back("SetUseCPUCore " + std::to_string(n));
    }
    void Release() override {}
};

// Records the options the TiVo page hands to the media manager.
class RecordingManager : public Moorland::IAVManager
{
public:
    std::vector<std::pair<std::string, std::string>> options;

    void Release() override {}
    Moorland::IAVImporter* CreateImporterByName(const char*) override { return nullptr; }
    Moorland::IAVImporter* CreateImporter(const char*) override { return nullptr; }
    Moorland::IAVExporter* CreateExporterByName(const char*) override { return nullptr; }
    Moorland::IAVSource* CreateSourceFromAddress(const char*, const char*, int*, int*, int*,
                                                 Moorland::MovieInfo**) override
    {
        return nullptr;
    }
    Moorland::IVideoProcessor* CreateVideoProcessor(const char*) override { return nullptr; }
    Moorland::IAudioEffect* CreateAudioEffect(const char*) override { return nullptr; }
    bool ApplyConfigString(const char*) override { return false; }
    uint32_t GetImporterCount() override { return 0; }
    const Moorland::ImporterInfo* GetImporterInfoAt(uint32_t) override { return nullptr; }
    uint32_t GetExporterCount() override { return 0; }
    const char* GetExporterNameAt(uint32_t) override { return nullptr; }
    const char* GetOption(const char*) override { return nullptr; }
    const char* GetVersion() override { return ""; }
    bool CanImportFile(const char*) override { return false; }
    void SetMessageHandler(QuentaBased::IMessageHandler*) override {}
    Moorland::IAVSource* CreateSourceFromFile(const char*, int, int) override { return nullptr; }
    void SetOption(const char* name, const char* value) override { options.emplace_back(name, value); }
    bool GetProperty(const char*, char*, int*) override { return false; }
    Moorland::IAccurateTrimManager* CreateAccurateTrimManager(const char*) override { return nullptr; }
    Moorland::IDiscCreator* CreateDiscCreator(const char*) override { return nullptr; }
};

// A page that only notes when the dialog calls it.
class NotingPage : public VDCPreferencePageWidget
{
public:
    NotingPage(Function f, const QString& name, QStringList* log, QDialog* dlg) : m_log(log), m_dlg(dlg)
    {
        m_function = f;
        m_pageName = name;
    }
    void initPageInfo() override { m_log->append(QStringLiteral("init ") + m_pageName); }
    void accept() override
    {
        m_log->append(QStringLiteral("accept ") + m_pageName +
                      (m_dlg->isVisible() ? QStringLiteral(" visible") : QString()));
    }

private:
    QStringList* m_log;
    QDialog* m_dlg;
};

void clickOk(QDialog* d)
{
    child<QDialogButtonBox>(d, "btnBox")->button(QDialogButtonBox::Ok)->click();
}

void clickCancel(QDialog* d)
{
    child<QDialogButtonBox>(d, "btnBox")->button(QDialogButtonBox::Cancel)->click();
}

} // namespace

TEST(VDCPreferenceDlg, OpensOnTheFirstPageAndAcceptsPagesInOrderAfterHiding)
{
    VDCPreferenceDlg dlg;
    QStringList log;
    dlg.AddPage(new NotingPage(VDCPreferencePageWidget::General, QStringLiteral("A"), &log, &dlg));
    dlg.AddPage(new NotingPage(VDCPreferencePageWidget::Convert, QStringLiteral("B"), &log, &dlg));
    dlg.AddPage(new NotingPage(VDCPreferencePageWidget::Tivo, QStringLiteral("C"), &log, &dlg));
    auto* list = child<QListWidget>(&dlg, "lstPageNames");
    auto* stack = child<QStackedWidget>(&dlg, "stwPages");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("B"));
    EXPECT_EQ(list->item(1)->data(Qt::UserRole).toInt(), int(VDCPreferencePageWidget::Convert));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Preference"));

    list->setCurrentRow(2);
    EXPECT_EQ(stack->currentIndex(), 2);
    dlg.swithPageByFuction(VDCPreferencePageWidget::Others);
    EXPECT_EQ(stack->currentIndex(), 2) << "unknown function: the page stays";
    EXPECT_EQ(dlg.GetPageByFunc(VDCPreferencePageWidget::Others), nullptr);

    {
        ModalDriver driver([&](QDialog* d) {
            log.append(QStringLiteral("shown on ") + QString::number(stack->currentIndex()));
            clickOk(d);
        });
        EXPECT_EQ(dlg.exec(), int(QDialog::Accepted));
    }
    EXPECT_EQ(log, QStringList({"init A", "init B", "init C", "shown on 0", "accept A", "accept B", "accept C"}));

    log.clear();
    {
        ModalDriver driver([](QDialog* d) { clickCancel(d); });
        EXPECT_EQ(dlg.exec(), int(QDialog::Rejected));
    }
    EXPECT_EQ(log, QStringList({"init A", "init B", "init C"})) << "Cancel tells no page";
}

TEST(VDCPreferenceDlg, CancelThenReopenShowsTheStoredValues)
{
    setSetting(VARIABLE_INFO_OUTPUTFILEEXIST, 1);
    setSetting(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE, 1);
    VDCPreferenceDlg dlg;
    auto* general = new VDCPreferenceGeneral;
    dlg.AddPage(general);
    EXPECT_EQ(child<QListWidget>(&dlg, "lstPageNames")->item(0)->text(), QStringLiteral("General"));

    {
        ModalDriver driver([&](QDialog* d) {
            child<QRadioButton>(general, "rbtnSkip")->setChecked(true);
            child<QRadioButton>(general, "rbtnFrame")->setChecked(true);
            clickCancel(d);
        });
        dlg.exec();
    }
    EXPECT_EQ(setting(VARIABLE_INFO_OUTPUTFILEEXIST).toInt(), 1);

    bool overwriteShown = false;
    bool gopShown = false;
    {
        ModalDriver driver([&](QDialog* d) {
            overwriteShown = child<QRadioButton>(general, "rbtnOverwrite")->isChecked();
            gopShown = child<QRadioButton>(general, "rbtnGOP")->isChecked();
            child<QRadioButton>(general, "rbtnSkip")->setChecked(true);
            clickOk(d);
        });
        dlg.exec();
    }
    EXPECT_TRUE(overwriteShown);
    EXPECT_TRUE(gopShown);
    EXPECT_EQ(setting(VARIABLE_INFO_OUTPUTFILEEXIST).toInt(), 2);
    EXPECT_EQ(setting(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE).toInt(), 1);
}

TEST(VDCPreferenceGeneral, OutOfRangeValues)
{
    VDCPreferenceGeneral page;
    setSetting(VARIABLE_INFO_OUTPUTFILEEXIST, 7);
    setSetting(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE, 5);
    page.initPageInfo();
    EXPECT_TRUE(child<QRadioButton>(&page, "rbtnRename")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(&page, "rbtnFrame")->isChecked());
    EXPECT_EQ(setting(VARIABLE_INFO_OUTPUTFILEEXIST).toInt(), 0) << "corrected at once";
    EXPECT_EQ(setting(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE).toInt(), 5) << "left alone";
    page.accept();
    EXPECT_EQ(setting(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE).toInt(), 0);
}

TEST(VDCPreferenceConvert, StoredValuesAreCorrectedOnLoad)
{
    RecordingConverter engine;
    VDCPreferenceConvert page(&engine, nullptr, 8);
    auto* maxBox = child<QComboBox>(&page, "cbxMaxProcesses");
    auto* coreBox = child<QComboBox>(&page, "cbxCustomCores");
    EXPECT_EQ(coreBox->count(), 8);
    EXPECT_EQ(page.GetPageFution(), VDCPreferencePageWidget::Convert);

    struct Case
    {
        int storedMax;
        int shownMax;
        int storedMaxAfter;
        int storedCores;
        const char* button;
        int shownCores; // 0: the core list is disabled
        int storedCoresAfter;
    };
    const Case cases[] = {
        {9, 4, 4, -5, "rbtnAllCores", 0, 0},    {0, 4, 4, 64, "rbtnCustomCores", 8, 8},
        {2, 2, 2, -1, "rbtnLeastCores", 0, -1}, {4, 4, 4, 0, "rbtnAllCores", 0, 0},
        {1, 1, 1, 3, "rbtnCustomCores", 3, 3},
    };
    for (const Case& c : cases) {
        setSetting(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, c.storedMax);
        setSetting(STR_APPVARINFO_NAME_USE_CPU_CORE, c.storedCores);
        page.initPageInfo();
        EXPECT_EQ(maxBox->currentData().toInt(), c.shownMax) << c.storedMax;
        EXPECT_EQ(setting(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT).toInt(), c.storedMaxAfter);
        EXPECT_TRUE(child<QRadioButton>(&page, c.button)->isChecked()) << c.storedCores;
        EXPECT_EQ(coreBox->isEnabled(), c.shownCores != 0) << c.storedCores;
        if (c.shownCores) {
            EXPECT_EQ(coreBox->currentData().toInt(), c.shownCores);
        }
        EXPECT_EQ(setting(STR_APPVARINFO_NAME_USE_CPU_CORE).toInt(), c.storedCoresAfter);
    }
    EXPECT_TRUE(engine.calls.empty()) << "loading passes nothing to the engine";

    VDCPreferenceConvert systemCount(&engine);
    EXPECT_EQ(systemCount.processorCount(), QuentaBased::get_cpu_count());
    auto* cores = child<QComboBox>(&systemCount, "cbxCustomCores");
    ASSERT_EQ(cores->count(), systemCount.processorCount());
    EXPECT_EQ(cores->itemData(cores->count() - 1).toInt(), systemCount.processorCount());
}

TEST(VDCPreferenceConvert, AcceptStoresAndPassesToTheEngine)
{
    RecordingConverter engine;
    VDCPreferenceConvert page(&engine, nullptr, 8);
    setSetting(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT, 9);
    setSetting(STR_APPVARINFO_NAME_USE_CPU_CORE, 0);
    page.initPageInfo();

    struct Case
    {
        const char* button;
        int customCores;
        int stored;
        int passed;
    };
    const Case cases[] = {
        {"rbtnLeastCores", 0, -1, 1},
        {"rbtnAllCores", 0, 0, 8},
        {"rbtnCustomCores", 3, 3, 3},
    };
    for (const Case& c : cases) {
        engine.calls.clear();
        child<QRadioButton>(&page, c.button)->setChecked(true);
        if (c.customCores) {
            EXPECT_TRUE(child<QComboBox>(&page, "cbxCustomCores")->isEnabled());
            auto* box = child<QComboBox>(&page, "cbxCustomCores");
            box->setCurrentIndex(box->findData(c.customCores));
        } else {
            EXPECT_FALSE(child<QComboBox>(&page, "cbxCustomCores")->isEnabled());
        }
        page.accept();
        EXPECT_EQ(setting(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT).toInt(), 4);
        EXPECT_EQ(setting(STR_APPVARINFO_NAME_USE_CPU_CORE).toInt(), c.stored);
        EXPECT_EQ(engine.calls,
                  (std::vector<std::string>{"SetMaxRunProgressCount 4", "SetUseCPUCore " + std::to_string(c.passed)}));
    }
}

TEST(VDCPreferenceConvert, AFailingEngineStaysInsideTheDialog)
{
    RecordingConverter engine;
    engine.fail = true;
    VDCPreferenceDlg dlg;
    auto* convert = new VDCPreferenceConvert(&engine, nullptr, 4);
    auto* others = new VDCPreferenceOthers;
    dlg.AddPage(convert);
    dlg.AddPage(others);
    setSetting(STR_APPVARINFO_NAME_USE_CPU_CORE, 2);
    setSetting(STR_APPVARINFO_OPEN_CAMWIZARD_DLG, false);
    {
        ModalDriver driver([&](QDialog* d) {
            child<QRadioButton>(convert, "rbtnLeastCores")->setChecked(true);
            child<QCheckBox>(others, "cbShowWizard")->setChecked(true);
            clickOk(d);
        });
        EXPECT_EQ(dlg.exec(), int(QDialog::Accepted));
    }
    EXPECT_EQ(setting(STR_APPVARINFO_NAME_USE_CPU_CORE).toInt(), -1);
    EXPECT_TRUE(setting(STR_APPVARINFO_OPEN_CAMWIZARD_DLG).toBool()) << "later pages still store";
}

TEST(VDCPreferenceOthers, SnapshotSizesWithoutDefaultsAreClampedNeverZero)
{
    // Without a shipped default the first read gives 0; the store lives for
    // the whole process, so the 0 is stored here for every repetition.
    setSetting(VARIABLE_INFO_SNAPSHOTWIDTH, 0);
    setSetting(VARIABLE_INFO_SNAPSHOTHEIGHT, 0);
    VDCPreferenceOthers page;
    page.initPageInfo();
    EXPECT_EQ(setting(VARIABLE_INFO_SNAPSHOTWIDTH).toInt(), 10);
    EXPECT_EQ(setting(VARIABLE_INFO_SNAPSHOTHEIGHT).toInt(), 10);
    EXPECT_EQ(child<QSpinBox>(&page, "spnbxWidth")->value(), 10);

    struct Case
    {
        int storedW;
        int storedH;
        int w;
        int h;
    };
    const Case cases[] = {
        {5000, 5000, 1920, 1080},
        {-3, 9, 10, 10},
        {640, 480, 640, 480},
        {1920, 1080, 1920, 1080},
    };
    for (const Case& c : cases) {
        setSetting(VARIABLE_INFO_SNAPSHOTWIDTH, c.storedW);
        setSetting(VARIABLE_INFO_SNAPSHOTHEIGHT, c.storedH);
        page.initPageInfo();
        EXPECT_EQ(setting(VARIABLE_INFO_SNAPSHOTWIDTH).toInt(), c.w) << c.storedW;
        EXPECT_EQ(setting(VARIABLE_INFO_SNAPSHOTHEIGHT).toInt(), c.h) << c.storedH;
        EXPECT_EQ(child<QSpinBox>(&page, "spnbxWidth")->value(), c.w);
        EXPECT_EQ(child<QSpinBox>(&page, "spnbxHeight")->value(), c.h);
    }
}

TEST(VDCPreferenceOthers, OriginalSizeDisablesTheSizesAndAcceptStoresThemAnyway)
{
    VDCPreferenceOthers page;
    setSetting(VARIABLE_INFO_SNAPSHOTASORGSIZE, true);
    setSetting(VARIABLE_INFO_SNAPSHOTWIDTH, 800);
    setSetting(VARIABLE_INFO_SNAPSHOTHEIGHT, 600);
    page.initPageInfo();
    auto* width = child<QSpinBox>(&page, "spnbxWidth");
    EXPECT_FALSE(width->isEnabled());
    child<QCheckBox>(&page, "cbxOriginalSize")->setChecked(false);
    EXPECT_TRUE(width->isEnabled()) << "enabled before OK";
    child<QCheckBox>(&page, "cbxOriginalSize")->setChecked(true);
    width->setValue(720);
    page.accept();
    EXPECT_TRUE(setting(VARIABLE_INFO_SNAPSHOTASORGSIZE).toBool());
    EXPECT_EQ(setting(VARIABLE_INFO_SNAPSHOTWIDTH).toInt(), 720);
    EXPECT_EQ(setting(VARIABLE_INFO_SNAPSHOTHEIGHT).toInt(), 600);
}

TEST(VDCPreferenceOthers, ResetTurnsTheThreePromptsBackOnAtOnce)
{
    VDCPreferenceOthers page;
    for (const char* key : {STR_APPVARINFO_SHOW_OPEN_CAMWIZARD_MSGBOX, STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY,
                            STR_APPVARINFO_MSG_IMPORT_SUBDIR_OPTION, STR_APPVARINFO_DELELETE_OUTPUTTASK_OPTION})
        setSetting(key, false);
    setSetting(STR_APPVARINFO_MSG_IMPORT_SUBDIR_RESULT, false);

    QString shownText;
    {
        ModalDriver driver([&](QDialog* d) {
            shownText = child<QLabel>(d, "lblCaption")->text();
            d->accept();
        });
        child<QToolButton>(&page, "btnResetHint")->click();
        EXPECT_TRUE(driver.seen());
    }
    EXPECT_EQ(shownText, QStringLiteral("Reset succeeded!"));
    EXPECT_TRUE(setting(STR_APPVARINFO_SHOW_OPEN_CAMWIZARD_MSGBOX).toBool());
    EXPECT_TRUE(setting(STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY).toBool());
    EXPECT_TRUE(setting(STR_APPVARINFO_MSG_IMPORT_SUBDIR_OPTION).toBool());
    EXPECT_FALSE(setting(STR_APPVARINFO_DELELETE_OUTPUTTASK_OPTION).toBool());
    EXPECT_FALSE(setting(STR_APPVARINFO_MSG_IMPORT_SUBDIR_RESULT).toBool());
}

TEST(VDCPreferenceTivo, KeyIsStoredAndPassedExactlyAsTyped)
{
    RecordingManager manager;
    setSetting(STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY, QString());
    VDCPreferenceTivo page(&manager);
    page.initPageInfo();
    auto* edit = child<QLineEdit>(&page, "edtTivo");
    EXPECT_EQ(edit->text(), QString());
    EXPECT_TRUE(setting(STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY).toString().isEmpty());

    const QString keys[] = {QString(), QStringLiteral("  12 34  "), QString::fromUtf8("cl\xC3\xA9-\xE6\x97\xA5")};
    for (const QString& key : keys) {
        manager.options.clear();
        edit->setText(key);
        page.accept();
        EXPECT_EQ(setting(STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY).toString(), key);
        ASSERT_EQ(manager.options.size(), 1u);
        EXPECT_EQ(manager.options[0].first, "TiVoMediaAccessKey");
        EXPECT_EQ(manager.options[0].second, key.toUtf8().toStdString());
    }
}

TEST(VDCPreferenceAccelerate, UnusableHardwareAndUnknownDecoder)
{
    VDCPreferenceAccelerate page;
    setSetting(VARIABLE_INFO_H264DECODER_INDEX, 4);
    CAppVariableInfo::GetInstance()->GetInfoValue(QString::fromLatin1(VARIABLE_INFO_H264DECODER_INDEX), QVariant());
    page.initPageInfo();
    EXPECT_TRUE(child<QRadioButton>(&page, "rbtnSystemDec")->isChecked());
    // No CUDA or AMD encoding on this machine.
    EXPECT_FALSE(child<QCheckBox>(&page, "cbxCUDA")->isEnabled());
    EXPECT_FALSE(child<QToolButton>(&page, "btnCUDALogo")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(&page, "cbxAMDApp")->isEnabled());
    EXPECT_FALSE(child<QRadioButton>(&page, "rbtnCUDADec")->isEnabled());
    const bool cudaBefore = setting(VARIABLE_INFO_USECUDAENC).toBool();
    child<QCheckBox>(&page, "cbxCUDA")->setChecked(!cudaBefore);
    page.accept();
    EXPECT_EQ(setting(VARIABLE_INFO_USECUDAENC).toBool(), cudaBefore) << "refused by the store";
    EXPECT_EQ(setting(VARIABLE_INFO_H264DECODER_INDEX).toInt(), 4);
    EXPECT_TRUE(child<QLabel>(&page, "lblDecoderMore")->text().contains(QStringLiteral("Learn More...")));
    EXPECT_EQ(page.GetPageName(), QStringLiteral("Acceleration"));
}

namespace {

// A translator that answers a few source texts, whatever the context.
class TableTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        const QString key = QString::fromLatin1(context) + QLatin1Char('|') + QString::fromUtf8(source);
        static const QMap<QString, QString> table = {
            {"VDCPreferenceDlg|Preference", "Einstellungen"},
            {"VDCPreferenceGeneral|General", "Allgemein"},
            {"VDCPreferenceGeneral|Skip", "Weiter"},
            {"VDCPreferenceOthers|Others", "Sonstiges"},
            {"VDCPreferenceOthers|Reset", "Zur\u00fccksetzen"},
        };
        return table.value(key);
    }
    bool isEmpty() const override { return false; }
};

} // namespace

TEST(VDCPreferenceDlg, FollowsALanguageChange)
{
    VDCPreferenceDlg dlg;
    auto* general = new VDCPreferenceGeneral;
    auto* others = new VDCPreferenceOthers;
    dlg.AddPage(general);
    dlg.AddPage(others);

    TableTranslator translator;
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::processEvents();
    auto* list = child<QListWidget>(&dlg, "lstPageNames");
    const QString title = dlg.windowTitle();
    const QString first = list->item(0)->text();
    const QString second = list->item(1)->text();
    const QString skip = child<QRadioButton>(general, "rbtnSkip")->text();
    const QString reset = child<QToolButton>(others, "btnResetHint")->text();
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::processEvents();

    EXPECT_EQ(title, QStringLiteral("Einstellungen"));
    EXPECT_EQ(first, QStringLiteral("Allgemein"));
    EXPECT_EQ(second, QStringLiteral("Sonstiges"));
    EXPECT_EQ(skip, QStringLiteral("Weiter"));
    EXPECT_EQ(reset, QString::fromUtf8("Zur\xC3\xBC"
                                       "cksetzen"));
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("General")) << "and back again";
}

TEST(VDCPreferenceDlg, EveryPageNameAndPageShowsWholeWhenOpened)
{
    VDCPreferenceDlg dlg;
    RecordingConverter converter;
    dlg.AddPage(new VDCPreferenceGeneral);
    dlg.AddPage(new VDCPreferenceConvert(&converter, nullptr, 4));
    dlg.AddPage(new VDCPreferenceTivo(nullptr, nullptr));
    auto* others = new VDCPreferenceOthers;
    dlg.AddPage(others);
    dlg.AddPage(new VDCPreferenceAccelerate);
    auto* list = child<QListWidget>(&dlg, "lstPageNames");
    auto* hint = child<QLabel>(others, "lblResetHint");
    int nameRoom = 0;
    int nameWidth = 0;
    int hintRoom = 0;
    int hintNeed = 0;
    {
        ModalDriver driver([&](QDialog* d) {
            dlg.swithPageByFuction(VDCPreferencePageWidget::Others);
            QCoreApplication::processEvents();
            nameRoom = list->viewport()->width();
            nameWidth = list->sizeHintForColumn(0);
            hintRoom = hint->height();
            hintNeed = hint->heightForWidth(hint->width());
            clickCancel(d);
        });
        dlg.exec();
    }
    EXPECT_GE(nameRoom, nameWidth) << "the longest page name is not cut off";
    EXPECT_GE(hintRoom, hintNeed) << "the wrapped reset hint is not cut off";
}

// Run by LearnMoreLinksAreShownOnlyWithAnAddress beside product files that
// name the encoder page only.
TEST(VDCPreferenceAccelerateChild, DISABLED_OnlyTheLinkWithAnAddressIsShown)
{
    ASSERT_TRUE(CAppFixedInfo::GetInstance()->ReadInfos());
    VDCPreferenceAccelerate page;
    EXPECT_FALSE(child<QLabel>(&page, "lblEncoderMore")->isHidden());
    EXPECT_TRUE(child<QLabel>(&page, "lblEncoderMore")->text().contains(QStringLiteral("http://127.0.0.1/encoder")));
    EXPECT_TRUE(child<QLabel>(&page, "lblDecoderMore")->isHidden());
}

TEST(VDCPreferenceAccelerate, LearnMoreLinksAreShownOnlyWithAnAddressAndLogosReadWithoutASkin)
{
    // The test folder holds no product files: both addresses are empty.
    VDCPreferenceAccelerate page;
    EXPECT_TRUE(child<QLabel>(&page, "lblEncoderMore")->isHidden());
    EXPECT_TRUE(child<QLabel>(&page, "lblDecoderMore")->isHidden());
    for (const char* logo : {"btnCUDALogo", "btnAMDLogo"}) {
        auto* button = child<QToolButton>(&page, logo);
        EXPECT_TRUE(!button->icon().isNull() || !button->text().isEmpty()) << logo << " is a blank button";
    }

    bool passed = false;
    const QByteArray output = RunSandboxedCase(
        "OnlyTheLinkWithAnAddressIsShown",
        {{"AppConfig.en_US.xml", "<AppConfig APPS_PRODUCT_NAME=\"fablecut\" APP_IDENTIFIER=\"fablecut-org\"\n"
                                 "  ENCODER_HELP_URL=\"http://127.0.0.1/encoder\" DECODER_HELP_URL=\" \"/>\n"}},
        &passed);
    EXPECT_TRUE(passed) << output.constData();
}
