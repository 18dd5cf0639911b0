#include "vimportfileswidget.h"

#include "ui_vimportfileswidget.h"

#include "AppConfigure/AppConfigDefines.h"
#include "Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "dialogs/VRichMessageBox.h"
#include "sysutils_dir.h"
#include "utility/utility.h"
#include "Preview/vmpreviewplayer.h"
#include "vselectcamcorderwidget.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSet>
#include <QTimer>
#include <QToolTip>

VImportFilesWidget::VImportFilesWidget(QWidget* parent)
    : QWidget(parent), ui(new Ui::VImportFilesWidget), dateFormat(""), defaultOptionKey(""),
      variableInfo(CAppVariableInfo::GetInstance())
{
    ui->setupUi(this);
    ui->lstvImportFiles->setFocusPolicy(Qt::NoFocus);
    ui->lstvImportFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ui->importPlayer, &VMPreviewPlayer::signal_previewplayer_play, this,
            &VImportFilesWidget::slot_previewplayer_play);
    connect(ui->importPlayer, &VMPreviewPlayer::signal_createAVSourceFailed, this,
            &VImportFilesWidget::signal_createAVSourceFailed);
    connect(ui->lstvClassifyOptions, &QListWidget::itemSelectionChanged, this,
            &VImportFilesWidget::slot_optionItem_itemSelectionChanged);
    connect(ui->lstvImportFiles, &QListWidget::itemDoubleClicked, this,
            &VImportFilesWidget::slot_videoFiles_itemDoubleClicked);
    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &VImportFilesWidget::slod_update);
    ui->cbbxClassifyOptions->clear();
    on_cbbxClassifyOptions_currentIndexChanged(0);
    GetBackupPath();
    ui->edtBackupPath->setText(
        variableInfo->GetInfoValue(STR_VARIABLECONFG_NAME_VIDEO_BACKUP_PATH, QVariant()).toString());
    UpdateDiskFreeSpaceText();
    ui->cbxBackUp->setChecked(false);
    ui->frmBackupDst->setEnabled(false);
    ui->lstvClassifyOptions->setAttribute(Qt::WA_MacShowFocusRect, false);
    ReTranslate();
}

VImportFilesWidget::~VImportFilesWidget()
{
    delete ui;
}

void VImportFilesWidget::SetAVManager(Moorland::IAVManager* manager)
{
    ui->importPlayer->SetAVManager(manager);
}

const CCamcorderInfo* VImportFilesWidget::camcorder() const
{
    if (!detector_ || rootPath.isNull())
        return nullptr;
    return detector_->GetCamCorderByRootpath(rootPath.toUtf8().constData());
}

void VImportFilesWidget::setCamcorderRootPath(QString sRootPath)
{
    ui->lblCamcorderName->setText(sRootPath);
    rootPath = sRootPath;
    updateCamcorderData();
}

void VImportFilesWidget::setCamcorderName(QString sName)
{
    if (!sName.isEmpty())
        ui->lblCamcorderName->setText(sName);
}

void VImportFilesWidget::ReTranslate()
{
    ui->retranslateUi(this);
    // The grouping box is filled here so that its texts follow the language;
    // refilling brings the grouping back to "default".
    const QSignalBlocker blocker(ui->cbbxClassifyOptions);
    ui->cbbxClassifyOptions->clear();
    ui->cbbxClassifyOptions->addItems({tr("default"), tr("year"), tr("month"), tr("date"), tr("type")});
    ui->cbbxClassifyOptions->setCurrentIndex(0);
    on_cbbxClassifyOptions_currentIndexChanged(0);
    ui->btnNotify->setToolTip(
        tr("Choose backup video files to the local,\nprogram will import local video after the backup is "
           "complete;\nOtherwise will directly import camcorder video.\nPlease keep camcorder connected for the "
           "whole import and ouput progress.\nUnexpected disconnection will cause unpredictable results"));
}

void VImportFilesWidget::ClosePreviewPlayer()
{
    ui->importPlayer->Close();
}

QStringList VImportFilesWidget::getSelectedFileList() const
{
    QStringList files;
    for (int i = 0; i < ui->lstvImportFiles->count(); ++i) {
        const QListWidgetItem* item = ui->lstvImportFiles->item(i);
        if (item->checkState() != Qt::Unchecked)
            files << QDir::toNativeSeparators(item->data(Qt::UserRole).toString());
    }
    return files;
}

int VImportFilesWidget::getExportType() const
{
    return ui->cbxBackUp->isChecked() ? 3 : 2;
}

void VImportFilesWidget::updateVideoData()
{
    ui->importPlayer->Close();
    if (ui->lstvImportFiles->count() > 0)
        ui->lstvImportFiles->setCurrentRow(0);
}

void VImportFilesWidget::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (visible) {
        refreshTimer->start(100);
    } else {
        ui->importPlayer->Close();
        refreshTimer->stop();
    }
}

void VImportFilesWidget::updateCamcorderData()
{
    ui->importPlayer->Close();
    ui->lstvImportFiles->clear();
    if (const CCamcorderInfo* info = camcorder()) {
        for (const VideoFileStorageInfo& v : info->videoFiles) {
            const QString path = QString::fromUtf8(v.videoPath.c_str());
            auto* item = new QListWidgetItem(QFileInfo(path).fileName());
            item->setData(Qt::UserRole, path);
            item->setCheckState(Qt::Checked);
            ui->lstvImportFiles->addItem(item);
            if (ui->lstvImportFiles->count() == 1)
                ui->lstvImportFiles->setCurrentRow(0);
        }
    }
    updateClassifyOptionsData();
}

QString VImportFilesWidget::keyOf(const VideoFileStorageInfo& video) const
{
    const QString path = QString::fromUtf8(video.videoPath.c_str());
    if (classifyMode == 2)
        return QFileInfo(path).lastModified().toLocalTime().toString(dateFormat);
    if (classifyMode == 3) {
        const QString name = QFileInfo(path).fileName();
        const int dot = name.lastIndexOf('.');
        return dot < 0 ? QString("") : name.mid(dot + 1).toUpper();
    }
    return defaultOptionKey;
}

void VImportFilesWidget::on_cbbxClassifyOptions_currentIndexChanged(int index)
{
    switch (index) {
    case 1:
        classifyMode = 2;
        dateFormat = "yyyy";
        break;
    case 2:
        classifyMode = 2;
        dateFormat = "yyyy/MM";
        break;
    case 3:
        classifyMode = 2;
        dateFormat = "yyyy/MM/dd";
        break;
    case 4: classifyMode = 3; break;
    default: classifyMode = 1; break;
    }
    updateClassifyOptionsData();
}

void VImportFilesWidget::updateClassifyOptionsData()
{
    ui->importPlayer->Close();
    if (!detector_)
        return;
    ui->lstvClassifyOptions->clear();
    const CCamcorderInfo* info = camcorder();
    if (!info)
        return;
    QStringList keys;
    if (classifyMode == 1) {
        keys << defaultOptionKey;
    } else if (classifyMode != 0) {
        for (const VideoFileStorageInfo& v : info->videoFiles) {
            const QString key = keyOf(v);
            if (!keys.contains(key))
                keys << key;
        }
    }
    for (const QString& key : keys) {
        ui->lstvClassifyOptions->insertItem(0, key);
        ui->lstvClassifyOptions->setCurrentRow(0);
    }
}

void VImportFilesWidget::slot_optionItem_itemSelectionChanged()
{
    const QList<QListWidgetItem*> selected = ui->lstvClassifyOptions->selectedItems();
    if (!selected.isEmpty())
        updateCamcorderData(selected.first()->text());
}

void VImportFilesWidget::updateCamcorderData(QString sKey)
{
    ui->importPlayer->Close();
    const CCamcorderInfo* info = camcorder();
    if (!info)
        return;
    // A group holds whole paths: two files of one name in different folders
    // each follow their own group.
    QSet<QString> paths;
    for (const VideoFileStorageInfo& v : info->videoFiles)
        if (keyOf(v) == sKey)
            paths.insert(QString::fromUtf8(v.videoPath.c_str()));
    for (int i = 0; i < ui->lstvImportFiles->count(); ++i) {
        QListWidgetItem* item = ui->lstvImportFiles->item(i);
        item->setHidden(!paths.contains(item->data(Qt::UserRole).toString()));
    }
}

void VImportFilesWidget::on_cbxCheckAll_stateChanged(int state)
{
    if (state != Qt::Checked && state != Qt::Unchecked)
        return;
    for (int i = 0; i < ui->lstvImportFiles->count(); ++i) {
        QListWidgetItem* item = ui->lstvImportFiles->item(i);
        if (!item->isHidden())
            item->setCheckState(static_cast<Qt::CheckState>(state));
    }
}

void VImportFilesWidget::slod_update()
{
    bool all = true;
    for (int i = 0; i < ui->lstvImportFiles->count() && all; ++i) {
        const QListWidgetItem* item = ui->lstvImportFiles->item(i);
        if (!item->isHidden() && item->checkState() != Qt::Checked)
            all = false;
    }
    if (ui->cbxCheckAll->isChecked() != all) {
        disconnect(ui->cbxCheckAll, &QCheckBox::stateChanged, this, &VImportFilesWidget::on_cbxCheckAll_stateChanged);
        ui->cbxCheckAll->setChecked(all);
        connect(ui->cbxCheckAll, &QCheckBox::stateChanged, this, &VImportFilesWidget::on_cbxCheckAll_stateChanged);
    }
    emit signal_checkStartButtonState();
}

void VImportFilesWidget::slot_videoFiles_itemDoubleClicked(QListWidgetItem*)
{
    ui->importPlayer->Play();
}

void VImportFilesWidget::slot_previewplayer_play()
{
    const QList<QListWidgetItem*> selected = ui->lstvImportFiles->selectedItems();
    if (selected.isEmpty())
        return;
    ExecVarAttrInfoMessageBox(STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY,
                              tr("Playback can be jerky in preview window if source files are large in size.Please "
                                 "wait a second for the program to respond."),
                              QDialogButtonBox::Ok, QMessageBox::Warning);
    LoadCamcorderPreview(ui->importPlayer, selected.first()->data(Qt::UserRole).toString());
}

void VImportFilesWidget::on_btnNotify_clicked()
{
    QToolTip::showText(ui->frmBackup->mapToGlobal(ui->btnNotify->pos()), ui->btnNotify->toolTip(), ui->btnNotify);
}

void VImportFilesWidget::on_cbxBackUp_stateChanged(int state)
{
    if (state == Qt::Checked)
        ui->frmBackupDst->setEnabled(true);
    else if (state == Qt::Unchecked)
        ui->frmBackupDst->setEnabled(false);
}

// ---- backup folder ----

QString VImportFilesWidget::GetBackupPath()
{
    const QString stored = variableInfo->GetInfoValue(STR_VARIABLECONFG_NAME_VIDEO_BACKUP_PATH, QVariant()).toString();
    if (!stored.isEmpty() && QuentaBased::dir_exists(stored.toUtf8().constData()))
        return stored;
    QString folder = variableInfo->GetInfoDefaultValue(VARIABLE_INFO_OUTPUTPATH).toString();
    const QString name = variableInfo->GetInfoDefaultValue(VARIABLE_INFO_DEFAULTBACKUP_DIR_NAME).toString();
    if (!name.isEmpty())
        folder += QDir::separator() + name;
    const bool made = QuentaBased::dir_exists(folder.toUtf8().constData()) ||
                      QB_GUARDED_VOID({ QuentaBased::make_dir(folder.toUtf8().constData()); });
    // A folder that could not be made is not remembered: the next call tries again.
    if (made)
        variableInfo->SetInfoValue(STR_VARIABLECONFG_NAME_VIDEO_BACKUP_PATH, folder);
    return folder;
}

QString VImportFilesWidget::shownBackupFolder() const
{
    return ui->edtBackupPath->text().trimmed();
}

void VImportFilesWidget::refreshBackupFolder()
{
    const QString shown = shownBackupFolder();
    if (!shown.isEmpty() && QuentaBased::dir_exists(shown.toUtf8().constData()))
        return;
    ui->edtBackupPath->setText(GetBackupPath());
}

void VImportFilesWidget::UpdateDiskFreeSpaceText()
{
    const uint64_t free = getPathDiskFreeSpace(ui->edtBackupPath->text().toUtf8().constData());
    ui->lblFreeSpaceLib->setText(QString::fromStdString(FormatBytesToStr(free)));
}

void VImportFilesWidget::on_btnBrowse_clicked()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Open"), ui->edtBackupPath->text(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    if (!is_dir_can_write(folder.toUtf8().constData())) {
        ExecPromptMessageBox(tr("Path provided is not writable."), QDialogButtonBox::Ok, QMessageBox::Warning);
        return;
    }
    ui->edtBackupPath->setText(QDir::toNativeSeparators(folder));
    variableInfo->SetInfoValue(STR_VARIABLECONFG_NAME_VIDEO_BACKUP_PATH, QDir::toNativeSeparators(folder));
    UpdateDiskFreeSpaceText();
}
