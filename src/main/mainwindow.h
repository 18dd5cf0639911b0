#pragma once

// The program's one top-level window and the owner of every long-lived object
// of the GUI program: the media manager, the conversion engine, the platform
// services, the library list and its manager, the project manager, the
// Preferences dialog, the camcorder watcher and wizard, the About box and the
// progress dialogs.

#include "IVantrel.h"

#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QStringList>

class AboutDialog;
class CAppFixedInfo;
class CAppVariableInfo;
class CCamDetectWatcher;
class CCamcorderInfo;
class CDCMediaSrcMgr;
class CMProjectMgr;
class QAction;
class QActionGroup;
class QMenu;
class QProgressDialog;
class QToolBar;
class VCamcorderDialog;
class VDCPreferenceDlg;
class VImportMediaLibDialog;
namespace Fablecut {
class CSourceData;
}
namespace Moorland {
class IAVConverter;
class IAVManager;
} // namespace Moorland
namespace Ui {
class MainWindow;
}

namespace Fablecut {

class MainWindow : public QMainWindow, public IProductConfig::IConfigCallBack, public IProductLangItem
{
    Q_OBJECT
public:
    MainWindow(IVantrel* platform, QWidget* parent);
    ~MainWindow() override;

    // Shows the window and reloads the saved library behind the load dialog.
    void run();
    // Empty when start-up went well; otherwise what the user must be told
    // before the program ends (exit code 1).
    QString StartupError() const { return m_startupError; }

    void QuitApp(IProductConfig::ProductQuitReason reason) override;
    QWidget* MainWidget() override { return this; }
    void ReTranslate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QString GetSkinPath();
    void updateSkin();
    void SaveMainWindowConfig();
    void LoadMainWindowConfig();
    void updatePlatformInfo();

    // Start-up's setting rules: the value handed on; corrections are stored.
    static int ApplyMaxRunProgressCount(CAppVariableInfo* settings);
    static int ApplyUseCPUCore(CAppVariableInfo* settings, int cpuCount);
    // The decoder option for the stored index; resets the index to 4 when it
    // names none.
    static QString ApplyDecoderIndex(CAppVariableInfo* settings);
    // Where a window of this size goes on this desktop (x, y as stored).
    static QPoint PlacedPosition(int x, int y, QSize window, QSize desktop, QSize defaults);
    // The reload failure text for these paths.
    static QString ReloadFailureText(const QStringList& failed);

    // Test access.
    Ui::MainWindow* form() const { return ui; }
    CDCMediaSrcMgr* mediaSrcMgr() const { return m_srcMgr; }
    Fablecut::CSourceData* sourceData() const { return m_sourceData; }
    QProgressDialog* importDialog() const { return m_importDlg; }
    QProgressDialog* backupDialog() const { return m_backupDlg; }
    AboutDialog* aboutBox() const { return m_about; }
    VImportMediaLibDialog* loadDialog() const { return m_loadDlg; }
    QMenu* fileMenu() const { return m_menuFile; }
    QMenu* toolsMenu() const { return m_menuTools; }
    QMenu* languageMenu() const { return m_menuLanguage; }
    QMenu* helpMenu() const { return m_menuHelp; }
    QActionGroup* languageGroup() const { return m_langGroup; }
    IProductLanguage* languageProvider() const { return m_language; }

signals:
    void signal_showCamcorderWizard();
    void signal_CamcorderDisconnected(QString rootPath);
    void signal_ImportMeidaFiles();
    void signal_ImportMediaFloder();
    void signal_importSourceLibFinished();

public slots:
    void slot_LoadMediaSrcFileFinished(QStringList vFailedFiles);
    void slot_LoadMediaSrcFileFailed();
    void slot_LoadMediaSourcefromFile(QString path);
    void slot_ExportMediaLibrary(QString path);
    void slot_TimeLineItemChildCountIsZero(bool isZero);
    void slot_OnCamCorderConnect(const CCamcorderInfo* pCamInfo);
    void slot_OnCamCorderDisConnect(QString sRootPath);

private slots:
    void on_btnSourcePage_toggled(bool checked);
    void on_btnExportPage_toggled(bool checked);
    void on_btnTest_clicked();
    void slot_OpenHelpPage();
    void slot_OpenShotcutHelp();
    void slot_execUpdate();
    void slot_switchLanguage(QAction* pAction);
    void slot_InitSerializerFailed();
    void slot_SaveMediaSrcFileFinished(bool bSucceed);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The window's smallest size: never below the one its pages need to
    // keep every text whole in the current language.
    void FitMinimumSize();
    void init();
    void initPlatform();
    void initMoorland();
    void initSourceData();
    void initSourceMgr();
    void initProjectMgr();
    void initPreferenceDlg();
    void initCamcorder();
    void initSourcePage();
    void initExportPage();
    void initConnection();
    void initActions();
    void initMenus();
    void initLanguage();
    void initMainToolBar();
    void resetH264Decoder();
    void releaseRes();
    void showCamcorderDialogAfterInit();
    void askCamcorderWizard();
    void runLoadDialog();
    void closeLoadDialog();
    QProgressDialog* makeProgressDialog();
    void failStartup(const QString& text);

    Ui::MainWindow* ui = nullptr;
    QString m_appDir;
    Moorland::IAVManager* m_avManager = nullptr;
    Moorland::IAVConverter* m_converter = nullptr;
    IVantrel* m_platform = nullptr;
    IProductLanguage* m_language = nullptr;
    bool m_ready = false;
    CCamDetectWatcher* m_camWatcher = nullptr;
    VCamcorderDialog* m_camDialog = nullptr;
    VDCPreferenceDlg* m_prefDlg = nullptr;
    AboutDialog* m_about = nullptr;
    Fablecut::CSourceData* m_sourceData = nullptr;
    CDCMediaSrcMgr* m_srcMgr = nullptr;
    CMProjectMgr* m_projectMgr = nullptr;
    CAppFixedInfo* m_fixedInfo = nullptr;
    CAppVariableInfo* m_variableInfo = nullptr;
    QProgressDialog* m_importDlg = nullptr;
    QProgressDialog* m_backupDlg = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_menuFile = nullptr;
    QMenu* m_menuTools = nullptr;
    QMenu* m_menuLanguage = nullptr;
    QMenu* m_menuHelp = nullptr;
    QActionGroup* m_langGroup = nullptr;
    QAction* m_actImportFiles = nullptr;
    QAction* m_actImportFolder = nullptr;
    QAction* m_actExit = nullptr;
    QAction* m_actPreferences = nullptr;
    QAction* m_actHelp = nullptr;
    QAction* m_actShortcuts = nullptr;
    QAction* m_actUpdate = nullptr;
    QAction* m_actAbout = nullptr;
    VImportMediaLibDialog* m_loadDlg = nullptr;
    QString m_startupError;
    bool m_initialized = false;
    // A load or an export asked for by this window is being handed over.
    bool m_requesting = false;
    bool m_requestRefused = false;
    QString m_exportPath;
};

} // namespace Fablecut
