#pragma once

// Page 2 of the camcorder import wizard: the chosen camcorder's videos,
// grouped by date or type, ticked for import, previewed; and whether they are
// first backed up to a local folder.

#include "idetector.h"

#include <QString>
#include <QStringList>
#include <QWidget>

namespace Moorland {
class IAVManager;
}
namespace Ui {
class VImportFilesWidget;
}
class CAppVariableInfo;
class QListWidgetItem;
class QTimer;

class VImportFilesWidget : public QWidget
{
    Q_OBJECT
public:
    explicit VImportFilesWidget(QWidget* parent);
    ~VImportFilesWidget() override;

    void setDetector(IDetector* detector) { detector_ = detector; }
    void SetAVManager(Moorland::IAVManager* manager);
    void setCamcorderRootPath(QString sRootPath);
    void setCamcorderName(QString sName);
    void ReTranslate();
    void ClosePreviewPlayer();
    // Ticked files, shown or hidden, in list order, native separators.
    QStringList getSelectedFileList() const;
    // 3 back up first, 2 import directly.
    int getExportType() const;
    QString getDataFormat() const { return dateFormat; }
    int getCurrentVideoClass() const { return classifyMode; }
    void updateVideoData();
    void setVisible(bool visible) override;

    // The backup folder, settled: the setting "VideoBackupPath" when it names
    // a folder, else the default output folder's backup folder, created.
    QString GetBackupPath();
    void UpdateDiskFreeSpaceText();
    // The folder "Backup to:" shows, typed or chosen: the one a backup goes to.
    QString shownBackupFolder() const;
    // Shows the settled backup folder again when the one shown has gone away.
    void refreshBackupFolder();

    Ui::VImportFilesWidget* form() const { return ui; }

signals:
    void signal_checkStartButtonState();
    void signal_createAVSourceFailed(bool& bRetry);

private slots:
    void on_cbbxClassifyOptions_currentIndexChanged(int index);
    void slot_optionItem_itemSelectionChanged();
    void on_cbxCheckAll_stateChanged(int state);
    void slod_update();
    void slot_videoFiles_itemDoubleClicked(QListWidgetItem* item);
    void slot_previewplayer_play();
    void on_btnNotify_clicked();
    void on_cbxBackUp_stateChanged(int state);
    void on_btnBrowse_clicked();

private:
    void updateCamcorderData();
    void updateClassifyOptionsData();
    void updateCamcorderData(QString sKey);
    QString keyOf(const VideoFileStorageInfo& video) const;
    const CCamcorderInfo* camcorder() const;

    Ui::VImportFilesWidget* ui;
    IDetector* detector_ = nullptr;
    QString rootPath;
    QTimer* refreshTimer = nullptr;
    QString dateFormat;
    int classifyMode = 0;
    QString defaultOptionKey;
    CAppVariableInfo* variableInfo = nullptr;
};
