#include "ccamcorderdetector.h"

#include "Basilvo.h"
#include "CBaseException.h"
#include "sysutils_dir.h"
#include "sysutils_file.h"
#include "sysutils_path.h"
#include "sysutils_string.h"
#include "usbnames.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;
using namespace QuentaBased;

namespace {

std::atomic<CCamcorderDetector*> g_instance{nullptr};

bool SameRoot(const std::string& a, const std::string& b)
{
    return strCaseInsensitiveCompare(include_path_backslash(a.c_str()).c_str(),
                                     include_path_backslash(b.c_str()).c_str()) == 0;
}

bool ExtIs(const std::string& ext, const char* wanted)
{
    return strCaseInsensitiveCompare(ext.c_str(), wanted) == 0;
}

// The entry of `folder` named `name` ignoring letter case (FAT names may show
// in either case); the exact name first.
std::string FindIgnoringCase(const std::string& folder, const std::string& name, bool wantFolder)
{
    std::error_code ec;
    const fs::path exact = fs::path(folder) / name;
    const fs::file_status st = fs::symlink_status(exact, ec);
    if (!ec && (wantFolder ? fs::is_directory(st) : fs::is_regular_file(st)))
        return exact.string();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::file_status s = it->symlink_status(ec);
        if (ec)
            break;
        if ((wantFolder ? fs::is_directory(s) : fs::is_regular_file(s)) &&
            strCaseInsensitiveCompare(it->path().filename().string().c_str(), name.c_str()) == 0)
            return it->path().string();
    }
    return std::string();
}

} // namespace

// ---- naming ----

void CCamcorderDetector::NameUsbVolume(const UsbProperties& usb, std::string& manufacturer, std::string& volumeName)
{
    const auto get = [&usb](const char* key) {
        const auto it = usb.find(key);
        return it == usb.end() ? std::string() : it->second;
    };
    manufacturer = get("manufacturer");
    std::string vendor = get("idVendor");
    std::string product = get("idProduct");
    unsigned int vid = 0;
    unsigned int pid = 0;
    if (std::sscanf(vendor.c_str(), "%x", &vid) != 1)
        vid = 0;
    if (std::sscanf(product.c_str(), "%x", &pid) != 1)
        pid = 0;
    if (const char* name = names_vendor(static_cast<uint16_t>(vid)))
        vendor = name;
    if (const char* name = names_product(static_cast<uint16_t>(vid), static_cast<uint16_t>(pid)))
        product = name;
    if (!vendor.empty())
        manufacturer = vendor;
    if (!product.empty())
        volumeName = product;
}

// ---- instance ----

CCamcorderDetector* CCamcorderDetector::CreateInstance()
{
    static CCamcorderDetector detector = [] {
        std::string folder;
        try {
            folder = include_path_backslash(extract_file_path(get_executable_path()).c_str());
        } catch (...) {
            folder = "/";
        }
        return CCamcorderDetector(folder, CVolumeWatch::kSystemMountTable, nullptr);
    }();
    CCamcorderDetector* expected = nullptr;
    g_instance.compare_exchange_strong(expected, &detector);
    return g_instance.load();
}

CCamcorderDetector* CCamcorderDetector::GetInstance()
{
    return g_instance.load();
}

IDetector* GetCamcorderDetectorInstance()
{
    return CCamcorderDetector::CreateInstance();
}

CCamcorderDetector::CCamcorderDetector(const std::string& programFolder, const std::string& mountTable,
                                       IVolumeIdentity* identity)
    : m_camcorders(true)
{
    if (!identity) {
        m_ownIdentity = CreateSystemVolumeIdentity();
        identity = m_ownIdentity.get();
    }
    m_watch = std::make_unique<CVolumeWatch>(mountTable, identity);
    const std::string folder = include_path_backslash(programFolder.c_str());
    LoadConfigInfoFromFile((folder + "cdcf").c_str());
    names_init(utf8_to_local((folder + "usb.ids").c_str()).c_str());
}

CCamcorderDetector::~CCamcorderDetector()
{
    if (g_instance.load() == this)
        g_instance.store(nullptr);
}

// ---- configuration ----

bool CCamcorderDetector::LoadConfigInfoFromFile(const char* path)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!file_exists(path))
            QB_THROW(QB_ERR_NOT_FOUND, "Camcorder detect config File not found");
        const int fd = file_open(path, 0);
        if (fd < 0)
            ThrowLastError();
        const long long size = file_seek(fd, 0, 2);
        file_seek(fd, 0, 0);
        std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
        size_t got = 0;
        while (got < text.size()) {
            const int n = file_read(fd, &text[got], static_cast<unsigned int>(text.size() - got));
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        file_close(fd);
        text.resize(std::strlen(text.c_str()));
        if (!LoadConfigInfoFromString(text.c_str()))
            ThrowLastError();
        return true;
    });
}

bool CCamcorderDetector::LoadConfigInfoFromString(const char* text)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (!text)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::vector<std::string> entries = StrSplit(text, "\t");
        for (std::string& e : entries)
            e = StrReplace(e, "\\", "/");
        m_detectFolders = entries;
        return true;
    });
}

// ---- records ----

unsigned int CCamcorderDetector::getCamCorderCount()
{
    return m_camcorders.GetCount();
}

const CCamcorderInfo* CCamcorderDetector::GetCamCorder(unsigned int index)
{
    return index < m_camcorders.GetCount() ? m_camcorders.At(index) : nullptr;
}

const CCamcorderInfo* CCamcorderDetector::GetCamCorderByRootpath(const char* rootPath)
{
    if (!rootPath)
        return nullptr;
    for (unsigned int i = 0; i < m_camcorders.GetCount(); ++i)
        if (SameRoot(m_camcorders.At(i)->rootPath, rootPath))
            return m_camcorders.At(i);
    return nullptr;
}

bool CCamcorderDetector::AddConnectDetecetCallBack(IDetectorCallBack* callBack)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        if (!callBack)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_listeners.push_back(callBack);
        return true;
    });
}

void CCamcorderDetector::RemoveConnectDetecetCallBack(IDetectorCallBack* callBack)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), callBack), m_listeners.end());
}

std::string CCamcorderDetector::RemoveCamcorderInfoByBsdName(const char* bsdName)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(std::string(), {
        for (unsigned int i = 0; bsdName && i < m_camcorders.GetCount(); ++i) {
            CCamcorderInfo* info = m_camcorders.At(i);
            if (!info->bsdName.empty() && info->bsdName == bsdName) {
                const std::string root = info->rootPath;
                m_camcorders.Remove(info);
                return root;
            }
        }
        QB_THROW(QB_ERR_NOT_FOUND, "The request resource does not exist");
    });
}

bool CCamcorderDetector::RemoveCamcorderInfoByRootPath(const char* rootPath)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        for (unsigned int i = 0; rootPath && i < m_camcorders.GetCount(); ++i) {
            CCamcorderInfo* info = m_camcorders.At(i);
            if (SameRoot(info->rootPath, rootPath)) {
                m_camcorders.Remove(info);
                return true;
            }
        }
        QB_THROW(QB_ERR_NOT_FOUND, "The request resource does not exist");
    });
}

std::string searchInfoFile(const std::string& videoPath)
{
    const fs::path video(videoPath);
    const fs::path parent = video.parent_path().parent_path();
    const std::string clipinf = FindIgnoringCase(parent.string(), "CLIPINF", true);
    if (clipinf.empty())
        return std::string();
    const std::string stem = video.stem().string();
    for (const char* ext : {".CPI", ".CLPI"}) {
        const std::string found = FindIgnoringCase(clipinf, stem + ext, false);
        if (!found.empty())
            return found;
    }
    return std::string();
}

void searchVideoFiles(const std::string& folder, std::vector<VideoFileStorageInfo>& list)
{
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    for (const fs::path& p : entries) {
        const fs::file_status st = fs::symlink_status(p, ec);
        if (ec)
            continue;
        if (fs::is_directory(st)) {
            searchVideoFiles(p.string(), list);
            continue;
        }
        if (!fs::is_regular_file(st))
            continue; // links, devices: never followed
        const std::string ext = p.extension().string();
        int videoClass = 0;
        if (ExtIs(ext, ".MTS") || ExtIs(ext, ".M2TS"))
            videoClass = 1;
        else if (ExtIs(ext, ".TOD") || ExtIs(ext, ".MOD"))
            videoClass = 2;
        if (!videoClass)
            continue;
        VideoFileStorageInfo v;
        v.videoPath = p.string();
        v.videoClass = videoClass;
        if (videoClass == 1)
            v.infoFilePath = searchInfoFile(v.videoPath);
        list.push_back(v);
    }
}

const CCamcorderInfo* CCamcorderDetector::CheckDiskStructure(std::string root, std::string manufacturer,
                                                             std::string volumeName, std::string bsdName)
{
    GetQuentaException()->Clear();
    return QB_GUARDED(static_cast<const CCamcorderInfo*>(nullptr), {
        for (unsigned int i = 0; i < m_camcorders.GetCount(); ++i)
            if (strCaseInsensitiveCompare(m_camcorders.At(i)->rootPath.c_str(), root.c_str()) == 0)
                return static_cast<const CCamcorderInfo*>(nullptr);
        std::vector<std::string> folders;
        const std::string base = include_path_backslash(root.c_str());
        for (const std::string& entry : m_detectFolders) {
            const std::string folder = base + entry;
            std::error_code ec;
            if (fs::is_directory(fs::status(folder, ec)))
                folders.push_back(folder);
        }
        if (folders.empty())
            return static_cast<const CCamcorderInfo*>(nullptr);
        auto info = std::make_unique<CCamcorderInfo>();
        info->rootPath = root;
        info->manufacturer = manufacturer;
        info->volumeName = volumeName;
        info->bsdName = bsdName;
        for (const std::string& folder : folders)
            searchVideoFiles(folder, info->videoFiles);
        // Byte order of the full paths (capitals first); a folder configured
        // inside another lists its files once.
        auto& files = info->videoFiles;
        std::sort(files.begin(), files.end(), [](const VideoFileStorageInfo& a, const VideoFileStorageInfo& b) {
            return a.videoPath < b.videoPath;
        });
        files.erase(std::unique(files.begin(), files.end(),
                                [](const VideoFileStorageInfo& a, const VideoFileStorageInfo& b) {
                                    return a.videoPath == b.videoPath;
                                }),
                    files.end());
        info->videoFileCount = static_cast<int>(files.size());
        CCamcorderInfo* raw = info.release();
        m_camcorders.Add(raw);
        return static_cast<const CCamcorderInfo*>(raw);
    });
}

// ---- scanning and watching ----

bool CCamcorderDetector::ScanAllCamcorders()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        m_camcorders.Clear();
        for (const UsbVolume& v : m_watch->CurrentUsbVolumes()) {
            std::string manufacturer;
            std::string volumeName = v.info.volumeName;
            NameUsbVolume(v.usb, manufacturer, volumeName);
            CheckDiskStructure(local_to_utf8(v.info.mountPoint.c_str()), manufacturer, volumeName,
                               v.info.deviceIdentifier);
        }
        return true;
    });
}

bool CCamcorderDetector::BeginWatchCamCorderConnection()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, { return m_watch->Start(this); });
}

bool CCamcorderDetector::EndWatchCamCorderConnection()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        m_watch->Stop();
        return true;
    });
}

void CCamcorderDetector::OnCamCorderConnected(const CCamcorderInfo* info)
{
    const std::vector<IDetectorCallBack*> listeners = m_listeners;
    for (IDetectorCallBack* l : listeners)
        if (std::find(m_listeners.begin(), m_listeners.end(), l) != m_listeners.end())
            l->OnCamCorderConnect(info);
}

void CCamcorderDetector::OnCamCorderDisConnected(const char* rootPath)
{
    const std::vector<IDetectorCallBack*> listeners = m_listeners;
    for (IDetectorCallBack* l : listeners)
        if (std::find(m_listeners.begin(), m_listeners.end(), l) != m_listeners.end())
            l->OnCamCorderDisConnect(rootPath);
}

void CCamcorderDetector::OnUsbVolumeMounted(const UsbVolume& volume)
{
    QB_GUARDED_VOID({
        std::string manufacturer;
        std::string volumeName = volume.info.volumeName;
        NameUsbVolume(volume.usb, manufacturer, volumeName);
        const CCamcorderInfo* info = CheckDiskStructure(local_to_utf8(volume.info.mountPoint.c_str()), manufacturer,
                                                        volumeName, volume.info.deviceIdentifier);
        if (info)
            OnCamCorderConnected(info);
    });
}

void CCamcorderDetector::OnUsbVolumeRemoved(const UsbVolume& volume)
{
    QB_GUARDED_VOID({
        // The record goes by its mount point: one disk may carry several volumes.
        const std::string root = local_to_utf8(volume.info.mountPoint.c_str());
        if (!GetCamCorderByRootpath(root.c_str())) {
            GetQuentaException()->SetException(QB_ERR_NOT_FOUND, "The request resource does not exist", __LINE__,
                                               __FILE__);
            return;
        }
        std::string stored = GetCamCorderByRootpath(root.c_str())->rootPath;
        RemoveCamcorderInfoByRootPath(root.c_str());
        OnCamCorderDisConnected(stored.c_str());
    });
}
