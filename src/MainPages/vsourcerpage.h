#pragma once

// The import/edit page: joins the work space (library and clip editor), the
// main player and the timeline panel; decides what the player holds; runs the
// import progress dialog, the failure report and the camcorder backup.

#include "utility/CBaseTime.h"

#include <QFrame>
#include <QList>
#include <QHash>
#include <QStringList>

class CAppFixedInfo;
class CMProjectMgr;
class CAppVariableInfo;
class IBackupFile;
class IDCPlaySourceItem;
class QProgressDialog;
class QTimer;
class VCamcorderDialog;
class VDCMainPlayer;
class VRichMessageBox;
class VSourceWorkSpace;
class VTimeLineView;
namespace Fablecut {
class ISourceDataItem;
}
namespace Moorland {
class IAVManager;
}
namespace Ui {
class VSourcerPage;
}

class VSourcerPage : public QFrame
{
    Q_OBJECT
public:
    explicit VSourcerPage(QWidget* parent = nullptr);
    ~VSourcerPage() override;

    VSourceWorkSpace* GetSourceWorkSpace() const;
    VTimeLineView* GetTimeLineView() const;
    VDCMainPlayer* GetMainPlayer() const { return m_player; }
    void SetAVManager(Moorland::IAVManager* manager);
    // The project manager through which the timeline and the clip editor
    // change the timeline.
    void setProjectMgr(CMProjectMgr* manager);
    void SetImportDialog(QProgressDialog* dialog);
    void SetBackupProgressDlg(QProgressDialog* dialog);
    void SetCamcorderDlg(VCamcorderDialog* dialog);
    // Replaces the page's backuper (the page frees it); a test hands its own.
    void SetBackuper(IBackupFile* backuper);

    static void takeFileListBySuffix(QStringList& from, QStringList& taken, QString suffix);
    // The report's rich text for these files; empty for an empty list.
    static QString ImportErrText(const QStringList& failed, const QString& email, const QString& logPath,
                                 const QString& color);
    // The reason the user is told for a failed file, from the text the
    // import sends with it (the log keeps the whole text).
    static QString ImportFailureReason(const QString& errMsg, int nFailCode);
    // One line per file, its name and why it was not imported, for the
    // report under its first sentence; empty for an empty list.
    static QString ImportReasonsText(const QStringList& failed, const QHash<QString, QString>& reasons);
    QStringList failedFiles() const { return m_failed; }
    QStringList refusedFiles() const { return m_refused; }
    // The last report box, while it is shown (for tests).
    VRichMessageBox* reportBox() const { return m_reportBox; }

public slots:
    void slot_MediasLib_importSelected(QStringList files);
    void slot_MediasLib_itemPlay(Fablecut::ISourceDataItem* item);
    void slot_MediasDetails_DeleteSelectedItem(QList<Fablecut::ISourceDataItem*> items);
    void slot_seekToCurTime(const IDCPlaySourceItem* item, CBaseTime time, bool bplay = false);
    // The track takes the player for the timeline; returns the new hold flag.
    bool slot_playerFocusChangeToTimeLineView(const IDCPlaySourceItem* item, bool hold);
    void slot_updateAVsouceData(const IDCPlaySourceItem* item);
    void slot_updateMainPlayerAfterEditor(const IDCPlaySourceItem* item, bool pause);
    void slot_TimeLineItemChildCountIsZero(const IDCPlaySourceItem* item, bool isZero);
    void slot_BeforeImportSingleFile(QString sFileFullPath, int nTotalFilesCount, int nCurFileIndex);
    void slot_OnSingleFileImportFinished(QString sFileFullPath);
    void slot_OnSingleFileImportFailed(QString sFileFullPath, QString errMsg, int nFailCode);
    void slot_OnAllFilesImportFinished(bool bSuccess);
    void slot_OnImportCancelled();
    void slot_InitImporterFailed();
    void slot_updateProgressDlg();
    void slot_showCamcorderWizard();
    void slot_CamcorderDisconnected(QString sRootPath);
    void slot_camcorderDialog_accepted();
    void slot_performBackupFiles(QStringList lstFile, QString sDstPath);
    void slot_backupTimerPerform();
    void slot_backupCancel();

signals:
    void signal_MediasLib_importSelected(QStringList files);
    void signal_MediasLib_DelSelected(Fablecut::ISourceDataItem* item);
    void signal_MeidasSource_RenameFinished(QString newName, QString path);
    void signal_MediasLib_importLibrary(QString path);
    void signal_MediasLib_exportLibrary(QString path);
    void signal_canceledImportSource();
    void signal_importSourceLibFinished();
    void signal_IsTimeLineViewHoldThePlayer(bool hold);
    void signal_ClearSelectionOfTimeLineIClipItems();
    void signal_TimeLineItemChildCountIsZero(bool isZero);

protected:
    bool event(QEvent* event) override;

private:
    void showImportErrMessage();
    void showBackupProgressDlg();
    void connectTime();
    void disconnectTime();
    void endImportDialog();
    void refreshViews();
    void tellUser(const QString& text);
    void centreOnWindow(QWidget* dialog) const;

    Ui::VSourcerPage* m_ui;
    QStringList m_failed;
    QStringList m_refused;
    // Why each failed or refused file was not imported, by path.
    QHash<QString, QString> m_reasons;
    QProgressDialog* m_importDialog = nullptr;
    int m_importIndex = 0;
    CAppFixedInfo* m_fixedInfo;
    CAppVariableInfo* m_variableInfo;
    VDCMainPlayer* m_player = nullptr;
    VCamcorderDialog* m_camDialog = nullptr;
    IBackupFile* m_backuper = nullptr;
    QProgressDialog* m_backupDialog = nullptr;
    QTimer* m_backupTimer = nullptr;
    QStringList m_backupFiles;
    int m_idlePolls = 0;
    // An import dialog of this page is open (its exec() runs).
    bool m_importRunning = false;
    // The library manager refused the request being made.
    bool m_requestRefused = false;
    VRichMessageBox* m_reportBox = nullptr;
};
