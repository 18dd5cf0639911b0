#pragma once

// The accurate trim manager: cuts the job record's trim range out of the
// source frame-exactly, by decoding from the first frame of the range and
// encoding it again (in the profile's codecs, or the source's own when the
// profile names none). Progress and the final state go into the record.

#include "CFFExportSettings.h"
#include "IAVManager.h"
#include "IAccurateTrimManager.h"

#include <string>

namespace Solvane {

class CFFAccurateTrim final : public Moorland::IAccurateTrimManager
{
public:
    CFFAccurateTrim(Moorland::IAVManager* manager, const std::string& destination);

    bool OpenFile() override;
    bool WriteFile(Moorland::ConvertTaskInfo2* record) override;
    bool CloseFile() override;
    bool SetTaskInfo(Moorland::ConvertTaskInfo2* record) override;
    void Release() override;
    bool SetSource(const char* address, const char* importerName, IProfile* profile) override;

private:
    Moorland::IAVManager* m_manager;
    std::string m_destination;
    std::string m_address;
    std::string m_importer;
    bool m_hasImporter = false;
    ExportSettings m_settings;
    bool m_hasSource = false;
    Moorland::ConvertTaskInfo2* m_record = nullptr;
    bool m_open = false;
};

} // namespace Solvane
