#pragma once

// Carries the camcorder detector's notices into signals for the main window
// and the import wizard, and holds the detector for them.

#include "idetector.h"

#include <QMetaType>
#include <QObject>
#include <QString>

class CCamDetectWatcher : public QObject, public IDetectorCallBack
{
    Q_OBJECT
public:
    // Takes the process's detector and scans once.
    explicit CCamDetectWatcher(QObject* parent);
    // For a detector of the caller's own (not owned).
    CCamDetectWatcher(IDetector* detector, QObject* parent);
    ~CCamDetectWatcher() override;

    // Registers with the detector, then starts its watching.
    void InstallConnectionCallBack();
    IDetector* GetDetector() const { return m_detector; }

    void OnCamCorderConnect(const CCamcorderInfo* info) override;
    void OnCamCorderDisConnect(const char* rootPath) override;

signals:
    // The record belongs to the detector and lives until the camcorder goes or the next full scan.
    void signal_OnCamCorderConnect(const CCamcorderInfo* pCamInfo);
    void signal_OnCamCorderDisConnect(QString sRootPath);

private:
    IDetector* m_detector;
};

Q_DECLARE_METATYPE(const CCamcorderInfo*)
