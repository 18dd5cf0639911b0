#include "ccamdetectwatcher.h"

CCamDetectWatcher::CCamDetectWatcher(QObject* parent) : CCamDetectWatcher(GetCamcorderDetectorInstance(), parent) {}

CCamDetectWatcher::CCamDetectWatcher(IDetector* detector, QObject* parent) : QObject(parent), m_detector(detector)
{
    qRegisterMetaType<const CCamcorderInfo*>();
    if (m_detector)
        m_detector->ScanAllCamcorders();
}

CCamDetectWatcher::~CCamDetectWatcher()
{
    if (m_detector) {
        m_detector->EndWatchCamCorderConnection();
        m_detector->RemoveConnectDetecetCallBack(this);
    }
}

void CCamDetectWatcher::InstallConnectionCallBack()
{
    if (!m_detector)
        return;
    m_detector->AddConnectDetecetCallBack(this);
    m_detector->BeginWatchCamCorderConnection();
}

void CCamDetectWatcher::OnCamCorderConnect(const CCamcorderInfo* info)
{
    emit signal_OnCamCorderConnect(info);
}

void CCamDetectWatcher::OnCamCorderDisConnect(const char* rootPath)
{
    emit signal_OnCamCorderDisConnect(QString::fromUtf8(rootPath ? rootPath : ""));
}
