#pragma once

// The camcorder watcher, as far as the main window needs it before camcorder
// import exists: there is no detector, so no camcorder is ever connected.

#include <QObject>
#include <QString>

// What a connected camcorder is known by (its volume's root path).
class CCamcorderInfo
{
public:
    QString rootPath;
};

class CCamDetector
{
public:
    virtual int getCamCorderCount() = 0;

protected:
    virtual ~CCamDetector() = default;
};

class CCamDetectWatcher : public QObject
{
    Q_OBJECT
public:
    explicit CCamDetectWatcher(QObject* parent) : QObject(parent) {}

    CCamDetector* GetDetector() const { return nullptr; }
    void InstallConnectionCallBack() {}

signals:
    void signal_OnCamCorderConnect(const CCamcorderInfo* info);
    void signal_OnCamCorderDisConnect(QString rootPath);
};
