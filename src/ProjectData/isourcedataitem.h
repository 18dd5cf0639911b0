#pragma once

// A data item as a library item or a timeline clip. Holders release one only
// through Free.

#include "idcdataitem.h"

#include <QDateTime>
#include <QString>

namespace Fablecut {

class ISourceDataItem : public IDCDataItem
{
public:
    virtual void Free() = 0;
    // A new independent copy, owned by the caller.
    virtual ISourceDataItem* CloneDataItem() = 0;
    // 0 video, 1 audio only, 64 neither (also after a failed open).
    virtual int GetItemType() const = 0;
    virtual QString GetSourceFormat() const = 0;
    virtual QString GetSrcFileFullPath() const = 0;
    virtual void setName(QString name) = 0;
    virtual QString Name() const = 0;
    virtual CBaseTime GetTrimStartPoint() const = 0;
    // bExact false keeps the point within 0..duration and not past the trim end.
    virtual void SetTrimStartPoint(const CBaseTime& time, bool bExact) = 0;
    virtual CBaseTime GetTrimEndPoint() const = 0;
    // bExact false keeps the point within 0..duration and not before the trim start.
    virtual void SetTrimEndPoint(const CBaseTime& time, bool bExact) = 0;
    virtual CBaseTime GetTrimDuration() const = 0;
    // The position on the timeline; set by the timeline only.
    virtual void SetStartPoint(const CBaseTime& time) = 0;
    virtual CBaseTime GetStartPoint() const = 0;
    virtual QDateTime LastModifiedDateTime() const = 0;
    virtual qint64 GetSourceFileSize() const = 0;
};

} // namespace Fablecut

Q_DECLARE_METATYPE(Fablecut::ISourceDataItem*)
Q_DECLARE_METATYPE(const Fablecut::ISourceDataItem*)
