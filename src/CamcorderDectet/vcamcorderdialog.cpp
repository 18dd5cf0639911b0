#include "vcamcorderdialog.h"

#include "ui_vcamcorderdialog.h"

#include "dialogs/VRichMessageBox.h"
#include "vimportfileswidget.h"
#include "vselectcamcorderwidget.h"

#include <QEvent>
#include <QHBoxLayout>

VCamcorderDialog::VCamcorderDialog(QWidget* parent, Qt::WindowFlags f)
    : VCamcorderDialog(GetCamcorderDetectorInstance(), parent, f)
{}

VCamcorderDialog::VCamcorderDialog(IDetector* pDetector, QWidget* parent, Qt::WindowFlags f)
    : QDialog(parent, f), ui(new Ui::VCamcorderDialog), detector(pDetector)
{
    if (detector)
        detector->ScanAllCamcorders();
    ui->setupUi(this);
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowMaximizeButtonHint);
    setWindowModality(Qt::WindowModal);
    importPage = new VImportFilesWidget(nullptr);
    selectPage = new VSelectCamcorderWidget(nullptr);
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(selectPage);
    layout->addWidget(importPage);
    selectPage->hide();
    importPage->hide();
    ui->frameContent->setLayout(layout);
    currentStep = 0;
    selectPage->setDetector(detector);
    importPage->setDetector(detector);
    updateUI();
    exportData.exportType = CamcorderExportNone;
    exportData.fileList.clear();
    exportData.flag = false;
    connect(importPage, &VImportFilesWidget::signal_checkStartButtonState, this,
            &VCamcorderDialog::slot_CheckImportStartButtonState);
    connect(importPage, &VImportFilesWidget::signal_createAVSourceFailed, this,
            &VCamcorderDialog::signal_createAVSourceFailed);
    Retranslate();
}

VCamcorderDialog::~VCamcorderDialog()
{
    delete ui;
    delete selectPage;
    delete importPage;
}

void VCamcorderDialog::SetAVManager(Moorland::IAVManager* manager)
{
    selectPage->SetAVManager(manager);
    importPage->SetAVManager(manager);
}

void VCamcorderDialog::updateUI()
{
    const unsigned int count = detector ? detector->getCamCorderCount() : 0;
    if (currentStep == 2) {
        importPage->setCamcorderRootPath(selectPage->getSelectedRootPath());
        importPage->setCamcorderName(selectPage->getSelectedName());
        importPage->refreshBackupFolder();
        importPage->UpdateDiskFreeSpaceText();
        importPage->show();
        selectPage->hide();
        selectPage->ClosePreviewPlayer();
        ui->btnBack->setEnabled(count != 1);
        ui->btnNext->setEnabled(true);
        ui->btnNext->setText(tr("Start"));
    } else {
        importPage->hide();
        importPage->ClosePreviewPlayer();
        selectPage->show();
        ui->btnBack->setEnabled(false);
        ui->btnNext->setEnabled(true);
        ui->btnNext->setText(tr("Next"));
    }
}

bool VCamcorderDialog::prepareOpening()
{
    currentStep = 0;
    const unsigned int count = detector ? detector->getCamCorderCount() : 0;
    if (count == 0) {
        ExecPromptMessageBox(tr("No camcorder is connected"), QDialogButtonBox::Ok, QMessageBox::Warning);
        return false;
    }
    if (count == 1)
        currentStep = 2;
    return true;
}

void VCamcorderDialog::show(bool& bValue)
{
    bValue = prepareOpening();
    if (!bValue)
        return;
    setVisible(true);
    selectPage->updateCamcorderData();
    updateUI();
}

int VCamcorderDialog::exec()
{
    if (!prepareOpening())
        return QDialog::Rejected;
    selectPage->updateCamcorderData();
    updateUI();
    return QDialog::exec();
}

void VCamcorderDialog::closeData()
{
    currentStep = 0;
    updateUI();
    importPage->ClosePreviewPlayer();
    selectPage->ClosePreviewPlayer();
}

void VCamcorderDialog::done(int r)
{
    closeData();
    QDialog::done(r);
}

void VCamcorderDialog::on_btnNext_clicked()
{
    if (currentStep == 0) {
        // Nothing selected, or a camcorder that went meanwhile: stay here.
        const QString root = selectPage->getSelectedRootPath();
        const CCamcorderInfo* info =
            (detector && !root.isNull()) ? detector->GetCamCorderByRootpath(root.toUtf8().constData()) : nullptr;
        if (!info)
            ExecPromptMessageBox(tr("Please select a camcorder first."), QDialogButtonBox::Ok, QMessageBox::Warning);
        else if (info->videoFileCount == 0)
            ExecPromptMessageBox(tr("This camcorder does not contain any video file,\nplease select another "
                                    "camcorder."),
                                 QDialogButtonBox::Ok, QMessageBox::Warning);
        else
            currentStep = 2;
        updateUI();
        return;
    }
    updateExportData(static_cast<CamcorderExportType>(importPage->getExportType()));
    accept();
    updateUI();
}

void VCamcorderDialog::on_btnBack_clicked()
{
    if (currentStep == 2)
        currentStep = 0;
    updateUI();
}

void VCamcorderDialog::on_btnCancel_clicked()
{
    reject();
}

void VCamcorderDialog::slot_CheckImportStartButtonState()
{
    if (currentStep == 2)
        ui->btnNext->setEnabled(!importPage->getSelectedFileList().isEmpty());
}

void VCamcorderDialog::slot_OnCamCorderConnect(const CCamcorderInfo*)
{
    selectPage->updateCamcorderData();
    updateUI();
}

void VCamcorderDialog::slot_OnCamCorderDisConnect(QString)
{
    if (isVisible()) {
        if (!detector || detector->getCamCorderCount() == 0)
            reject();
        else
            ExecPromptMessageBox(tr("The camcorder is disconnected!"), QDialogButtonBox::Ok, QMessageBox::Warning);
    }
    selectPage->updateCamcorderData();
    updateUI();
}

bool VCamcorderDialog::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QDialog::event(e);
}

void VCamcorderDialog::Retranslate()
{
    ui->retranslateUi(this);
    setWindowTitle(tr("Camcorder"));
    ui->btnBack->setText(tr("Back"));
    ui->btnNext->setText(currentStep == 2 ? tr("Start") : tr("Next"));
    selectPage->ReTranslate();
    importPage->ReTranslate();
}

void VCamcorderDialog::updateExportData(CamcorderExportType type)
{
    if (type == CamcorderExportBackup) {
        exportData.exportType = CamcorderExportBackup;
        // The copies go where the page says they go; a folder that cannot take
        // them is refused by the import page before anything is copied.
        exportData.backupPath = importPage->shownBackupFolder();
        exportData.fileList = importPage->getSelectedFileList();
        exportData.flag = false;
    } else if (type == CamcorderExportImport) {
        exportData.exportType = CamcorderExportImport;
        exportData.fileList = importPage->getSelectedFileList();
    }
}
