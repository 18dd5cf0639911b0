#pragma once

// The camcorder import wizard, as far as the main window and the import/edit
// page need it before camcorder import exists: no camcorder is connected, so
// asking for it only says so.

#include <QDialog>
#include <QString>
#include <QStringList>

#include "ccamdetectwatcher.h"
namespace Moorland { class IAVManager; }

enum CamcorderExportType { CamcorderExportNone = 0, CamcorderExportImport = 2, CamcorderExportBackup = 3 };

struct CamcorderExportData
{
    CamcorderExportType type = CamcorderExportNone;
    QString backupFolder;
    QStringList files;
    int flag = 0;
};

class VCamcorderDialog : public QDialog
{
    Q_OBJECT
public:
    VCamcorderDialog(QWidget* parent, Qt::WindowFlags flags);

    void SetAVManager(Moorland::IAVManager* manager) { m_manager = manager; }
    CamcorderExportData getExportData() const { return m_data; }
    // Tells the user that no camcorder is connected; shown stays false.
    void show(bool& shown);

    // Lets a test hand the page a wizard result.
    void setExportData(const CamcorderExportData& data) { m_data = data; }

public slots:
    void slot_OnCamCorderConnect(const CCamcorderInfo*) {}
    void slot_OnCamCorderDisConnect(QString) {}

private:
    Moorland::IAVManager* m_manager = nullptr;
    CamcorderExportData m_data;
};
