#pragma once

// The camcorder import wizard: page 1 chooses a camcorder, page 2 its videos
// and whether they are backed up first. Start fills the result record and
// accepts the dialog.

#include "idetector.h"

#include <QDialog>
#include <QString>
#include <QStringList>

namespace Moorland {
class IAVManager;
}
namespace Ui {
class VCamcorderDialog;
}
class VImportFilesWidget;
class VSelectCamcorderWidget;

enum CamcorderExportType {
    CamcorderExportNone = 1,   // nothing chosen yet
    CamcorderExportImport = 2, // import the chosen files from the camcorder
    CamcorderExportBackup = 3, // back them up first and import the copies
};

struct CamcorderExportData
{
    CamcorderExportType exportType = CamcorderExportNone;
    QString backupPath;
    QStringList fileList; // full paths, native separators
    bool flag = false;
};

class VCamcorderDialog : public QDialog
{
    Q_OBJECT
public:
    VCamcorderDialog(QWidget* parent, Qt::WindowFlags f);
    // With a detector of the caller's own (not owned).
    VCamcorderDialog(IDetector* detector, QWidget* parent, Qt::WindowFlags f);
    ~VCamcorderDialog() override;

    void SetAVManager(Moorland::IAVManager* manager);
    CamcorderExportData getExportData() const { return exportData; }

    VSelectCamcorderWidget* selectCamcorderPage() const { return selectPage; }
    VImportFilesWidget* importFilesPage() const { return importPage; }
    int step() const { return currentStep; }
    // Lets a test hand the import page a wizard result.
    void setExportData(const CamcorderExportData& data) { exportData = data; }
    using QDialog::show;

public slots:
    // Opens without blocking; bValue tells whether it opened.
    virtual void show(bool& bValue);
    int exec() override;
    void done(int r) override;
    void slot_OnCamCorderConnect(const CCamcorderInfo* pCamInfo);
    void slot_OnCamCorderDisConnect(QString sRootPath);

signals:
    void signal_createAVSourceFailed(bool& bRetry);

protected:
    bool event(QEvent* e) override;

private slots:
    void on_btnNext_clicked();
    void on_btnBack_clicked();
    void on_btnCancel_clicked();
    void slot_CheckImportStartButtonState();

private:
    void updateUI();
    void updateExportData(CamcorderExportType type);
    void Retranslate();
    void closeData();
    bool prepareOpening();

    Ui::VCamcorderDialog* ui;
    VSelectCamcorderWidget* selectPage = nullptr;
    VImportFilesWidget* importPage = nullptr;
    int currentStep = 0;
    IDetector* detector = nullptr;
    CamcorderExportData exportData;
};
