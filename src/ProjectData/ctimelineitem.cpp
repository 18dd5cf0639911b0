#include "ctimelineitem.h"

#include "cclipsettings.h"
#include "cmediaitemgrappic.h"
#include "cmediasourceitem.h"
#include "seixwriting.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CTmpFile.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "ISimpleEditTimeLine.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <QFile>
#include <QImage>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

using Fablecut::CMediaSourceItem;
using Fablecut::CropMarginOf;
using Fablecut::FillOutputFormat;
using Fablecut::ImporterHolder;
using Fablecut::ISourceDataItem;
using Fablecut::SaveDescriptionOver;

namespace {

CMediaSourceItem* AsMediaClip(ISourceDataItem* item)
{
    return dynamic_cast<CMediaSourceItem*>(item);
}

// One effect with its parameters; numbers are written as decimal text.
void AddEffect(Moorland::ISimpleEditTimeLine* timeline, int index, const char* name,
               const std::vector<std::pair<std::string, std::string>>& params)
{
    std::vector<const char*> names;
    std::vector<const char*> values;
    for (const auto& p : params) {
        names.push_back(p.first.c_str());
        values.push_back(p.second.c_str());
    }
    names.push_back(nullptr);
    values.push_back(nullptr);
    const bool none = params.size() == 0;
    timeline->AddClipEffect(index, timeline->GetClipEffectCount(index), name, none ? nullptr : names.data(),
                            none ? nullptr : values.data());
}

} // namespace

void insert_a_to_b_by_index(int index, ISourceDataItem* item, std::vector<ISourceDataItem*>& items)
{
    if (!item || index > static_cast<int>(items.size()))
        return;
    if (index < 0 || index == static_cast<int>(items.size()))
        items.push_back(item);
    else
        items.insert(items.begin() + index, item);
}

void insert_childitem_seixinfo::operator()(ISourceDataItem* item) const
{
    CMediaSourceItem* clip = AsMediaClip(item);
    if (!clip || !timeline)
        return;
    const bool audioOnly = clip->GetItemType() == 1;
    const Moorland::StreamInfo* video = clip->GetCurStreamInfo(Moorland::StreamTypeVideo);
    const Moorland::StreamInfo* audio = clip->GetCurStreamInfo(Moorland::StreamTypeAudio);

    Moorland::CSourceURL url(clip->GetSrcFileFullPath().toUtf8().toStdString());
    if (audioOnly)
        url.SetFilePath(blackBG.toUtf8().toStdString());
    url.SetMovieID(clip->GetCurMovieID());
    url.SetAudioStreamID(audio ? audio->id : -2);
    url.SetVideoStreamID(video ? video->id : -2);
    url.SetParam("acuracy_seek", bWithEdit ? "1" : "0");
    const std::string address = url.GetURL();
    const std::string importer =
        audioOnly ? std::string("ImageImporter") : clip->GetImporterName().toUtf8().toStdString();

    Moorland::SimpleEditOutputFormat format;
    FillOutputFormat(format, video, audio);

    Moorland::SimpleEditClipEntry entry{};
    entry.sourceAddress = address.c_str();
    entry.importerName = importer.c_str();
    entry.trimStartMs = clip->GetTrimStartPoint().ToMillisecond();
    entry.trimEndMs = clip->GetTrimEndPoint().ToMillisecond();
    if (bWithEdit && video) {
        const rect_t crop = clip->GetCrop();
        entry.leftMargin = CropMarginOf(crop.left);
        entry.topMargin = CropMarginOf(crop.top);
        entry.rightMargin = CropMarginOf(static_cast<double>(video->width) - crop.right);
        entry.bottomMargin = CropMarginOf(static_cast<double>(video->height) - crop.bottom);
    }
    // A clip the description refuses (of no picture, say) fails the whole
    // description: the settings below would else land on the clip before.
    GetQuentaException()->Clear();
    if (!timeline->InsertClip(-1, &entry)) {
        if (GetQuentaException()->GetExceptionCode() != 0)
            QuentaBased::ThrowLastError();
        QB_THROW(QB_ERR_MEDIA,
                 "The clip " + clip->GetSrcFileFullPath().toUtf8().toStdString() + " can't be placed on the timeline");
    }
    const int index = timeline->GetClipCount() - 1;

    if (bWithEdit) {
        // The players read the same value: the file goes through the same
        // processors in the same order as the picture on screen, and sounds
        // as the player did.
        const CClipSettings settings = CClipSettings::Of(*clip);
        for (const EffectStep& step : settings.PictureSteps())
            AddEffect(timeline, index, step.name.c_str(), step.params);
        const CClipSoundLines& sound = settings.SoundLines();
        if (sound.replace) {
            const QByteArray path = sound.replacePath.toUtf8();
            // The clip's own index, so the sound replaced is this clip's.
            timeline->SetReplaceAudio(path.constData(), index, sound.replaceLoop ? 1 : 0);
        }
        if (std::fabs(sound.volume - 1.0) > 0.0001)
            timeline->SetClipVolume(index, sound.volume);
        if (sound.mute)
            timeline->SetClipMute(index, 1);
    }
    if (audioOnly) {
        const QByteArray path = clip->GetSrcFileFullPath().toUtf8();
        timeline->SetClipAudioSource(index, path.constData(), 0, 0);
    }
    timeline->SetClipInterlaced(index, clip->GetSrcInterlaced() ? 1 : 0);
    timeline->SetOutputFormat(index, &format);
}

// ------------------------------------------------------------------ lifetime

CTimelineItem::CTimelineItem()
{
    QuentaBased::CTmpFile tmp(std::string(".seix"), nullptr);
    tmp.SetOwned(false);
    m_seixPath = QString::fromUtf8(tmp.GetFilePathName().c_str());
}

CTimelineItem::~CTimelineItem()
{
    QFile::remove(m_seixPath);
    for (ISourceDataItem* item : m_items)
        item->Free();
    m_items.clear();
}

// ------------------------------------------------------------ data answers

unsigned int CTimelineItem::GetPixelHeight() const
{
    return m_curItem ? m_curItem->GetPixelHeight() : 0;
}
unsigned int CTimelineItem::GetPixelWidth() const
{
    return m_curItem ? m_curItem->GetPixelWidth() : 0;
}
unsigned int CTimelineItem::GetViewHeight() const
{
    return m_curItem ? m_curItem->GetViewHeight() : 0;
}
unsigned int CTimelineItem::GetViewWidth() const
{
    return m_curItem ? m_curItem->GetViewWidth() : 0;
}
bool CTimelineItem::Interlaced() const
{
    return m_curItem ? m_curItem->Interlaced() : false;
}

void* CTimelineItem::GetInterFace(const char* name)
{
    return InterfaceOfTimeline(this, m_curItem, name);
}

void* CTimelineItem::InterfaceOfTimeline(IDCPlaySourceItem* timeline, Fablecut::ISourceDataItem* curItem,
                                         const char* name)
{
    if (!name)
        return nullptr;
    if (strcmp(name, DC_PLAYSOURCE_INTERFACE) == 0)
        return timeline;
    if (strcmp(name, IDCDATAITEMEX_INTERFACE) == 0 || strcmp(name, "EDITINFO_TRIM_INTERFACE") == 0)
        return nullptr;
    return curItem ? curItem->GetInterFace(name) : nullptr;
}

// ------------------------------------------------------------------ lookups

ISourceDataItem* CTimelineItem::getItemByIndex(int index) const
{
    if (m_items.empty() || index >= static_cast<int>(m_items.size()))
        return nullptr;
    return index < 0 ? m_items.back() : m_items[index];
}

int CTimelineItem::IndexOfItem(ISourceDataItem* item) const
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() || !item ? -1 : static_cast<int>(it - m_items.begin());
}

ISourceDataItem* CTimelineItem::getItemByTime(CBaseTime time) const
{
    for (ISourceDataItem* item : m_items)
        if (time <= item->GetStartPoint() + item->GetTrimDuration())
            return item;
    return nullptr;
}

std::vector<ISourceDataItem*> CTimelineItem::getItemsByFullPath(QString path) const
{
    std::vector<ISourceDataItem*> found;
    for (ISourceDataItem* item : m_items)
        if (item->GetSrcFileFullPath() == path)
            found.push_back(item);
    return found;
}

void CTimelineItem::setCurItem(ISourceDataItem* item)
{
    if (!item || IndexOfItem(item) >= 0)
        m_curItem = item;
}

// ------------------------------------------------------------- bookkeeping

void CTimelineItem::updateTimeInfo()
{
    m_duration = 0.0;
    for (ISourceDataItem* item : m_items) {
        item->SetStartPoint(m_duration);
        m_duration += item->GetTrimDuration();
    }
}

void CTimelineItem::updateThumbnaiPic()
{
    if (m_items.empty())
        m_thumbnail = QImage();
    else
        m_thumbnail = *m_items.front()->GetThumbnailData();
}

// --------------------------------------------------------------- inserting

bool CTimelineItem::PlaceCopy(ISourceDataItem* item, int index, bool* placed)
{
    ISourceDataItem* copy = item->CloneDataItem();
    if (!copy)
        return false;
    const size_t before = m_items.size();
    try {
        insert_a_to_b_by_index(index, copy, m_items);
    } catch (...) {
        copy->Free();
        throw;
    }
    if (m_items.size() == before) {
        copy->Free();
        *placed = false;
        return false;
    }
    if (CMediaSourceItem* clip = AsMediaClip(copy)) {
        CClipSettingsChange on;
        on.videoEffectOn = true;
        on.videoTurnOn = true;
        on.WriteTo(*clip);
    }
    *placed = true;
    return true;
}

bool CTimelineItem::InsertItemByIndex(ISourceDataItem* item, int index)
{
    if (!item)
        return false;
    const bool landsFirst = index == 0 || m_items.empty();
    bool placed = false;
    if (!PlaceCopy(item, index, &placed))
        return false;
    updateTimeInfo();
    if (landsFirst)
        updateThumbnaiPic();
    UpdateSeixFile(false);
    return true;
}

bool CTimelineItem::AppendItem(ISourceDataItem* item)
{
    return InsertItemByIndex(item, -1);
}

bool CTimelineItem::InsertItemsByIndex(QList<ISourceDataItem*> items, int index)
{
    if (items.isEmpty() || index > static_cast<int>(m_items.size()))
        return false;
    int position = index < 0 ? static_cast<int>(m_items.size()) : index;
    for (ISourceDataItem* item : items) {
        bool placed = false;
        if (item)
            PlaceCopy(item, position, &placed);
        ++position;
    }
    updateTimeInfo();
    UpdateSeixFile(false);
    return true;
}

int CTimelineItem::IndexForTime(const CBaseTime& time) const
{
    if (m_items.empty())
        return time == 0.0 ? -1 : -2;
    for (size_t i = 0; i < m_items.size(); ++i) {
        ISourceDataItem* item = m_items[i];
        if (time == item->GetStartPoint())
            return static_cast<int>(i);
        if (i + 1 == m_items.size() && time == item->GetStartPoint() + item->GetTrimDuration())
            return -1;
    }
    return -2;
}

bool CTimelineItem::InsertItemsByTime(QList<ISourceDataItem*> items, CBaseTime time)
{
    const int index = IndexForTime(time);
    return index == -2 ? false : InsertItemsByIndex(items, index);
}

bool CTimelineItem::InsertItemByTime(ISourceDataItem* item, CBaseTime time)
{
    const int index = IndexForTime(time);
    return index == -2 ? false : InsertItemByIndex(item, index);
}

// ----------------------------------------------------------------- deleting

bool CTimelineItem::deleteItemByIndex(int index)
{
    ISourceDataItem* item = getItemByIndex(index);
    if (!item)
        return false;
    if (index < 0)
        index = static_cast<int>(m_items.size()) - 1;
    m_items.erase(m_items.begin() + index);
    item->Free();
    updateTimeInfo();
    if (index == 0)
        updateThumbnaiPic();
    if (m_curItem == item)
        m_curItem = m_items.empty() ? nullptr : m_items.front();
    UpdateSeixFile(false);
    return true;
}

bool CTimelineItem::deleteItemByTime(CBaseTime time)
{
    ISourceDataItem* item = getItemByTime(time);
    if (!item)
        return false;
    return deleteItemByIndex(IndexOfItem(item));
}

bool CTimelineItem::deleteItem(ISourceDataItem* item)
{
    const int index = IndexOfItem(item);
    return index >= 0 ? deleteItemByIndex(index) : false;
}

bool CTimelineItem::deleteItems(std::vector<ISourceDataItem*> items)
{
    if (items.empty())
        return false;
    bool firstRemoved = false;
    for (ISourceDataItem* item : items) {
        const int index = IndexOfItem(item);
        if (index < 0)
            continue;
        m_items.erase(m_items.begin() + index);
        if (m_curItem == item)
            m_curItem = m_items.empty() ? nullptr : m_items.front();
        item->Free();
        if (index == 0)
            firstRemoved = true;
    }
    updateTimeInfo();
    if (firstRemoved)
        updateThumbnaiPic();
    return true;
}

bool CTimelineItem::deleteItemsByFullPath(QString path)
{
    std::vector<ISourceDataItem*> items = getItemsByFullPath(path);
    return items.empty() ? false : deleteItems(items);
}

bool CTimelineItem::deleteItemsByFullPaths(QStringList paths)
{
    std::vector<ISourceDataItem*> items;
    for (const QString& path : paths) {
        std::vector<ISourceDataItem*> found = getItemsByFullPath(path);
        items.insert(items.end(), found.begin(), found.end());
    }
    return items.empty() ? false : deleteItems(items);
}

void CTimelineItem::clearAllItems()
{
    std::vector<ISourceDataItem*> items;
    items.swap(m_items);
    m_curItem = nullptr;
    for (ISourceDataItem* item : items)
        item->Free();
    updateTimeInfo();
    updateThumbnaiPic();
    UpdateSeixFile(false);
    m_curItem = nullptr;
}

// ------------------------------------------------------------------ moving

bool CTimelineItem::Move(int from, int to)
{
    const int count = static_cast<int>(m_items.size());
    if (from < 0 || from >= count || to < 0 || to >= count)
        return false;
    if (from == to)
        return true;
    ISourceDataItem* item = m_items[from];
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, item);
    updateTimeInfo();
    if (from == 0 || to == 0)
        updateThumbnaiPic();
    UpdateSeixFile(false);
    return true;
}

// ---------------------------------------------------------------- trimming

bool CTimelineItem::SetItemTrimEndPos(ISourceDataItem* item, const CBaseTime& time)
{
    if (!item || !AsMediaClip(item) || IndexOfItem(item) < 0)
        return false;
    item->SetTrimEndPoint(time, false);
    updateTimeInfo();
    UpdateSeixFile(false);
    return true;
}

bool CTimelineItem::SetItemTrimStartPos(ISourceDataItem* item, const CBaseTime& time)
{
    CMediaSourceItem* clip = AsMediaClip(item);
    if (!clip || IndexOfItem(item) < 0)
        return false;
    item->SetTrimStartPoint(time, false);
    updateTimeInfo();
    const QImage* old = clip->GetThumbnailData();
    if (clip->GetItemType() == 0 && old && !old->isNull()) {
        // A failed grab keeps the old thumbnail; the trim itself stands.
        CDCMediaItemPicGrapper grapper(m_manager, clip);
        grapper.SetEnableCrop(false);
        grapper.SetEnableEffect(false);
        QImage image;
        if (grapper.GrapPic(image, old->width(), old->height(), true, true) && !image.isNull())
            clip->SetThumbnailPic(image);
    }
    if (IndexOfItem(item) == 0)
        updateThumbnaiPic();
    UpdateSeixFile(false);
    return true;
}

// ------------------------------------------------------------- duplicating

bool CTimelineItem::CloneItem(ISourceDataItem* item)
{
    if (!item || !AsMediaClip(item))
        return false;
    const int index = IndexOfItem(item);
    if (index < 0)
        return false;
    return InsertItemByIndex(item, index + 1 == static_cast<int>(m_items.size()) ? -1 : index + 1);
}

bool CTimelineItem::CloneItemByTime(const CBaseTime& time)
{
    ISourceDataItem* item = getItemByTime(time);
    if (!item || !AsMediaClip(item))
        return false;
    return CloneItem(item);
}

// --------------------------------------------------------------- splitting

namespace {

// Whether a piece of a clip from a to b holds at least one picture: a
// shorter one would play as nothing, or as the whole file.
bool HoldsAPicture(const CBaseTime& a, const CBaseTime& b, double picture)
{
    return (b.ToSeconds() - a.ToSeconds()) + 0.00001 >= picture;
}

// The part of a timeline picture that shows this clip. The timeline fits
// every clip into its one frame, with bars beside a clip of another shape
// (a phone's tall picture in a wide timeline): a piece's thumbnail is the
// clip's picture without them, at the shape it is shown at.
QImage ClipPart(const QImage& shown, const CMediaSourceItem& clip)
{
    double w = clip.GetViewWidth(), h = clip.GetViewHeight();
    const double pw = clip.GetPixelWidth(), ph = clip.GetPixelHeight();
    if (w <= 0 || h <= 0) {
        w = pw;
        h = ph;
    }
    const rect_t crop = clip.GetCrop();
    if (pw > 0 && ph > 0 && crop.right > crop.left && crop.bottom > crop.top) {
        w *= (crop.right - crop.left) / pw;
        h *= (crop.bottom - crop.top) / ph;
    }
    if (clip.GetRotationAngle() % 180 != 0)
        std::swap(w, h);
    if (shown.isNull() || w <= 0 || h <= 0)
        return shown;
    const QSize part = QSizeF(w, h).scaled(QSizeF(shown.size()), Qt::KeepAspectRatio).toSize();
    if (part.isEmpty() ||
        (std::abs(part.width() - shown.width()) <= 2 && std::abs(part.height() - shown.height()) <= 2))
        return shown;
    return shown.copy(
        QRect((shown.width() - part.width()) / 2, (shown.height() - part.height()) / 2, part.width(), part.height()));
}

} // namespace

bool CTimelineItem::SplitItemByTime(const CBaseTime& time, const QImage& thumbnail)
{
    ISourceDataItem* item = getItemByTime(time);
    CMediaSourceItem* clip = AsMediaClip(item);
    if (!clip)
        return false;
    const CBaseTime start = clip->GetStartPoint();
    const CBaseTime end = start + clip->GetTrimDuration();
    if (time == start || time == end)
        return false;
    const CBaseTime cut = (time - start) + clip->GetTrimStartPoint();
    const double picture = clip->GetPictureSeconds();
    if (!HoldsAPicture(clip->GetTrimStartPoint(), cut, picture) ||
        !HoldsAPicture(cut, clip->GetTrimEndPoint(), picture))
        return false;
    CMediaSourceItem copy(*clip);
    copy.SetStartPoint(time);
    copy.SetThumbnailPic(ClipPart(thumbnail, *clip));
    copy.SetTrimStartPoint(cut, false);
    copy.SetFrameValue(0);
    clip->SetTrimEndPoint(cut, false);
    const int index = IndexOfItem(clip);
    return InsertItemByIndex(&copy, index + 1 == static_cast<int>(m_items.size()) ? -1 : index + 1);
}

bool CTimelineItem::SplitItemByAccurateTime(const CBaseTime& time, const CBaseTime& exactTime, const int& frameValue,
                                            const QImage& thumbnail)
{
    ISourceDataItem* item = getItemByTime(time);
    CMediaSourceItem* clip = AsMediaClip(item);
    if (!clip)
        return false;
    const CBaseTime start = clip->GetStartPoint();
    const CBaseTime end = start + clip->GetTrimDuration();
    if (time == start || time == end)
        return false;
    const CBaseTime oldTrimEnd = clip->GetTrimEndPoint();
    const CBaseTime trimStart = clip->GetTrimStartPoint();
    const double picture = clip->GetPictureSeconds();
    const CBaseTime askedCut = (time - start) + trimStart;
    // Each part keeps at least one picture; else nothing is cut.
    const bool exactFits = !(exactTime > oldTrimEnd) && !(exactTime < trimStart) &&
                           HoldsAPicture(trimStart, exactTime, picture) &&
                           HoldsAPicture(exactTime, oldTrimEnd, picture);
    const bool askedFits = HoldsAPicture(trimStart, askedCut, picture) && HoldsAPicture(askedCut, oldTrimEnd, picture);
    if (!exactFits && !askedFits)
        return false;
    CMediaSourceItem copy(*clip);
    bool exact = false;
    // A boundary past the clip's end or before its start would leave one
    // half with a negative length: the cut then falls at the asked time.
    if (exactFits) {
        clip->SetTrimEndPoint(exactTime, true);
        const CBaseTime newEnd = start + clip->GetTrimDuration();
        const double away = newEnd.ToSeconds() - time.ToSeconds();
        exact = !(away < -3.0 || away > 3.0);
        if (!exact && !askedFits) {
            clip->SetTrimEndPoint(oldTrimEnd, true);
            return false;
        }
    }
    copy.SetThumbnailPic(ClipPart(thumbnail, *clip));
    copy.SetStartPoint(time);
    if (exact) {
        copy.SetTrimStartPoint(exactTime, true);
        copy.SetFrameValue(frameValue);
    } else {
        const CBaseTime cut = (time - start) + clip->GetTrimStartPoint();
        copy.SetTrimStartPoint(cut, false);
        copy.SetFrameValue(0);
        clip->SetTrimEndPoint(oldTrimEnd, true);
        clip->SetTrimEndPoint(cut, false);
    }
    const int index = IndexOfItem(clip);
    return InsertItemByIndex(&copy, index + 1 == static_cast<int>(m_items.size()) ? -1 : index + 1);
}

// -------------------------------------------------------------- for output

void CTimelineItem::GetFrameValueList(std::vector<int>& values) const
{
    for (ISourceDataItem* item : m_items) {
        const CMediaSourceItem* clip = dynamic_cast<const CMediaSourceItem*>(item);
        values.push_back(clip ? clip->GetFrameValue() : 0);
    }
}

unsigned int CTimelineItem::AverageBitrate(int streamType) const
{
    const double total = GetTaskTrimDuration().ToSeconds();
    if (!(total > 0.0))
        return 0;
    double sum = 0.0;
    for (int i = 0; i < ChildItemsCount(); ++i) {
        const CMediaSourceItem* clip = dynamic_cast<const CMediaSourceItem*>(m_items[i]);
        if (!clip)
            continue;
        const Moorland::StreamInfo* stream = clip->GetCurStreamInfo(static_cast<Moorland::StreamType>(streamType));
        if (stream)
            sum += static_cast<double>(static_cast<uint32_t>(stream->bitRate)) * clip->GetTrimDuration().ToSeconds();
    }
    const double mean = sum / total;
    return mean > 0.0 && mean < 4294967296.0 ? static_cast<unsigned int>(mean) : 0;
}

unsigned int CTimelineItem::GetSrcAverageAudioBitrate() const
{
    return AverageBitrate(Moorland::StreamTypeAudio);
}

unsigned int CTimelineItem::GetSrcAverageVideoBitrate() const
{
    return AverageBitrate(Moorland::StreamTypeVideo);
}

bool CTimelineItem::EnableLosslessOutput() const
{
    return QB_GUARDED(false, {
        if (m_items.empty())
            return false;
        const CMediaSourceItem* first = dynamic_cast<const CMediaSourceItem*>(m_items.front());
        if (!first || !first->GetCurMovieInfo())
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (m_items.size() == 1)
            return true;
        const char* const differ = "change output type failed. this movie has clips of different param";
        struct Streams
        {
            const Moorland::StreamInfo* video = nullptr;
            const Moorland::StreamInfo* audio = nullptr;
        };
        auto streamsOf = [differ](const Moorland::MovieInfo* movie) {
            Streams s;
            int videos = 0, audios = 0;
            const uint32_t count = movie->streams ? movie->streamCount : 0;
            for (uint32_t i = 0; i < count; ++i) {
                if (movie->streams[i].type == Moorland::StreamTypeVideo) {
                    ++videos;
                    s.video = &movie->streams[i];
                } else if (movie->streams[i].type == Moorland::StreamTypeAudio) {
                    ++audios;
                    s.audio = &movie->streams[i];
                }
            }
            if (count == 0 || videos != 1 || audios > 1)
                QB_THROW(QB_ERR_MEDIA, differ);
            return s;
        };
        auto sameText = [](const char* a, const char* b) { return a && b && strcmp(a, b) == 0; };
        const Streams a = streamsOf(first->GetCurMovieInfo());
        for (size_t i = 1; i < m_items.size(); ++i) {
            const CMediaSourceItem* clip = dynamic_cast<const CMediaSourceItem*>(m_items[i]);
            if (!clip || !clip->GetCurMovieInfo())
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            const Streams b = streamsOf(clip->GetCurMovieInfo());
            const Moorland::StreamInfo& va = *a.video;
            const Moorland::StreamInfo& vb = *b.video;
            if (!va.codecName || va.width == 0 || va.height == 0 || va.aspect == 0 || va.frameRate == 0 ||
                !sameText(va.codecName, vb.codecName) || va.width != vb.width || va.height != vb.height ||
                va.frameRate != vb.frameRate || va.aspect != vb.aspect)
                QB_THROW(QB_ERR_MEDIA, differ);
            if (a.audio && b.audio) {
                const Moorland::StreamInfo& aa = *a.audio;
                const Moorland::StreamInfo& ab = *b.audio;
                if (!ab.codecName || ab.sampleRate == 0 || ab.channels == 0 || !sameText(ab.codecName, aa.codecName) ||
                    ab.sampleRate != aa.sampleRate || ab.channels != aa.channels)
                    QB_THROW(QB_ERR_MEDIA, differ);
            }
        }
        return true;
    });
}

// ------------------------------------------------- description and source

void CTimelineItem::UpdateSeixFile(bool bWithEdit)
{
    if (!m_items.empty() && !m_curItem)
        m_curItem = m_items.front();
    WriteSeixFile(m_seixPath, bWithEdit);
}

bool CTimelineItem::WriteSeixFile(const QString& path, bool bWithEdit) const
{
    return QB_GUARDED(false, {
        if (!m_manager)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        ImporterHolder writer(m_manager->CreateImporterByName("SimpleEditImporter"));
        if (!writer)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        auto* timeline = static_cast<Moorland::ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine"));
        if (!timeline)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const insert_childitem_seixinfo add{timeline, bWithEdit, m_blackBG};
        for (ISourceDataItem* item : m_items)
            add(item);
        SaveDescriptionOver(timeline, path);
        return true;
    });
}

bool CTimelineItem::UpdateAVSource()
{
    QB_GUARDED_VOID({ QB_THROW(QB_ERR_MEDIA, "A player plays the timeline through a playback of its own"); });
    return false;
}
