#pragma once

// The questions the timeline panel and its track ask of the page that holds
// them. Each is a call answered before it returns; a question left unset
// gets the answer "nothing" (no picture time, no picture, no library item,
// the hold flag unchanged).

#include <QImage>
#include <QtGlobal>

#include <functional>

class IDCPlaySourceItem;
namespace Fablecut {
class ISourceDataItem;
}

struct TimeLineHostCalls
{
    // The exact time (ms) and frame value of the picture the main player
    // shows; false when the player cannot tell.
    std::function<bool(qint64& borderMs, qint32& frameValue)> GetCurPicBorderTime;
    // The picture the main player shows, at the size asked.
    std::function<QImage(int width, int height)> CaptureCurFrame;
    // The track takes the main player for the timeline; the answer is
    // whether the timeline already held it.
    std::function<bool(const IDCPlaySourceItem* item, bool hold)> playerFocusChangeToTimeLineView;
    // The live library item behind a drag handle, or null.
    std::function<Fablecut::ISourceDataItem*(quint32 handle)> QueryLibraryItemByHandle;
};
