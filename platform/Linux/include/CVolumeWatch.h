#pragma once

// Notice of USB volumes as they are mounted and removed. The kernel's mount
// table says when something was mounted or unmounted (its change event comes
// through a socket notifier); udev's add/remove events, when udevd runs, say
// when a disk went away while still mounted. Mounting itself is the
// desktop's job.
//
// A table that is not under /proc (a test's own file) is watched for
// changes of its content instead.

#include "UsbVolumes.h"

#include <QObject>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QFileSystemWatcher;
class QSocketNotifier;
struct udev;
struct udev_monitor;

class IVolumeWatchListener
{
public:
    virtual void OnUsbVolumeMounted(const UsbVolume& volume) = 0;
    virtual void OnUsbVolumeRemoved(const UsbVolume& volume) = 0;

protected:
    ~IVolumeWatchListener() = default;
};

class CVolumeWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kSystemMountTable = "/proc/self/mountinfo";

    // The identity lookup is kept, not owned.
    CVolumeWatch(std::string mountTable, IVolumeIdentity* identity, QObject* parent = nullptr);
    ~CVolumeWatch() override;

    // The USB volumes mounted now, read at once.
    std::vector<UsbVolume> CurrentUsbVolumes();

    // Listens on the calling thread's event loop. Listeners are told after the
    // notifiers have been drained, from a queued call, never from inside a
    // notifier's handler; removals come before new mounts.
    bool Start(IVolumeWatchListener* listener);
    void Stop();
    bool IsWatching() const { return m_listener != nullptr; }
    // True while udev's events are followed too.
    bool FollowsUdev() const { return m_udevNotifier != nullptr; }

private slots:
    void slot_tableChanged();
    void slot_udevEvent();
    void slot_tell();

private:
    using DevNum = std::pair<unsigned int, unsigned int>;
    void rescan();
    void scheduleTell();

    std::string m_table;
    IVolumeIdentity* m_identity;
    IVolumeWatchListener* m_listener = nullptr;
    int m_tableFd = -1;
    QSocketNotifier* m_tableNotifier = nullptr;
    QFileSystemWatcher* m_fileWatcher = nullptr;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_udevNotifier = nullptr;
    std::vector<UsbVolume> m_known;
    // Disks udev reported gone while their mount lingers in the table.
    std::set<DevNum> m_gone;
    std::vector<UsbVolume> m_pendingMounted;
    std::vector<UsbVolume> m_pendingRemoved;
    bool m_tellQueued = false;
};
