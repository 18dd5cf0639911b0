#include "CFFAccurateTrim.h"

#include "CBaseException.h"
#include "FFTranscode.h"
#include "ConvertTaskInfo2.h"
#include "sysplatform.h"

#include <sys/stat.h>

namespace Solvane {

CFFAccurateTrim::CFFAccurateTrim(Moorland::IAVManager* manager, const std::string& destination)
    : m_manager(manager), m_destination(destination)
{
}

bool CFFAccurateTrim::SetSource(const char* address, const char* importerName, IProfile* profile)
{
    return QB_GUARDED(false, {
        if (!address || !*address || !profile)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_settings = ReadExportSettings(profile);
        m_address = address;
        m_hasImporter = importerName && *importerName;
        m_importer = m_hasImporter ? importerName : "";
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
        m_record = record;
        return true;
    });
}

bool CFFAccurateTrim::OpenFile()
{
    return QB_GUARDED(false, {
        if (!m_record)
            QB_THROW(QB_ERR_UNEXPECTED, "The trim has no task");
        if (m_destination.empty())
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_open = true;
        return true;
    });
}

bool CFFAccurateTrim::WriteFile(Moorland::ConvertTaskInfo2* record)
{
    return QB_GUARDED(false, {
        if (!m_open || !record || record != m_record)
            QB_THROW(QB_ERR_UNEXPECTED, "The trim is not open");
        const uint64_t started = QuentaBased::QuentaBased_GetTicks();
        uint64_t paused = 0;
        const int32_t length = record->TrimLength;
        record->SetDuration(length > 0 ? length / 1000.0 : 1.0);
        bool cancelled = false;
        const bool done = TranscodeToFile(
            m_manager, m_address, m_hasImporter ? m_importer.c_str() : nullptr, m_settings, m_destination,
            static_cast<uint32_t>(record->TrimStart), length, [&](double fraction) {
                int state = record->GetState();
                while (state == Moorland::CONVERT_TASK_PAUSED) {
                    QuentaBased::QuentaBased_Sleep(100);
                    paused += 100;
                    state = record->GetState();
                }
                if (state == Moorland::CONVERT_TASK_CANCEL) {
                    cancelled = true;
                    return false;
                }
                const double elapsed = (QuentaBased::QuentaBased_GetTicks() - started - paused) / 1000.0;
                record->SetElapsedTime(elapsed);
                record->SetPercent(fraction * 100.0);
                if (fraction > 0.01)
                    record->SetRemainingTime(elapsed / fraction - elapsed);
                return true;
            });
        if (done && !cancelled) {
            struct stat st {};
            if (stat(m_destination.c_str(), &st) == 0)
                record->SetBytesWritten(static_cast<int64_t>(st.st_size));
            record->SetPercent(100.0);
            if (!record->ChangeState(Moorland::CONVERT_TASK_RUNNING, Moorland::CONVERT_TASK_FINISHED))
                record->ChangeState(Moorland::CONVERT_TASK_PAUSED, Moorland::CONVERT_TASK_FINISHED);
        }
        return true;
    });
}

bool CFFAccurateTrim::CloseFile()
{
    m_open = false;
    return true;
}

void CFFAccurateTrim::Release()
{
    delete this;
}

} // namespace Solvane
