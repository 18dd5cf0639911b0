#include "vsourcerpage.h"

#include "ProjectData/userfailuretext.h"

#include "ProjectData/csourcedata.h"
#include "mediaslibmimetype.h"

#include "ui_vsourcerpage.h"

#include "Basilvo.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "dialogs/VRichMessageBox.h"
#include "Preview/cdcvideoplayer.h"
#include "BackupFile/ibackupfile.h"
#include "ProjectData/ctimelineitem.h"
#include "ProjectData/idcdataitem.h"
#include "ProjectData/isourcedataitem.h"
#include "CamcorderDectet/vcamcorderdialog.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "Editor/veditorwidget.h"
#include "vresourcelib.h"
#include "vsourceworkspace.h"
#include "SourcePage/vtimelineview.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <cstring>

namespace {

const int kBackupPollMs = 666;
// Polls that find the backuper still idle before the start counts as failed.
const int kIdlePollsAllowed = 3;

IDCPlaySourceItem* PlaySourceOf(Fablecut::ISourceDataItem* item)
{
    return item ? static_cast<IDCPlaySourceItem*>(item->GetInterFace("DC_PLAYSOURCE_INTERFACE")) : nullptr;
}

// The track hands the player the timeline it shows, which it only reads.
const CTimelineItem* TimelineOf(const IDCPlaySourceItem* item)
{
    return dynamic_cast<const CTimelineItem*>(item);
}

} // namespace

VSourcerPage::VSourcerPage(QWidget* parent)
    : QFrame(parent), m_ui(new Ui::VSourcerPage), m_fixedInfo(CAppFixedInfo::GetInstance()),
      m_variableInfo(CAppVariableInfo::GetInstance())
{
    m_ui->setupUi(this);
    m_player = m_ui->frmMainPlayerWidget;
    VSourceWorkSpace* work = m_ui->frmSourceWorkSpace;
    VTimeLineView* timeline = m_ui->frmTimeLineWidget;

    connect(work, &VSourceWorkSpace::signal_MediasLib_importSelected, this,
            &VSourcerPage::slot_MediasLib_importSelected);
    connect(work, &VSourceWorkSpace::signal_MeidasSource_RenameFinished, this,
            &VSourcerPage::signal_MeidasSource_RenameFinished);
    connect(work, &VSourceWorkSpace::signal_MediasLib_DelSelected, this,
            &VSourcerPage::slot_MediasDetails_DeleteSelectedItem);
    connect(work, &VSourceWorkSpace::signal_MediasLib_itemPlay, this, &VSourcerPage::slot_MediasLib_itemPlay);
    connect(work, &VSourceWorkSpace::signal_showCamcorderWizard, this, &VSourcerPage::slot_showCamcorderWizard);
    connect(work, &VSourceWorkSpace::signal_editorApplyToAllTimeLineViewClipItems, timeline,
            &VTimeLineView::signal_editorApplyToAllTimeLineViewClipItems);
    connect(work, &VSourceWorkSpace::signal_editorApplayToCurSelectedClips, timeline,
            &VTimeLineView::signal_editorApplayToCurSelectedClips);
    connect(work, &VSourceWorkSpace::signal_editorEnableChagned, timeline, &VTimeLineView::signal_editorEnableChagned);
    connect(work, &VSourceWorkSpace::signal_MediasLib_importLibrary, this,
            &VSourcerPage::signal_MediasLib_importLibrary);
    connect(work, &VSourceWorkSpace::signal_MediasLib_exportLibrary, this,
            &VSourcerPage::signal_MediasLib_exportLibrary);
    connect(work, &VSourceWorkSpace::signal_missingFilesChanged, timeline, &VTimeLineView::slot_setMissingFiles);
    TimeLineHostCalls calls;
    // A library drag names its items by handle: each is looked up in the
    // library as it is now, so a stale or foreign handle inserts nothing.
    calls.QueryLibraryItemByHandle = [work](quint32 handle) -> Fablecut::ISourceDataItem* {
        Fablecut::CSourceData* library = work->GetResourceLib()->sourceData();
        const QString path = MediasLibPayload::PathOfHandle(handle);
        return library && !path.isEmpty() ? library->GetSourceDataItemByFullPath(path) : nullptr;
    };
    VDCMainPlayer* player = m_player;
    calls.GetCurPicBorderTime = [player](qint64& borderMs, qint32& frameValue) {
        bool found = false;
        player->slot_GetCurPicBorderTime(found, borderMs, frameValue);
        return found;
    };
    calls.CaptureCurFrame = [player](int width, int height) {
        QImage image;
        player->slot_CaptureCurFrame(image, width, height);
        return image;
    };
    calls.playerFocusChangeToTimeLineView = [this](const IDCPlaySourceItem* item, bool hold) {
        return slot_playerFocusChangeToTimeLineView(item, hold);
    };
    timeline->setHostCalls(calls);
    connect(timeline, &VTimeLineView::signal_updateAVsouceData, this, &VSourcerPage::slot_updateAVsouceData);
    connect(timeline, &VTimeLineView::signal_seekToCurTime, this, &VSourcerPage::slot_seekToCurTime);
    connect(timeline, &VTimeLineView::signal_updateMainPlayerAfterEditor, this,
            &VSourcerPage::slot_updateMainPlayerAfterEditor);
    connect(timeline, &VTimeLineView::signal_clipItemEditorEnableChanged, work,
            &VSourceWorkSpace::slot_clipItemEditorEnableChanged);
    connect(timeline, &VTimeLineView::signal_initEditorSourceDataItemChanged, work,
            &VSourceWorkSpace::slot_initEditorSourceDataItemChanged);
    connect(timeline, &VTimeLineView::signal_TimeLineItemChildCountIsZero, this,
            &VSourcerPage::slot_TimeLineItemChildCountIsZero);

    m_backuper = CreateBackuper();
    m_backupTimer = new QTimer(this);
    connect(m_backupTimer, &QTimer::timeout, this, &VSourcerPage::slot_backupTimerPerform);

    connect(this, &VSourcerPage::signal_IsTimeLineViewHoldThePlayer, timeline,
            &VTimeLineView::slot_IsTimeLineViewHoldThePlayer);
    connect(this, &VSourcerPage::signal_ClearSelectionOfTimeLineIClipItems, timeline,
            &VTimeLineView::slot_ClearSelectionOfTimeLineIClipItems);
    connect(this, &VSourcerPage::signal_importSourceLibFinished, work,
            &VSourceWorkSpace::signal_importSourceLibFinished);
}

VSourcerPage::~VSourcerPage()
{
    m_backupTimer->stop();
    delete m_ui;
    if (m_backuper) {
        m_backuper->Free();
        m_backuper = nullptr;
    }
}

void VSourcerPage::setProjectMgr(CMProjectMgr* manager)
{
    m_ui->frmTimeLineWidget->setProjectMgr(manager);
    m_ui->frmSourceWorkSpace->GetEditor()->setProjectMgr(manager);
    m_player->GetFramePlayer()->GetVideoPlayer()->SetProjectMgr(manager);
}

VSourceWorkSpace* VSourcerPage::GetSourceWorkSpace() const
{
    return m_ui->frmSourceWorkSpace;
}

VTimeLineView* VSourcerPage::GetTimeLineView() const
{
    return m_ui->frmTimeLineWidget;
}

void VSourcerPage::SetAVManager(Moorland::IAVManager* manager)
{
    m_player->SetAVManager(manager);
}

void VSourcerPage::SetImportDialog(QProgressDialog* dialog)
{
    m_importDialog = dialog;
    if (dialog)
        connect(dialog, &QProgressDialog::canceled, this, &VSourcerPage::signal_canceledImportSource);
}

void VSourcerPage::SetBackupProgressDlg(QProgressDialog* dialog)
{
    m_backupDialog = dialog;
    if (dialog)
        connect(dialog, &QProgressDialog::canceled, this, &VSourcerPage::slot_backupCancel);
}

void VSourcerPage::SetCamcorderDlg(VCamcorderDialog* dialog)
{
    m_camDialog = dialog;
    if (dialog)
        connect(dialog, &QDialog::accepted, this, &VSourcerPage::slot_camcorderDialog_accepted);
}

void VSourcerPage::SetBackuper(IBackupFile* backuper)
{
    if (m_backuper && m_backuper != backuper)
        m_backuper->Free();
    m_backuper = backuper;
}

bool VSourcerPage::event(QEvent* event)
{
    return QFrame::event(event);
}

void VSourcerPage::centreOnWindow(QWidget* dialog) const
{
    // Placed by hand: a frameless dialog is not always placed by the window
    // manager, and without a place of its own it opens at the screen's corner.
    const QWidget* over = window();
    if (!dialog || !over || !over->isVisible())
        return;
    dialog->adjustSize();
    const QPoint centre = over->frameGeometry().center();
    dialog->move(centre.x() - dialog->width() / 2, centre.y() - dialog->height() / 2);
}

void VSourcerPage::tellUser(const QString& text)
{
    ExecPromptMessageBox(text, QDialogButtonBox::Ok, QMessageBox::Information);
}

// ---- The player ----

void VSourcerPage::connectTime()
{
    VTimeLineView* timeline = GetTimeLineView();
    // Unique: a timeline loaded again after it was emptied is not connected twice.
    connect(m_player, &VDCMainPlayer::signal_mainplayer_playtimechanged, timeline,
            &VTimeLineView::slot_mainplayer_playtimechanged, Qt::UniqueConnection);
    connect(m_player, &VDCMainPlayer::signal_mainplayer_stoped, timeline, &VTimeLineView::slot_mainplayer_stoped,
            Qt::UniqueConnection);
}

void VSourcerPage::disconnectTime()
{
    VTimeLineView* timeline = GetTimeLineView();
    disconnect(m_player, &VDCMainPlayer::signal_mainplayer_playtimechanged, timeline,
               &VTimeLineView::slot_mainplayer_playtimechanged);
    disconnect(m_player, &VDCMainPlayer::signal_mainplayer_stoped, timeline, &VTimeLineView::slot_mainplayer_stoped);
}

void VSourcerPage::slot_MediasLib_itemPlay(Fablecut::ISourceDataItem* item)
{
    IDCPlaySourceItem* source = PlaySourceOf(item);
    m_player->SetSourceItem(source, false);
    if (!source)
        return;
    m_player->Play();
    disconnectTime();
    emit signal_IsTimeLineViewHoldThePlayer(false);
    emit signal_ClearSelectionOfTimeLineIClipItems();
}

void VSourcerPage::slot_seekToCurTime(const IDCPlaySourceItem* item, CBaseTime time, bool bplay)
{
    if (m_player->GetSourceItem() != item) {
        m_player->SetTimeline(TimelineOf(item), true);
        connectTime();
        emit signal_IsTimeLineViewHoldThePlayer(true);
    }
    m_player->Seek(time);
    if (bplay)
        m_player->Play();
}

bool VSourcerPage::slot_playerFocusChangeToTimeLineView(const IDCPlaySourceItem* item, bool hold)
{
    if (m_player->GetSourceItem() == item)
        return true;
    m_player->SetTimeline(TimelineOf(item), true);
    if (!hold)
        connectTime();
    return false;
}

void VSourcerPage::slot_updateMainPlayerAfterEditor(const IDCPlaySourceItem* item, bool pause)
{
    if (m_player->GetSourceItem() != item)
        return;
    m_player->UpdateFramePlayer();
    if (pause)
        m_player->Pause();
}

void VSourcerPage::slot_updateAVsouceData(const IDCPlaySourceItem* item)
{
    if (m_player->GetSourceItem() != item)
        return;
    m_player->SetSourceItem(nullptr, false);
    disconnectTime();
    emit signal_IsTimeLineViewHoldThePlayer(false);
}

void VSourcerPage::slot_MediasDetails_DeleteSelectedItem(QList<Fablecut::ISourceDataItem*> items)
{
    for (Fablecut::ISourceDataItem* item : items) {
        if (m_player->GetSourceItem() && m_player->GetSourceItem() == PlaySourceOf(item))
            m_player->SetSourceItem(nullptr, false);
        emit signal_MediasLib_DelSelected(item);
    }
}

void VSourcerPage::slot_TimeLineItemChildCountIsZero(const IDCPlaySourceItem* item, bool isZero)
{
    if (isZero && m_player->GetSourceItem() == item)
        m_player->SetSourceItem(nullptr, false);
    emit signal_TimeLineItemChildCountIsZero(isZero);
}

// ---- Import ----

void VSourcerPage::slot_MediasLib_importSelected(QStringList files)
{
    m_requestRefused = false;
    emit signal_MediasLib_importSelected(files);
    // A refused request opens no dialog: the running import keeps its own.
    if (m_requestRefused || !m_importDialog)
        return;
    m_importDialog->setMaximum(files.size());
    m_importRunning = true;
    centreOnWindow(m_importDialog);
    m_importDialog->exec();
    m_importRunning = false;
}

void VSourcerPage::refreshViews()
{
    GetSourceWorkSpace()->refreshData();
}

void VSourcerPage::slot_BeforeImportSingleFile(QString sFileFullPath, int, int nCurFileIndex)
{
    if (m_importDialog)
        m_importDialog->setLabelText(sFileFullPath);
    m_importIndex = nCurFileIndex;
    QTimer::singleShot(0, this, &VSourcerPage::slot_updateProgressDlg);
}

void VSourcerPage::slot_updateProgressDlg()
{
    if (m_importDialog && m_importDialog->isVisible())
        m_importDialog->setValue(m_importIndex);
}

void VSourcerPage::slot_OnSingleFileImportFinished(QString)
{
    refreshViews();
}

void VSourcerPage::slot_OnSingleFileImportFailed(QString sFileFullPath, QString errMsg, int nFailCode)
{
    refreshViews();
    if (nFailCode == 0)
        m_failed.append(sFileFullPath);
    else if (nFailCode == 1)
        m_refused.append(sFileFullPath);
    else
        return;
    m_reasons.insert(sFileFullPath, ImportFailureReason(errMsg, nFailCode));
}

QString VSourcerPage::ImportFailureReason(const QString& errMsg, int nFailCode)
{
    if (nFailCode == 1)
        return tr("pictures are not imported as media files");
    // The import's text names the file, the error code, the message and where
    // in the program it arose: only the message speaks to the user.
    static const QString kMessage = QStringLiteral("\nException Message");
    const int at = errMsg.indexOf(kMessage);
    if (at >= 0) {
        const int from = at + kMessage.size();
        const int end = errMsg.indexOf(QStringLiteral("\nFile:"), from);
        const QString message = errMsg.mid(from, end < 0 ? -1 : end - from).trimmed();
        if (!message.isEmpty())
            return UserFailureText::Explain(message);
    }
    if (errMsg == QLatin1String("snapshot failed,skip import file"))
        return tr("no picture could be read from it");
    return errMsg.trimmed().isEmpty() ? tr("the reason is in the log file") : UserFailureText::Explain(errMsg);
}

QString VSourcerPage::ImportReasonsText(const QStringList& failed, const QHash<QString, QString>& reasons)
{
    QStringList lines;
    QStringList seen;
    for (const QString& path : failed) {
        if (seen.contains(path))
            continue;
        seen.append(path);
        const QString reason = reasons.value(path);
        lines.append(reason.isEmpty()
                         ? QFileInfo(path).fileName().toHtmlEscaped()
                         : tr("%1: %2").arg(QFileInfo(path).fileName().toHtmlEscaped(), reason.toHtmlEscaped()));
    }
    return lines.isEmpty() ? QString() : QStringLiteral("<br><br>") + lines.join(QStringLiteral("<br>"));
}

void VSourcerPage::endImportDialog()
{
    if (!m_importDialog)
        return;
    m_importDialog->reset();
    // Closing emits canceled(); after the import's end the manager has
    // nothing left to cancel.
    m_importDialog->close();
}

void VSourcerPage::slot_InitImporterFailed()
{
    refreshViews();
    // The refused request opens no dialog, and a running import keeps its
    // own: closing a progress dialog would cancel that import.
    m_requestRefused = true;
    tellUser(tr("Another import is still running. Please import these files when it has finished."));
}

void VSourcerPage::slot_OnAllFilesImportFinished(bool)
{
    refreshViews();
    endImportDialog();
    showImportErrMessage();
}

void VSourcerPage::slot_OnImportCancelled()
{
    refreshViews();
    endImportDialog();
    showImportErrMessage();
}

void VSourcerPage::takeFileListBySuffix(QStringList& from, QStringList& taken, QString suffix)
{
    for (const QString& path : from) {
        if (QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) == 0)
            taken.append(path);
    }
    for (const QString& path : taken)
        from.removeAll(path);
}

QString VSourcerPage::ImportErrText(const QStringList& failed, const QString& email, const QString& logPath,
                                    const QString& color)
{
    if (failed.isEmpty())
        return QString();
    QStringList names;
    for (const QString& path : failed)
        names.append(QFileInfo(path).fileName().toHtmlEscaped());
    const QString text =
        tr("Sorry,this program can not import the following %1 files so far : %2\"%3\"%4Please contact "
           "<a href=\"%5\"style=\"color:#%9\">%6</a> for help.Please provide the following log file.Log File "
           "<a href=\"%7\"style=\"color:#%9\">%8</a>.");
    if (email.isEmpty()) {
        // No support address is configured: the log file alone is offered.
        const QString logOnly = tr("Sorry,this program can not import the following %1 files so far : %2\"%3\"%4The "
                                   "log file tells why: <a href=\"%5\"style=\"color:#%7\">%6</a>.");
        return logOnly.arg(QString::number(failed.size()), QStringLiteral("<br>"), names.join(QStringLiteral("  ,  ")),
                           QStringLiteral("<br><br>"), QUrl::fromLocalFile(logPath).toString().toHtmlEscaped(),
                           logPath.toHtmlEscaped(), color.toHtmlEscaped());
    }
    // One substitution for all markers: a name holding "%4" stays as it is.
    return text.arg(QString::number(failed.size()), QStringLiteral("<br>"), names.join(QStringLiteral("  ,  ")),
                    QStringLiteral("<br><br>"), (QStringLiteral("mailto:") + email).toHtmlEscaped(),
                    email.toHtmlEscaped(), QUrl::fromLocalFile(logPath).toString().toHtmlEscaped(),
                    logPath.toHtmlEscaped(), color.toHtmlEscaped());
}

void VSourcerPage::showImportErrMessage()
{
    VRichMessageBox box(this, QDialogButtonBox::Ok, QMessageBox::Warning,
                        VRichMessageBox::ShowCaption | VRichMessageBox::ShowRichText | VRichMessageBox::ShowCheckBox);
    box.setObjectName("importErrMessageBox");
    box.setIcon(QMessageBox::NoIcon);
    box.setControlElements(VRichMessageBox::ShowRichText);
    // Room for the file names and both links without a scroll bar.
    box.SetMsgBoxWidth(460);
    box.SetMsgBoxHeight(230);
    QStringList tivo;
    takeFileListBySuffix(m_failed, tivo, "tivo");
    m_failed.append(m_refused);
    m_refused.clear();
    QString report =
        ImportErrText(m_failed, m_fixedInfo->GetInfoValue("APPS_EMAIL_URL").toString(), m_variableInfo->GetAppLogPath(),
                      m_variableInfo->GetInfoValue("URLColor", QVariant()).toString());
    if (!report.isEmpty()) {
        report += ImportReasonsText(m_failed, m_reasons);
        // Each reason has a line of its own; long ones wrap once.
        box.SetMsgBoxHeight(230 + 36 * std::min<int>(QSet<QString>(m_failed.begin(), m_failed.end()).size(), 8));
    }
    m_failed.clear();
    m_reasons.clear();
    m_reportBox = &box;
    if (!report.isEmpty()) {
        box.SetRichText(report);
        box.exec();
    }
    if (!tivo.isEmpty()) {
        box.SetRichText(tr("Can not import TIVO files, invalid media access key. please visit preference dialog and "
                           "enter the correct media access key."));
        box.exec();
    }
    m_reportBox = nullptr;
}

// ---- Camcorder and backup ----

void VSourcerPage::slot_showCamcorderWizard()
{
    if (!m_camDialog)
        return;
    bool shown = false;
    m_camDialog->show(shown);
    if (shown)
        m_player->Close();
}

void VSourcerPage::slot_CamcorderDisconnected(QString sRootPath)
{
    sRootPath = QDir::toNativeSeparators(sRootPath);
}

void VSourcerPage::slot_camcorderDialog_accepted()
{
    const CamcorderExportData data = m_camDialog->getExportData();
    if (data.exportType == CamcorderExportBackup)
        slot_performBackupFiles(data.fileList, data.backupPath);
    else if (data.exportType == CamcorderExportImport)
        slot_MediasLib_importSelected(data.fileList);
}

void VSourcerPage::slot_performBackupFiles(QStringList lstFile, QString sDstPath)
{
    if (lstFile.isEmpty())
        return;
    if (!m_backuper) {
        tellUser(tr("The files cannot be backed up: no file backuper is available. Nothing was imported."));
        return;
    }
    m_backuper->ClearBackupFilesList();
    QString reason;
    if (sDstPath.trimmed().isEmpty())
        reason = tr("no backup folder is given");
    else if (QDir::isRelativePath(sDstPath))
        reason = tr("the backup folder must be a full path");
    else if (!m_backuper->SetBackupDestPath(sDstPath.toUtf8().constData()))
        reason = QString::fromUtf8(GetQuentaException()->GetExceptionMsg());
    if (!reason.isEmpty()) {
        tellUser(tr("The files cannot be backed up to \"%1\": %2. Nothing was copied or imported.")
                     .arg(QDir::toNativeSeparators(sDstPath), reason));
        return;
    }
    for (const QString& path : lstFile)
        m_backuper->AddBackupFile(path.toUtf8().constData());
    m_backuper->ResetBackupState();
    m_backupFiles = lstFile;
    showBackupProgressDlg();
}

void VSourcerPage::showBackupProgressDlg()
{
    if (!m_backupDialog)
        return;
    m_backupDialog->setRange(0, m_backupFiles.size());
    m_backupDialog->setLabelText(m_backupFiles.value(0));
    m_idlePolls = 0;
    m_backupTimer->start(kBackupPollMs);
    m_backuper->SetBackupThreadPriority(BACKUP_PRIORITY_DEFAULT);
    if (!m_backuper->StartBackupFiles()) {
        m_backupTimer->stop();
        tellUser(tr("The backup could not be started (%1). Nothing was copied or imported.")
                     .arg(QString::fromUtf8(GetQuentaException()->GetExceptionMsg())));
        return;
    }
    centreOnWindow(m_backupDialog);
    m_backupDialog->exec();
}

void VSourcerPage::slot_backupTimerPerform()
{
    if (!m_backuper || !m_backupDialog)
        return;
    const BackupProgressInfo* info = m_backuper->GetBackupProgressInfo();
    if (!m_backupDialog->isVisible())
        return;
    if (info) {
        const size_t length = strnlen(info->szCurrentFile, sizeof info->szCurrentFile);
        m_backupDialog->setLabelText(QString::fromUtf8(info->szCurrentFile, static_cast<int>(length)));
        m_backupDialog->setValue(static_cast<int>(info->nBackedUpFiles));
    }
    m_backupDialog->setMaximumWidth(300);
    const int state = m_backuper->GetState();
    if (state == BACKUP_STATE_READY) {
        // The copy never started: say so instead of waiting for ever.
        if (++m_idlePolls < kIdlePollsAllowed)
            return;
        m_backupTimer->stop();
        m_backupDialog->hide();
        tellUser(tr("The backup could not be started. Nothing was copied or imported."));
        return;
    }
    if (state != BACKUP_STATE_FINISHED && state != BACKUP_STATE_STOPPED)
        return;
    m_backupTimer->stop();
    m_backuper->StopBackup();
    m_backupDialog->hide();
    QStringList copies;
    for (int i = 0; i < m_backuper->GetSucceedFileCount(); ++i) {
        const char* path = m_backuper->GetSucceedFilePath(i);
        if (path)
            copies.append(QString::fromUtf8(path));
    }
    QStringList copiedNames;
    for (const QString& copy : copies)
        copiedNames.append(QFileInfo(copy).fileName());
    QStringList missed;
    for (const QString& source : m_backupFiles) {
        // A copy may carry a number when its name was taken: 00001.MTS -> 00001_0.MTS.
        const QFileInfo info(source);
        const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
        const QRegularExpression numbered("^" + QRegularExpression::escape(info.completeBaseName()) + "_\\d+" +
                                          QRegularExpression::escape(suffix) + "$");
        int at = copiedNames.indexOf(info.fileName());
        if (at < 0)
            at = copiedNames.indexOf(numbered);
        if (at < 0)
            missed.append(source);
        else
            copiedNames.removeAt(at);
    }
    if (!missed.isEmpty())
        tellUser(tr("These files could not be backed up and are not imported:\n%1").arg(missed.join('\n')));
    if (!copies.isEmpty())
        slot_MediasLib_importSelected(copies);
}

void VSourcerPage::slot_backupCancel()
{
    m_backupTimer->stop();
    if (m_backuper)
        m_backuper->StopBackup();
}
