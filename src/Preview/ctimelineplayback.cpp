#include "ctimelineplayback.h"

#include "ProjectData/ctimelineitem.h"
#include "ProjectData/isourcedataitem.h"
#include "ProjectData/seixwriting.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CTmpFile.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "ISimpleEditTimeLine.h"

#include <QFile>
#include <QObject>

#include <string>
#include <vector>

using Fablecut::ImporterHolder;
using Fablecut::ISourceDataItem;

class CTimelinePlayback::ItemChanged : public Moorland::IOnItemChangedCallBack
{
public:
    explicit ItemChanged(CTimelinePlayback* playback) : m_playback(playback), m_context(new QObject) {}
    ~ItemChanged() { delete m_context; }

    // May run on the media manager's thread: only the index travels, and the
    // playback is touched on the thread it lives on. Calls still queued when
    // the playback goes are dropped with the context object.
    int OnItemChanged(Moorland::ISimpleEditTimeLine*, int index, Moorland::IAVSource*) override
    {
        CTimelinePlayback* playback = m_playback;
        QMetaObject::invokeMethod(
            m_context, [playback, index]() { playback->OnItemChangedIndex(index); }, Qt::QueuedConnection);
        return 1;
    }

private:
    CTimelinePlayback* m_playback;
    QObject* m_context;
};

CTimelinePlayback::CTimelinePlayback(const CTimelineItem& timeline)
    : m_timeline(timeline), m_callBack(new ItemChanged(this))
{
    QuentaBased::CTmpFile tmp(std::string(".seix"), nullptr);
    tmp.SetOwned(false);
    m_seixPath = QString::fromUtf8(tmp.GetFilePathName().c_str());
}

CTimelinePlayback::~CTimelinePlayback()
{
    FreeAVSource();
    if (m_importer) {
        m_importer->Release();
        m_importer = nullptr;
    }
    m_callBack.reset();
    QFile::remove(m_seixPath);
}

const QImage* CTimelinePlayback::GetThumbnailData() const
{
    return m_timeline.GetThumbnailData();
}
CBaseTime CTimelinePlayback::GetDuration() const
{
    return m_timeline.GetDuration();
}
unsigned int CTimelinePlayback::GetPixelHeight() const
{
    return m_curItem ? m_curItem->GetPixelHeight() : 0;
}
unsigned int CTimelinePlayback::GetPixelWidth() const
{
    return m_curItem ? m_curItem->GetPixelWidth() : 0;
}
unsigned int CTimelinePlayback::GetViewHeight() const
{
    return m_curItem ? m_curItem->GetViewHeight() : 0;
}
unsigned int CTimelinePlayback::GetViewWidth() const
{
    return m_curItem ? m_curItem->GetViewWidth() : 0;
}
bool CTimelinePlayback::Interlaced() const
{
    return m_curItem ? m_curItem->Interlaced() : false;
}

void* CTimelinePlayback::GetInterFace(const char* name)
{
    return CTimelineItem::InterfaceOfTimeline(this, m_curItem, name);
}

void CTimelinePlayback::FreeAVSource()
{
    if (m_source) {
        m_source->Release();
        m_source = nullptr;
    }
}

void CTimelinePlayback::OnItemChangedIndex(int index)
{
    const std::vector<ISourceDataItem*> items = m_timeline.GetChildItems();
    ISourceDataItem* item = nullptr;
    if (!items.empty() && index < static_cast<int>(items.size()))
        item = index < 0 ? items.back() : items[index];
    m_curItem = item;
}

bool CTimelinePlayback::OpenImporter()
{
    GetQuentaException()->Clear();
    FreeAVSource();
    // A clip the source has not reported yet starts where the timeline stands.
    if (m_timeline.IndexOfItem(m_curItem) < 0)
        m_curItem = m_timeline.getCurItem();
    if (!m_curItem)
        m_curItem = m_timeline.getItemByIndex(0);
    if (!m_timeline.WriteSeixFile(m_seixPath, false))
        return false;
    return QB_GUARDED(false, {
        if (!m_importer) {
            Moorland::IAVManager* manager = m_timeline.GetAVManager();
            if (!manager)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            ImporterHolder importer(manager->CreateImporterByName("SimpleEditImporter"));
            if (!importer)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            auto* timeline = static_cast<Moorland::ISimpleEditTimeLine*>(importer->GetInterface("ISimpleEditTimeLine"));
            if (!timeline)
                QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
            timeline->RegisterItemChangedCallBack(m_callBack.get());
            m_importer = importer.release();
        }
        const QByteArray path = m_seixPath.toUtf8();
        if (!m_importer->Open(path.constData())) {
            if (GetQuentaException()->GetExceptionCode() != 0)
                QuentaBased::ThrowLastError();
            QB_THROW(QB_ERR_FILE_IO, "The edit description could not be opened");
        }
        return true;
    });
}

bool CTimelinePlayback::UpdateAVSource()
{
    FreeAVSource();
    if (!OpenImporter())
        return false;
    return QB_GUARDED(false, {
        Moorland::IAVSource* source = m_importer->CreateSource(0, 0, 0);
        if (!source)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_source = source;
        auto* property = static_cast<Moorland::IAVSourceSetProperty*>(source->GetInterface("IAVSourceSetProperty"));
        if (property) {
            property->SetProperty(1, 1);
            property->SetProperty(0, 1);
        }
        m_needUpdate = false;
        return true;
    });
}
