#include "CAVConverter.h"

#include "CBaseException.h"

#include <dlfcn.h>
#include <string>

namespace {

// convworker lies beside this library, as every deliverable of the build.
std::string WorkerProgramPath()
{
    Dl_info info;
    if (::dladdr(reinterpret_cast<void*>(&CreateAVConverter), &info) == 0 || !info.dli_fname)
        QB_THROW(QB_ERR_NOT_FOUND, "the folder of the conversion engine cannot be found");
    std::string sPath(info.dli_fname);
    size_t nSlash = sPath.rfind('/');
    std::string sFolder = nSlash == std::string::npos ? std::string(".") : sPath.substr(0, nSlash);
    return sFolder + "/convworker";
}

} // namespace

extern "C" Moorland::IAVConverter* CreateAVConverter(Moorland::IAVManager* pManager)
{
    return QB_GUARDED(static_cast<Moorland::IAVConverter*>(nullptr),
                      { return new Moorland::CAVConverter(pManager, WorkerProgramPath()); });
}
