#pragma once

// The camcorder detector: which mounted USB volumes hold a camcorder's
// folders, with their video files, kept up to date as volumes are mounted and
// removed, and the listeners told.

#include "CObjectList.h"
#include "CVolumeWatch.h"
#include "idetector.h"

#include <memory>
#include <string>
#include <vector>

class CCamcorderDetector : public IDetector, private IVolumeWatchListener
{
public:
    // The process's detector: the program folder's files, the system's mount
    // table and USB identities.
    static CCamcorderDetector* CreateInstance();
    static CCamcorderDetector* GetInstance();

    // A detector of its own: configuration from `programFolder` ("cdcf",
    // "usb.ids"), volumes from `mountTable` named by `identity` (kept, not owned).
    CCamcorderDetector(const std::string& programFolder, const std::string& mountTable, IVolumeIdentity* identity);
    virtual ~CCamcorderDetector();

    bool ScanAllCamcorders() override;
    unsigned int getCamCorderCount() override;
    const CCamcorderInfo* GetCamCorder(unsigned int index) override;
    const CCamcorderInfo* GetCamCorderByRootpath(const char* rootPath) override;
    bool BeginWatchCamCorderConnection() override;
    bool EndWatchCamCorderConnection() override;
    bool AddConnectDetecetCallBack(IDetectorCallBack* callBack) override;
    void RemoveConnectDetecetCallBack(IDetectorCallBack* callBack) override;

    bool LoadConfigInfoFromFile(const char* path);
    bool LoadConfigInfoFromString(const char* text);
    const std::vector<std::string>& GetDetectFolders() const { return m_detectFolders; }

    std::string RemoveCamcorderInfoByBsdName(const char* bsdName);
    bool RemoveCamcorderInfoByRootPath(const char* rootPath);
    // The new record (owned by the detector), or null when the volume is
    // listed already or holds none of the configured folders.
    const CCamcorderInfo* CheckDiskStructure(std::string root, std::string manufacturer, std::string volumeName,
                                             std::string bsdName);
    void OnCamCorderConnected(const CCamcorderInfo* info);
    void OnCamCorderDisConnected(const char* rootPath);

    // The maker and the name a USB volume is shown by: the vendor's name from
    // "usb.ids", else the device's raw vendor id, else its manufacturer text;
    // the product's name (or raw id) replaces the volume's own name.
    static void NameUsbVolume(const UsbProperties& usb, std::string& manufacturer, std::string& volumeName);

private:
    void OnUsbVolumeMounted(const UsbVolume& volume) override;
    void OnUsbVolumeRemoved(const UsbVolume& volume) override;

    std::unique_ptr<IVolumeIdentity> m_ownIdentity;
    std::unique_ptr<CVolumeWatch> m_watch;
    std::vector<std::string> m_detectFolders;
    CHandleList<CCamcorderInfo*, QuentaBased::ObjectHandleFree<CCamcorderInfo*>> m_camcorders;
    std::vector<IDetectorCallBack*> m_listeners;
};

// Video files below `folder`, depth first; symbolic links are not followed.
// Extensions and the "CLIPINF" folder match ignoring letter case.
void searchVideoFiles(const std::string& folder, std::vector<VideoFileStorageInfo>& list);
std::string searchInfoFile(const std::string& videoPath);
