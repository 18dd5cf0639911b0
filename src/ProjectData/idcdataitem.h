#pragma once

// What every data item answers (a library clip, a timeline clip, the whole
// timeline), and the playable side of an item that a player loads.

#include "utility/CBaseTime.h"
#include "sysutils_string.h"

#include <QImage>

namespace Moorland {
class IAVSource;
}

// The crop rectangle: edges in pixels of the source frame.
using rect_t = QuentaBased::rect_t;

// Interface names answered by GetInterFace.
constexpr char DC_PLAYSOURCE_INTERFACE[] = "DC_PLAYSOURCE_INTERFACE";
constexpr char IDCDATAITEMEX_INTERFACE[] = "IDCDATAITEMEX_INTERFACE";

class IDCDataItem
{
public:
    virtual const QImage* GetThumbnailData() const = 0;
    virtual unsigned int GetPixelHeight() const = 0;
    virtual unsigned int GetPixelWidth() const = 0;
    virtual unsigned int GetViewHeight() const = 0;
    virtual unsigned int GetViewWidth() const = 0;
    // Another interface of the item by name; null for an unknown name. The
    // answer points into the item and is never released by the caller.
    virtual void* GetInterFace(const char* name) = 0;
    virtual CBaseTime GetDuration() const = 0;
    virtual bool Interlaced() const = 0;

protected:
    virtual ~IDCDataItem() = default;
};

// An item that hands out, and renews on request, a playable source of the
// media manager. The source stays the item's.
class IDCPlaySourceItem : public IDCDataItem
{
public:
    virtual Moorland::IAVSource* GetAVSourse() const = 0;
    virtual void FreeAVSource() = 0;
    // True when the held source no longer matches the item's choices.
    virtual bool NeedUpdateSource() = 0;
    // False with the reason in the calling thread's last-error record.
    virtual bool UpdateAVSource() = 0;
};
