#include "CFFAccurateTrim.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "ConvertTaskInfo2.h"
#include "IProfile.h"
#include "SeixDescription.h"
#include "SolvaneEdit.h"
#include "CFFExportSettings.h"
#include "moorlan_srcutils/moorlan_url.h"

namespace Solvane {

CFFAccurateTrim::CFFAccurateTrim(const std::string& destination) : m_destination(destination) {}

CFFAccurateTrim::~CFFAccurateTrim() = default;

bool CFFAccurateTrim::SetSource(const char* address, const char* importerName, IProfile* profile)
{
    return QB_GUARDED(false, {
        if (!address || !*address || !profile)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const ExportSettings settings = ReadExportSettings(profile);
        m_target = LosslessTarget();
        m_target.path = m_destination;
        m_target.format = settings.format;
        m_target.extension = settings.extension;
        IProfileParams* params = profile->GetParams();
        m_target.exact = params && params->GetInt("AccurateTrimMode") == 1;
        m_clips.clear();
        const std::string path = Moorland::CSourceURL(address).GetFilePath();
        m_edit = Moorland::IsEditDescriptionSource(importerName, address);
        if (m_edit) {
            // The clips as the timeline cut them; their effects and sound
            // settings are not applied to a copy.
            for (const SeixClip& clip : LoadSeix(path).clips) {
                CopyClipRange range;
                range.path = Moorland::CSourceURL(clip.source).GetFilePath();
                range.startMs = clip.trimStartMs;
                range.endMs = clip.trimEndMs;
                m_clips.push_back(range);
            }
            if (m_clips.empty())
                QB_THROW(QB_ERR_MEDIA, "The timeline has no clip to write");
        } else {
            CopyClipRange range;
            range.path = path;
            m_clips.push_back(range);
        }
        m_copy.reset();
        m_hasSource = true;
        return true;
    });
}

bool CFFAccurateTrim::SetTaskInfo(Moorland::ConvertTaskInfo2* record)
{
    return QB_GUARDED(false, {
        if (!record)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_hasSource)
            QB_THROW(QB_ERR_UNEXPECTED, "The trim has no source");
        if (record->TrimStart < 0 || (record->TrimLength < 0 && record->TrimLength != -1))
            QB_THROW(QB_ERR_BAD_PARAM, "Bad trim range");
        // One file is cut at the record's range; a timeline's clips carry their own.
        if (!m_edit) {
            m_clips.front().startMs = record->TrimStart;
            m_clips.front().endMs = record->TrimLength == -1 ? -1 : int64_t(record->TrimStart) + record->TrimLength;
        }
        m_copy.reset();
        m_record = record;
        return true;
    });
}

void CFFAccurateTrim::MakeCopy()
{
    if (!m_hasSource)
        QB_THROW(QB_ERR_UNEXPECTED, "The trim has no source");
    if (m_copy)
        return;
    m_copy.reset(new CFFLosslessCopy(m_clips, m_target));
    m_copy->Check();
    m_notices = m_copy->Notices();
    m_noticeData.clear();
    for (const CFFLosslessCopy::Notice& notice : m_notices)
        m_noticeData.push_back({notice.kind, notice.container.c_str(), notice.codec.c_str()});
}

bool CFFAccurateTrim::Check()
{
    return QB_GUARDED(false, {
        m_copy.reset();
        MakeCopy();
        m_copy.reset();
        return true;
    });
}

const Moorland::LosslessNotice* CFFAccurateTrim::GetNotices(uint32_t* count)
{
    if (count)
        *count = static_cast<uint32_t>(m_noticeData.size());
    return m_noticeData.empty() ? nullptr : m_noticeData.data();
}

bool CFFAccurateTrim::OpenFile()
{
    return QB_GUARDED(false, {
        if (!m_record)
            QB_THROW(QB_ERR_UNEXPECTED, "The trim has no task");
        if (m_destination.empty())
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        MakeCopy();
        m_record->SetDuration(m_copy->LengthMs() > 0 ? m_copy->LengthMs() / 1000.0 : 1.0);
        m_copy->Begin();
        m_open = true;
        m_done = false;
        return true;
    });
}

int CFFAccurateTrim::WriteNext()
{
    return QB_GUARDED(-1, {
        if (!m_open || !m_copy)
            QB_THROW(QB_ERR_UNEXPECTED, "The trim is not open");
        if (m_done)
            return 0;
        if (m_copy->Step())
            return 1;
        m_done = true;
        return 0;
    });
}

void CFFAccurateTrim::GetProgress(int64_t* writtenMs, int64_t* lengthMs, uint64_t* bytes)
{
    if (writtenMs)
        *writtenMs = m_copy ? m_copy->WrittenMs() : 0;
    if (lengthMs)
        *lengthMs = m_copy ? m_copy->LengthMs() : 0;
    if (bytes)
        *bytes = m_copy ? m_copy->Bytes() : 0;
}

bool CFFAccurateTrim::CloseFile()
{
    return QB_GUARDED(false, {
        if (!m_open)
            return true;
        m_open = false;
        // Only a whole output gets its trailer.
        m_copy->End(m_done);
        if (!m_done)
            QB_THROW(QB_ERR_UNEXPECTED, "The trim was closed before it was written whole");
        return true;
    });
}

void CFFAccurateTrim::Release()
{
    delete this;
}

} // namespace Solvane
