#pragma once

// The accurate trim manager: the lossless output of a job. The clips of its
// source (a timeline's edit description, or one file cut at the job
// record's trim range) are written by copying their packets (CFFLosslessCopy);
// the profile's "AccurateTrimMode" 1 cuts at the exact picture, else at
// the next key picture. The caller steps through it (WriteNext) and watches
// the record itself between steps.

#include "CFFLosslessCopy.h"
#include "IAccurateTrimManager.h"

#include <memory>
#include <string>
#include <vector>

namespace Solvane {

class CFFAccurateTrim final : public Moorland::IAccurateTrimManager
{
public:
    explicit CFFAccurateTrim(const std::string& destination);

    bool OpenFile() override;
    bool CloseFile() override;
    bool SetTaskInfo(Moorland::ConvertTaskInfo2* record) override;
    void Release() override;
    bool SetSource(const char* address, const char* importerName, IProfile* profile) override;
    int WriteNext() override;
    void GetProgress(int64_t* writtenMs, int64_t* lengthMs, uint64_t* bytes) override;
    bool Check() override;
    const Moorland::LosslessNotice* GetNotices(uint32_t* count) override;

private:
    ~CFFAccurateTrim() override;
    void MakeCopy();

    std::string m_destination;
    std::vector<CopyClipRange> m_clips;
    bool m_edit = false; // the source is an edit description: its clips carry their ranges
    LosslessTarget m_target;
    bool m_hasSource = false;
    Moorland::ConvertTaskInfo2* m_record = nullptr;
    std::unique_ptr<CFFLosslessCopy> m_copy;
    bool m_open = false;
    bool m_done = false;
    // What the last check found, and the same as the interface hands it out.
    std::vector<CFFLosslessCopy::Notice> m_notices;
    std::vector<Moorland::LosslessNotice> m_noticeData;
};

} // namespace Solvane
