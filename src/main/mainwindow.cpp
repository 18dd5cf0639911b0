#include "mainwindow.h"

#include "keyfocusframe.h"

#include "ui_mainwindow.h"

#include "dialogs/AboutDialog.h"
#include "Basilvo.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "IAVConverter.h"
#include "IAVManager.h"
#include "QuentaLogger.h"
#include "dialogs/VDCPreferenceConvert.h"
#include "dialogs/VDCPreferenceDlg.h"
#include "dialogs/VDCPreferenceGeneral.h"
#include "dialogs/VDCPreferenceOthers.h"
#include "dialogs/VDCPreferenceTivo.h"
#include "dialogs/VRichMessageBox.h"
#include "CamcorderDectet/ccamdetectwatcher.h"
#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/csourcedata.h"
#include "sysplatform.h"
#include "sysutils_dir.h"
#include "sysutils_path.h"
#include "sysutils_string.h"
#include "CamcorderDectet/vcamcorderdialog.h"
#include "Preview/vdcmainplayer.h"
#include "ExportPage/vexportpage.h"
#include "ProjectData/vimportmedialibdialog.h"
#include "MainPages/vresourcelib.h"
#include "MainPages/vsourcerpage.h"
#include "MainPages/vsourceworkspace.h"
#include "SourcePage/vtimelineview.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

namespace Fablecut {

namespace {

const QSize kSmallestWindow(1024, 640);

const Qt::WindowFlags kFramelessWindowFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                                              Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                              Qt::WindowCloseButtonHint;

QSize DesktopSize()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry().size() : QSize(1024, 768);
}

} // namespace

MainWindow::MainWindow(IVantrel* platform, QWidget* parent) : QMainWindow(parent), m_platform(platform)
{
    m_fixedInfo = CAppFixedInfo::GetInstance();
    m_variableInfo = CAppVariableInfo::GetInstance();
    ui = new Ui::MainWindow;
    ui->setupUi(this);
    setUnifiedTitleAndToolBarOnMac(true);
    setContentsMargins(0, 0, 0, 0);
    // The smallest window in which the pages keep every text whole in each
    // language: below it the window stops shrinking instead of cutting them.
    setMinimumSize(kSmallestWindow);
    init();
    FitMinimumSize();
    setFocusPolicy(Qt::StrongFocus);
    setFocus(Qt::OtherFocusReason);
    new KeyFocusFrame(this);
}

MainWindow::~MainWindow()
{
    if (m_initialized)
        SaveMainWindowConfig();
    releaseRes();
    delete ui;
}

void MainWindow::failStartup(const QString& text)
{
    if (m_startupError.isEmpty())
        m_startupError = text;
}

void MainWindow::init()
{
    m_appDir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    GetQuentaLogger()->SetLogFile(m_variableInfo->GetAppLogPath().toUtf8().constData(), false);
    // A missing platform, media manager or engine ends start-up here: nothing
    // below may call through a null pointer.
    try {
        initPlatform();
    } catch (const CBaseException& e) {
        GetQuentaException()->Copy(const_cast<CBaseException*>(&e));
        failStartup(tr("The platform services could not be created (%1).").arg(QString::fromUtf8(e.GetExceptionMsg())));
    }
    if (!m_startupError.isEmpty())
        return;
    initMoorland();
    if (!m_avManager || !m_converter) {
        failStartup(tr("The media libraries could not be loaded: %1")
                        .arg(QString::fromUtf8(GetQuentaException()->GetExceptionMsg())));
        return;
    }
    initSourceData();
    initSourceMgr();
    initProjectMgr();
    initPreferenceDlg();
    initCamcorder();
    initSourcePage();
    initExportPage();
    initConnection();
    m_about = new AboutDialog(this, kFramelessWindowFlags);
    initMenus();
    initLanguage();
    initMainToolBar();
    if (m_language)
        m_language->AddLangItem(this);
    ReTranslate();
    updateSkin();
    LoadMainWindowConfig();
    ui->btnTest->hide();
    m_initialized = true;
}

void MainWindow::initPlatform()
{
    if (!m_platform)
        throw CBaseException(10021003, "Bad pointer", __LINE__, __FILE__);
    IProductConfig* config = m_platform->GetProductConfig();
    config->SetConfigCallBack(this);
    config->SetConfigItem(102, m_fixedInfo->GetInfoValue("APPS_PRODUCT_CODE"));
    config->SetConfigItem(104, m_fixedInfo->GetInfoValue("APPS_PRODUCT_NAME"));
    config->SetConfigItem(101, m_fixedInfo->GetInfoValue("BRAND_KIND"));
    config->SetConfigItem(106, m_fixedInfo->GetInfoValue("product_lang"));
    config->SetConfigItem(105, m_fixedInfo->GetInfoValue("VERSION"));
    config->SetConfigItem(107, QCoreApplication::applicationFilePath());
    config->SetConfigItem(108, m_fixedInfo->GetInfoValue("APPS_HOME_PAGE_URL"));
    config->SetConfigItem(109, m_fixedInfo->GetInfoValue("APPS_EMAIL_URL"));
    config->SetConfigItem(110, m_fixedInfo->GetInfoValue("APPS_UPDATE_URL"));
    if (!m_platform->Initialize(7)) {
        // Told once the splash screen is gone; the program then ends.
        failStartup(tr("Init Vantrel falsed."));
        return;
    }
    const QString skin = GetSkinPath();
    if (IProductSkin* skinMgr = m_platform->GetSkinManager()) {
        IProductWindows* windows = m_platform->GetPlatformWindows();
        const QStringList sheets{QStringLiteral("platformLabel.css")};
        skinMgr->SetWindowStyleSheets(sheets, windows ? windows->GetWindow(2) : nullptr);
        skinMgr->SetWindowStyleSheets(sheets, windows ? windows->GetWindow(1) : nullptr);
        skinMgr->SetSkinFolder(skin, QStringLiteral("%skinpath%"));
    }
    m_language = m_platform->GetLanguageProvider();
}

QString MainWindow::ApplyDecoderIndex(CAppVariableInfo* settings)
{
    const int index = settings->GetInfoValue("H264DecoderIndex", QVariant()).toInt();
    if (index == 4)
        return QStringLiteral("X264_DECODER");
    if (index == 2)
        return QStringLiteral("INTEL_DECODER");
    if (index == 1)
        return QStringLiteral("CUDA_DECODER");
    settings->SetInfoValue("H264DecoderIndex", 4);
    return QStringLiteral("X264_DECODER");
}

int MainWindow::ApplyMaxRunProgressCount(CAppVariableInfo* settings)
{
    bool ok = false;
    int count = settings->GetInfoValue("MaxRunProgressCount", 4).toInt(&ok);
    if (!ok || count < 1 || count > 4) {
        count = 4;
        settings->SetInfoValue("MaxRunProgressCount", 4);
    }
    return count;
}

int MainWindow::ApplyUseCPUCore(CAppVariableInfo* settings, int cpuCount)
{
    const int cores = settings->GetInfoValue("UseCPUCore", 0).toInt();
    if (cores < -1) {
        settings->SetInfoValue("UseCPUCore", 0);
        return cpuCount;
    }
    if (cores > cpuCount) {
        settings->SetInfoValue("UseCPUCore", cpuCount);
        return cpuCount;
    }
    if (cores == -1)
        return 1;
    if (cores == 0)
        return cpuCount;
    return cores;
}

void MainWindow::initMoorland()
{
    m_avManager = CreateAVManager(m_appDir.toUtf8().constData(), nullptr);
    if (!m_avManager)
        return;
    m_avManager->SetOption("FFmpegVersion", "0");
    m_avManager->SetOption("SELECTED_DECODER", "NO_SELECTED_DECODER");
    const int index = m_variableInfo->GetInfoValue("H264DecoderIndex", QVariant()).toInt();
    if (index == 4 || index == 2 || index == 1)
        m_avManager->SetOption("SELECTED_DECODER", ApplyDecoderIndex(m_variableInfo).toUtf8().constData());
    else
        resetH264Decoder();
    m_converter = CreateAVConverter(m_avManager);
    if (!m_converter)
        return;
    m_converter->SetMaxRunProgressCount(ApplyMaxRunProgressCount(m_variableInfo));
    m_converter->SetUseCPUCore(ApplyUseCPUCore(m_variableInfo, QuentaBased::get_cpu_count()));
    const QString key = m_variableInfo->GetInfoValue("TivoMediaAccessKey", QString()).toString();
    m_avManager->SetOption("TiVoMediaAccessKey", key.toUtf8().constData());
}

void MainWindow::resetH264Decoder()
{
    if (m_avManager)
        m_avManager->SetOption("SELECTED_DECODER", "X264_DECODER");
    m_variableInfo->SetInfoValue("H264DecoderIndex", 4);
}

void MainWindow::initSourceData()
{
    m_sourceData = new Fablecut::CSourceData;
}

void MainWindow::initSourceMgr()
{
    m_srcMgr = new CDCMediaSrcMgr(this, m_avManager);
    m_srcMgr->SetSourceStructure(m_sourceData);
    m_srcMgr->SetAVManager(m_avManager);
}

void MainWindow::initProjectMgr()
{
    m_projectMgr = new CMProjectMgr(this, m_avManager);
    m_projectMgr->SetAudioBlackBGFile(m_appDir + QDir::separator() +
                                      m_variableInfo->GetInfoDefaultValue("ImageDirName").toString() +
                                      QDir::separator() + "blackbg4x3.png");
    CDCMediaSrcMgr* library = m_srcMgr;
    m_projectMgr->SetItemQuery([library](const QString& path) { return library->slot_QueryItemByFullPath(path); });
}

void MainWindow::initPreferenceDlg()
{
    m_prefDlg = new VDCPreferenceDlg(this);
    m_prefDlg->AddPage(new VDCPreferenceGeneral(nullptr));
    m_prefDlg->AddPage(new VDCPreferenceConvert(m_converter, nullptr));
    m_prefDlg->AddPage(new VDCPreferenceTivo(m_avManager, nullptr));
    m_prefDlg->AddPage(new VDCPreferenceOthers(nullptr));
}

void MainWindow::initCamcorder()
{
    m_camWatcher = new CCamDetectWatcher(this);
    m_camDialog = new VCamcorderDialog(this, kFramelessWindowFlags);
    m_camDialog->SetAVManager(m_avManager);
    connect(m_camWatcher, &CCamDetectWatcher::signal_OnCamCorderConnect, m_camDialog,
            &VCamcorderDialog::slot_OnCamCorderConnect);
    connect(m_camWatcher, &CCamDetectWatcher::signal_OnCamCorderDisConnect, m_camDialog,
            &VCamcorderDialog::slot_OnCamCorderDisConnect);
    connect(m_camWatcher, &CCamDetectWatcher::signal_OnCamCorderConnect, this, &MainWindow::slot_OnCamCorderConnect);
    connect(m_camWatcher, &CCamDetectWatcher::signal_OnCamCorderDisConnect, this,
            &MainWindow::slot_OnCamCorderDisConnect);
    m_camWatcher->InstallConnectionCallBack();
}

QProgressDialog* MainWindow::makeProgressDialog()
{
    auto* dialog = new QProgressDialog(this);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowCloseButtonHint);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowOpacity(0.8);
    auto* label = new QLabel(this);
    label->setWordWrap(true);
    dialog->setLabel(label);
    // The bar counts files: k of n.
    auto* bar = new QProgressBar(dialog);
    bar->setFormat(QStringLiteral("%v / %m"));
    bar->setAlignment(Qt::AlignCenter);
    dialog->setBar(bar);
    dialog->setMinimumWidth(420);
    // Qt 5 shows a progress dialog by itself 4 s after it is made: it must
    // show only while its import or backup runs.
    dialog->reset();
    dialog->hide();
    return dialog;
}

void MainWindow::initSourcePage()
{
    m_importDlg = makeProgressDialog();
    m_importDlg->setObjectName("importProgressDialog");
    ui->pgSource->SetImportDialog(m_importDlg);
    m_backupDlg = makeProgressDialog();
    m_backupDlg->setObjectName("backupProgressDialog");
    ui->pgSource->SetBackupProgressDlg(m_backupDlg);
    ui->pgSource->GetSourceWorkSpace()->setSourceData(m_sourceData);
    ui->pgSource->SetAVManager(m_avManager);
    ui->pgSource->SetCamcorderDlg(m_camDialog);
    connect(ui->pgSource, &VSourcerPage::signal_TimeLineItemChildCountIsZero, this,
            &MainWindow::slot_TimeLineItemChildCountIsZero);
    ui->pgSource->setProjectMgr(m_projectMgr);
    installEventFilter(ui->pgSource->GetMainPlayer());
    ui->btnSourcePage->setChecked(true);
}

void MainWindow::initExportPage()
{
    ui->pgExport->SetAVManager(m_avManager);
    ui->pgExport->SetAVConverter(m_converter);
    ui->pgExport->setTimeLineItem(ui->pgSource->GetTimeLineView()->getTimeLineItem());
    ui->pgExport->initProfileNodeMgr();
    ui->pgExport->initProfileSettingPage();
    ui->pgExport->initConnection();
}

void MainWindow::initConnection()
{
    VSourcerPage* page = ui->pgSource;
    VResourceLib* lib = page->GetSourceWorkSpace()->GetResourceLib();
    connect(page, &VSourcerPage::signal_MediasLib_importSelected, m_srcMgr, &CDCMediaSrcMgr::slot_ImportMediaFiles);
    connect(page, &VSourcerPage::signal_canceledImportSource, m_srcMgr, &CDCMediaSrcMgr::slot_CancelImport);
    connect(page, &VSourcerPage::signal_MeidasSource_RenameFinished, m_srcMgr,
            QOverload<QString, QString>::of(&CDCMediaSrcMgr::slot_RenameSourceDataItem));
    connect(page, &VSourcerPage::signal_MediasLib_DelSelected, m_srcMgr, &CDCMediaSrcMgr::slot_RemoveSourceDataItem);
    // The window hands exports on itself, so that a refused or failed export
    // is reported.
    connect(page, &VSourcerPage::signal_MediasLib_exportLibrary, this, &MainWindow::slot_ExportMediaLibrary);
    connect(page, &VSourcerPage::signal_MediasLib_importLibrary, this, &MainWindow::slot_LoadMediaSourcefromFile);
    connect(this, &MainWindow::signal_showCamcorderWizard, page, &VSourcerPage::slot_showCamcorderWizard);
    connect(this, &MainWindow::signal_CamcorderDisconnected, page, &VSourcerPage::slot_CamcorderDisconnected);
    connect(this, &MainWindow::signal_ImportMeidaFiles, lib, &VResourceLib::slot_importSelectedMediaSource);
    connect(this, &MainWindow::signal_ImportMediaFloder, lib, &VResourceLib::slot_MediasLib_importFolder);
    connect(this, &MainWindow::signal_importSourceLibFinished, page, &VSourcerPage::signal_importSourceLibFinished);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_InitImporterFailed, page, &VSourcerPage::slot_InitImporterFailed);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_BeforeImportSingleFile, page, &VSourcerPage::slot_BeforeImportSingleFile);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_OnSingleFileImportFinished, page,
            &VSourcerPage::slot_OnSingleFileImportFinished);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_OnSingleFileImportFailed, page,
            &VSourcerPage::slot_OnSingleFileImportFailed);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_OnAllFilesImportFinished, page,
            &VSourcerPage::slot_OnAllFilesImportFinished);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_OnAllFilesImportFinished, m_projectMgr,
            &CMProjectMgr::slot_OnAllFilesImportFinished);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_OnImportCancelled, page, &VSourcerPage::slot_OnImportCancelled);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_OnImportCancelled, m_projectMgr, &CMProjectMgr::slot_OnImportCancelled);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_LoadMediaSrcFileFinished, this,
            &MainWindow::slot_LoadMediaSrcFileFinished);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_LoadMediaSrcFileFailed, this, &MainWindow::slot_LoadMediaSrcFileFailed);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_InitSerializerFailed, this, &MainWindow::slot_InitSerializerFailed);
    connect(m_srcMgr, &CDCMediaSrcMgr::signal_SaveMediaSrcFileFinished, this,
            &MainWindow::slot_SaveMediaSrcFileFinished);
    connect(m_projectMgr, &CMProjectMgr::signal_ImportFilesQuery, page, &VSourcerPage::slot_MediasLib_importSelected);
}

void MainWindow::initActions()
{
    m_actImportFiles = new QAction(this);
    m_actImportFolder = new QAction(this);
    m_actExit = new QAction(this);
    m_actPreferences = new QAction(this);
    m_actHelp = new QAction(this);
    m_actHelp->setShortcut(QKeySequence::HelpContents);
    m_actShortcuts = new QAction(this);
    m_actUpdate = new QAction(this);
    m_actAbout = new QAction(this);
    m_actImportFiles->setObjectName("actImportFiles");
    m_actImportFolder->setObjectName("actImportFolder");
    connect(m_actImportFiles, &QAction::triggered, this, &MainWindow::signal_ImportMeidaFiles);
    connect(m_actImportFolder, &QAction::triggered, this, &MainWindow::signal_ImportMediaFloder);
    connect(m_actExit, &QAction::triggered, this, &QWidget::close);
    connect(m_actPreferences, &QAction::triggered, m_prefDlg, &VDCPreferenceDlg::exec);
    connect(m_actHelp, &QAction::triggered, this, &MainWindow::slot_OpenHelpPage);
    connect(m_actShortcuts, &QAction::triggered, this, &MainWindow::slot_OpenShotcutHelp);
    connect(m_actUpdate, &QAction::triggered, this, &MainWindow::slot_execUpdate);
    connect(m_actAbout, &QAction::triggered, m_about, &QWidget::show);
}

void MainWindow::initMenus()
{
    initActions();
    m_menuFile = new QMenu(this);
    m_menuTools = new QMenu(this);
    m_menuLanguage = new QMenu(this);
    m_menuHelp = new QMenu(this);
    m_menuFile->setWindowOpacity(0.75);
    m_menuLanguage->setWindowOpacity(0.75);
    m_menuHelp->setWindowOpacity(0.75);
    m_menuFile->addAction(m_actImportFiles);
    m_menuFile->addAction(m_actImportFolder);
    m_menuFile->addSeparator();
    m_menuFile->addAction(m_actExit);
    m_menuTools->addAction(m_actPreferences);
    m_menuTools->addMenu(m_menuLanguage);
    m_menuHelp->addAction(m_actHelp);
    m_menuHelp->addSeparator();
    m_menuHelp->addAction(m_actUpdate);
    m_menuHelp->addAction(m_actAbout);
    menuBar()->addMenu(m_menuFile);
    menuBar()->addMenu(m_menuTools);
    menuBar()->addMenu(m_menuHelp);
}

void MainWindow::initLanguage()
{
    m_langGroup = new QActionGroup(this);
    connect(m_langGroup, &QActionGroup::triggered, this, &MainWindow::slot_switchLanguage);
    if (!m_language)
        return;
    m_language->AddLangItem(this);
    const QStringList codes = m_language->GetLanguageCodes();
    const QString stored = m_variableInfo->GetInfoValue("LastUseLanguage", QVariant()).toString();
    const QStringList names = m_language->GetLanguageNames();
    // Only indexes both lists hold get an entry.
    for (int i = 0; i < names.size() && i < codes.size(); ++i) {
        auto* action = new QAction(names[i], this);
        action->setCheckable(true);
        action->setData(codes[i]);
        m_menuLanguage->addAction(action);
        m_langGroup->addAction(action);
        if (codes[i] == stored) {
            action->setChecked(true);
            m_language->SetLanguage(codes[i]);
        }
    }
}

void MainWindow::initMainToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setMovable(false);
    m_toolBar->addWidget(ui->frmSwitchBtns);
    ui->frmSwitchBtns->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addToolBar(m_toolBar);
}

void MainWindow::FitMinimumSize()
{
    setMinimumSize(QSize(std::max(kSmallestWindow.width(), ui->pgExport->SmallestWidth()), kSmallestWindow.height()));
}

void MainWindow::ReTranslate()
{
    ui->retranslateUi(this);
    // The pages retranslate on the same change; their new smallest sizes are
    // known once they have.
    if (m_initialized)
        QTimer::singleShot(0, this, &MainWindow::FitMinimumSize);
    if (m_menuFile) {
        m_menuFile->setTitle(tr("&File", "文件"));
        m_menuTools->setTitle(tr("&Tools", "工具"));
        m_menuHelp->setTitle(QStringLiteral("&Help"));
        m_menuLanguage->setTitle(tr("&Language", "语言"));
        m_actImportFiles->setText(tr("&Import Media Files", "导入媒体文件"));
        m_actImportFolder->setText(tr("Import a Media &Floder", "导入媒体文件夹"));
        m_actExit->setText(tr("E&xit", "退出"));
        m_actPreferences->setText(QStringLiteral("&Preference"));
        m_actHelp->setText(QStringLiteral("&Help"));
        m_actShortcuts->setText(tr("&Keyboard Shortcuts", "键盘快捷键"));
        m_actUpdate->setText(tr("&Update", "升级"));
        m_actAbout->setText(QStringLiteral("&About"));
    }
    if (m_importDlg)
        m_importDlg->setCancelButtonText(tr("Cancel"));
    if (m_backupDlg)
        m_backupDlg->setCancelButtonText(tr("Cancel"));
}

void MainWindow::slot_switchLanguage(QAction* pAction)
{
    const QString code = pAction->data().toString();
    m_fixedInfo->ReadURLInfos(code);
    updatePlatformInfo();
    if (m_language)
        m_language->SetLanguage(code);
    m_variableInfo->SetInfoValue("LastUseLanguage", code);
}

void MainWindow::updatePlatformInfo()
{
    if (!m_platform)
        return;
    IProductConfig* config = m_platform->GetProductConfig();
    config->SetConfigItem(108, m_fixedInfo->GetInfoValue("APPS_HOME_PAGE_URL"));
    config->SetConfigItem(109, m_fixedInfo->GetInfoValue("APPS_EMAIL_URL"));
    config->SetConfigItem(110, m_fixedInfo->GetInfoValue("APPS_UPDATE_URL"));
}

// ---- Skin ----

QString MainWindow::GetSkinPath()
{
    QString path = QDir::toNativeSeparators(m_variableInfo->GetInfoValue("CurSkinPath", QVariant()).toString());
    if (path.isEmpty() || !QuentaBased::dir_exists(path.toUtf8().constData())) {
        QString store = QDir::toNativeSeparators(m_variableInfo->GetInfoValue("SkinsStorePath", QVariant()).toString());
        if (!QuentaBased::dir_exists(store.toUtf8().constData())) {
            store = QCoreApplication::applicationDirPath();
            if (store.isEmpty())
                store = QDir::toNativeSeparators(
                    QString::fromUtf8(QuentaBased::extract_file_path(QuentaBased::get_executable_path()).c_str()));
        }
        path = store + QDir::separator() + m_variableInfo->GetInfoDefaultValue("CurSkinName").toString();
    }
    return QDir::fromNativeSeparators(path);
}

void MainWindow::updateSkin()
{
    const QString folder = GetSkinPath();
    // The empty main player shows the skin's start picture.
    ui->pgSource->GetMainPlayer()->SetSkinPath(folder);
    const QString file = QDir::toNativeSeparators(folder + QDir::separator() + "skin.css");
    if (!QFile::exists(file))
        return;
    QFile css(file);
    css.open(QIODevice::ReadOnly);
    QString text = QString::fromLatin1(css.readAll());
    text.replace(QStringLiteral("%skinpath%"), folder, Qt::CaseInsensitive);
    qApp->setStyleSheet(text);
    if (m_platform) {
        if (IProductSkin* skin = m_platform->GetSkinManager())
            skin->Refresh();
    }
}

// ---- Layout ----

QPoint MainWindow::PlacedPosition(int x, int y, QSize window, QSize desktop, QSize defaults)
{
    if (x >= desktop.width() || x <= -window.width())
        x = (desktop.width() - defaults.width()) / 2;
    if (y >= desktop.height() || y <= -window.height())
        y = (desktop.height() - defaults.height()) / 2;
    return QPoint(x, y);
}

void MainWindow::SaveMainWindowConfig()
{
    if (isMaximized()) {
        m_variableInfo->SetInfoValue("MainWindowMaximise", true);
        return;
    }
    const int dw = m_variableInfo->GetInfoDefaultValue("MainWindowWidth").toInt();
    const int dh = m_variableInfo->GetInfoDefaultValue("MainWindowHeight").toInt();
    m_variableInfo->SetInfoValue("MainWindowPosX", x());
    m_variableInfo->SetInfoValue("MainWindowPosY", y());
    m_variableInfo->SetInfoValue("MainWindowMaximise", false);
    m_variableInfo->SetInfoValue("MainWindowWidth", qMax(width(), dw));
    m_variableInfo->SetInfoValue("MainWindowHeight", qMax(height(), dh));
}

void MainWindow::LoadMainWindowConfig()
{
    // A window that opens maximised first gets the size and place saved before
    // it was maximised (or the defaults): un-maximising goes back to them.
    const bool maximised = m_variableInfo->GetInfoValue("MainWindowMaximise", false).toBool();
    const int dw = m_variableInfo->GetInfoDefaultValue("MainWindowWidth").toInt();
    const int dh = m_variableInfo->GetInfoDefaultValue("MainWindowHeight").toInt();
    const int w = m_variableInfo->GetInfoValue("MainWindowWidth", QVariant()).toInt();
    const int h = m_variableInfo->GetInfoValue("MainWindowHeight", QVariant()).toInt();
    resize(qMax(w, dw), qMax(h, dh));
    const QSize desktop = DesktopSize();
    const int x = m_variableInfo->GetInfoValue("MainWindowPosX", (desktop.width() - dw) / 2).toInt();
    const int y = m_variableInfo->GetInfoValue("MainWindowPosY", (desktop.height() - dh) / 2).toInt();
    move(PlacedPosition(x, y, size(), desktop, QSize(dw, dh)));
    if (maximised)
        showMaximized();
}

// ---- Run and the library reload ----

void MainWindow::runLoadDialog()
{
    m_loadDlg->exec();
}

void MainWindow::closeLoadDialog()
{
    if (!m_loadDlg)
        return;
    VImportMediaLibDialog* dialog = m_loadDlg;
    m_loadDlg = nullptr;
    dialog->accept();
    dialog->deleteLater();
}

void MainWindow::run()
{
    if (!m_initialized)
        return;
    m_loadDlg = new VImportMediaLibDialog(this);
    show();
    activateWindow();
    m_requesting = true;
    m_requestRefused = false;
    m_srcMgr->slot_LoadMediaSourceFromDefaultFile();
    m_requesting = false;
    if (m_loadDlg && !m_requestRefused)
        runLoadDialog();
    m_ready = true;
    showCamcorderDialogAfterInit();
    activateWindow();
}

void MainWindow::slot_LoadMediaSourcefromFile(QString path)
{
    if (m_loadDlg)
        return; // one load at a time; the running one has its dialog
    m_requesting = true;
    m_requestRefused = false;
    const bool started = m_srcMgr->LoadMediaSourcefromFile(path);
    m_requesting = false;
    if (!started || m_requestRefused) {
        // The refusal's failure signal arrives later and finds no dialog.
        ExecPromptMessageBox(tr("The media library is busy loading or saving. Please import the library list "
                                "again in a moment."),
                             QDialogButtonBox::Ok, QMessageBox::Warning);
        return;
    }
    m_loadDlg = new VImportMediaLibDialog(this);
    runLoadDialog();
}

void MainWindow::slot_InitSerializerFailed()
{
    if (m_requesting)
        m_requestRefused = true;
}

void MainWindow::slot_ExportMediaLibrary(QString path)
{
    m_requesting = true;
    m_requestRefused = false;
    const bool started = m_srcMgr->SaveMediaSourcetoFile(path);
    m_requesting = false;
    if (!started || m_requestRefused) {
        ExecPromptMessageBox(tr("The media library is busy loading or saving. Please export it again in a moment."),
                             QDialogButtonBox::Ok, QMessageBox::Warning);
        return;
    }
    m_exportPath = path;
}

void MainWindow::slot_SaveMediaSrcFileFinished(bool bSucceed)
{
    if (m_exportPath.isEmpty() || m_srcMgr->GetFinishedLibraryFile() != m_exportPath)
        return;
    const QString path = m_exportPath;
    m_exportPath.clear();
    if (!bSucceed)
        ExecPromptMessageBox(
            tr("The media library could not be written to \"%1\".").arg(QDir::toNativeSeparators(path)),
            QDialogButtonBox::Ok, QMessageBox::Warning);
}

QString MainWindow::ReloadFailureText(const QStringList& failed)
{
    QString list;
    for (int i = 0; i < failed.size(); ++i)
        list += QStringLiteral("<br>") + QString::number(i + 1) + '.' + failed[i].toHtmlEscaped();
    return tr("The following %1 meida sources  load failed:%2").arg(QString::number(failed.size()), list);
}

void MainWindow::slot_LoadMediaSrcFileFinished(QStringList vFailedFiles)
{
    emit signal_importSourceLibFinished();
    closeLoadDialog();
    if (vFailedFiles.isEmpty())
        return;
    VRichMessageBox box(this, QDialogButtonBox::Ok, QMessageBox::Warning,
                        VRichMessageBox::ShowCaption | VRichMessageBox::ShowRichText | VRichMessageBox::ShowCheckBox);
    box.setObjectName("importErrMessageBox");
    box.setIcon(QMessageBox::NoIcon);
    box.setControlElements(VRichMessageBox::ShowRichText);
    box.SetMsgBoxWidth(460);
    box.SetMsgBoxHeight(230);
    box.SetRichText(ReloadFailureText(vFailedFiles));
    box.exec();
}

void MainWindow::slot_LoadMediaSrcFileFailed()
{
    closeLoadDialog();
}

void MainWindow::slot_TimeLineItemChildCountIsZero(bool)
{
    ui->pgExport->updateOutputResListWidget();
}

void MainWindow::askCamcorderWizard()
{
    const QString text = tr("Camcorder is connected. Are you ready to launch wizard now?\n\nIf you do not want to "
                            "launch wizard when camcorder is connected,please open Preferences dialog and select "
                            "\"Others\", uncheck the \"Launch wizard when camcorder is connected\" checkbox.");
    if (ExecVarAttrConfirmMessageBox("OpenCamWizardDlg", "ShowOpenCamWizardMsgBox", text, QDialogButtonBox::Yes,
                                     QDialogButtonBox::No, QMessageBox::Question, QDialogButtonBox::NoButton))
        emit signal_showCamcorderWizard();
}

void MainWindow::showCamcorderDialogAfterInit()
{
    IDetector* detector = m_camWatcher ? m_camWatcher->GetDetector() : nullptr;
    if (!detector || detector->getCamCorderCount() == 0)
        return;
    askCamcorderWizard();
}

void MainWindow::slot_OnCamCorderConnect(const CCamcorderInfo*)
{
    if (!m_ready || (m_prefDlg && m_prefDlg->isVisible()) || (m_camDialog && m_camDialog->isVisible()))
        return;
    // The question is a modal box: it is asked once the notice has been handled.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!(m_prefDlg && m_prefDlg->isVisible()) && !(m_camDialog && m_camDialog->isVisible()))
                askCamcorderWizard();
        },
        Qt::QueuedConnection);
}

void MainWindow::slot_OnCamCorderDisConnect(QString sRootPath)
{
    if (m_camDialog && m_camDialog->isVisible())
        return;
    emit signal_CamcorderDisconnected(sRootPath);
    ExecPromptMessageBox(tr("The camcorder is disconnected!"), QDialogButtonBox::Ok, QMessageBox::Warning);
}

// ---- Pages, help, update ----

void MainWindow::on_btnSourcePage_toggled(bool checked)
{
    if (checked)
        ui->stackedWidget->setCurrentWidget(ui->pgSource);
}

void MainWindow::on_btnExportPage_toggled(bool checked)
{
    if (!checked)
        return;
    ui->stackedWidget->setCurrentWidget(ui->pgExport);
    VDCMainPlayer* player = ui->pgSource->GetMainPlayer();
    if (player && player->GetSourceItem())
        player->Pause();
}

void MainWindow::on_btnTest_clicked()
{
    updateSkin();
}

void MainWindow::slot_OpenHelpPage()
{
    QDesktopServices::openUrl(QUrl(m_fixedInfo->GetInfoValue("APPS_HELP_URL").toString()));
}

void MainWindow::slot_OpenShotcutHelp()
{
    const QString code = m_language ? m_language->GetCurLanguage() : QString();
    const QString name = "shortcuts_" + code + ".htm";
    const std::string folder =
        QuentaBased::include_path_backslash(QuentaBased::extract_file_path(QuentaBased::get_executable_path()).c_str());
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromUtf8(folder.c_str()) + name));
}

void MainWindow::slot_execUpdate()
{
    if (!m_platform)
        return;
    if (IProductUpdate* updater = m_platform->GetUpdater())
        updater->CheckUpdate(0, 0);
}

// ---- Closing ----

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (ui->pgExport->getOutputTaskCount() < 1) {
        event->accept();
        return;
    }
    VRichMessageBox box(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel, QMessageBox::Question,
                        VRichMessageBox::ShowCaption);
    box.SetCaption(tr("Some output tasks are still running, are you sure you want to quit?"));
    if (box.exec() == 0)
        event->ignore();
    else
        event->accept();
}

void MainWindow::QuitApp(IProductConfig::ProductQuitReason)
{
    QTimer::singleShot(10, this, &QWidget::close);
    QTimer::singleShot(100, qApp, &QCoreApplication::quit);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::releaseRes()
{
    if (m_platform) {
        m_platform->Release();
        m_platform = nullptr;
        m_language = nullptr;
    }
    delete ui->pgExport;
    ui->pgExport = nullptr;
    delete ui->pgSource;
    ui->pgSource = nullptr;
    delete m_backupDlg;
    m_backupDlg = nullptr;
    delete m_importDlg;
    m_importDlg = nullptr;
    delete m_camDialog;
    m_camDialog = nullptr;
    delete m_camWatcher;
    m_camWatcher = nullptr;
    delete m_prefDlg;
    m_prefDlg = nullptr;
    // The project manager asks the library manager for items: not any more.
    if (m_projectMgr)
        m_projectMgr->SetItemQuery(nullptr);
    delete m_srcMgr;
    m_srcMgr = nullptr;
    delete m_projectMgr;
    m_projectMgr = nullptr;
    delete m_sourceData;
    m_sourceData = nullptr;
    if (m_converter) {
        m_converter->Release();
        m_converter = nullptr;
    }
    if (m_avManager) {
        m_avManager->Release();
        m_avManager = nullptr;
    }
}

} // namespace Fablecut
