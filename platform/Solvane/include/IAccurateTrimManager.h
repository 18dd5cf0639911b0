#pragma once

// Frame-exact cutting of one job, driven by the job record itself: the trim
// range comes from the record, progress and the final state go back into it.

class IProfile;

namespace Moorland {

struct ConvertTaskInfo2;

class IAccurateTrimManager
{
public:
    virtual bool OpenFile() = 0;
    virtual bool WriteFile(ConvertTaskInfo2* record) = 0;
    virtual bool CloseFile() = 0;
    virtual bool SetTaskInfo(ConvertTaskInfo2* record) = 0;
    virtual void Release() = 0;
    // The record keeps no addresses of the worker: the source address, the
    // importer name (may be null) and the job profile come this way, before
    // SetTaskInfo.
    virtual bool SetSource(const char* address, const char* importerName, IProfile* profile) = 0;

protected:
    virtual ~IAccurateTrimManager() = default;
};

} // namespace Moorland
