#pragma once

// The camcorder records and the detector's interfaces, as the watcher and the
// import wizard read them.

#include <string>
#include <vector>

// One video file of a camcorder volume.
struct VideoFileStorageInfo
{
    std::string videoPath;    // full path, UTF-8
    int videoClass = 0;       // 1 ".MTS"/".M2TS", 2 ".TOD"/".MOD"
    std::string infoFilePath; // its clip-information file, or empty
};

// One camcorder volume. Paths have no length limit.
class CCamcorderInfo
{
public:
    std::string rootPath; // the volume's mount point, UTF-8
    int videoFileCount = 0;
    std::vector<VideoFileStorageInfo> videoFiles; // sorted by videoPath, byte order
    std::string volumeName;                       // empty when unknown
    std::string manufacturer;                     // empty when unknown
    std::string bsdName;                          // the volume's device name; empty when unknown
};

class IDetectorCallBack
{
public:
    virtual void OnCamCorderConnect(const CCamcorderInfo* info) = 0;
    virtual void OnCamCorderDisConnect(const char* rootPath) = 0;

protected:
    ~IDetectorCallBack() = default;
};

class IDetector
{
public:
    virtual bool ScanAllCamcorders() = 0;
    virtual unsigned int getCamCorderCount() = 0;
    virtual const CCamcorderInfo* GetCamCorder(unsigned int index) = 0;
    virtual const CCamcorderInfo* GetCamCorderByRootpath(const char* rootPath) = 0;
    virtual bool BeginWatchCamCorderConnection() = 0;
    virtual bool EndWatchCamCorderConnection() = 0;
    virtual bool AddConnectDetecetCallBack(IDetectorCallBack* callBack) = 0;
    // Takes every registration of the listener out; a listener that is
    // destroyed must be told about no more.
    virtual void RemoveConnectDetecetCallBack(IDetectorCallBack* callBack) = 0;

protected:
    ~IDetector() = default;
};

// The process's one detector, made on first use with the "cdcf" and "usb.ids"
// beside the program.
IDetector* GetCamcorderDetectorInstance();
