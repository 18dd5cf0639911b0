#include "CQTPlugin.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "orlendar/IOrlendar.h"

#include <dlfcn.h>

namespace Solvane {

namespace {

const char kPluginFile[] = "libCOrlendar.so";

// The folder this library was loaded from: the plug-in is delivered beside it.
std::string OwnFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&OwnFolder), &info) || !info.dli_fname)
        QB_THROW(QB_ERR_NOT_FOUND, "Can't find the folder of the media manager library");
    const std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

} // namespace

CQTPlugin::CQTPlugin()
{
    const std::string path = OwnFolder() + kPluginFile;
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* why = dlerror();
        QB_THROW(QB_ERR_NOT_FOUND, "Can't load the QuickTime plug-in " + path + ": " + (why ? why : ""));
    }
    m_create = reinterpret_cast<IOrlendar* (*)()>(dlsym(m_handle, "Create_OrlendarImp"));
    if (!m_create) {
        dlclose(m_handle);
        QB_THROW(QB_ERR_NOT_FOUND, "The QuickTime plug-in " + path + " lacks Create_OrlendarImp");
    }
}

CQTPlugin::~CQTPlugin()
{
    dlclose(m_handle);
}

IOrlendar* CQTPlugin::Create() const
{
    GetQuentaException()->Clear();
    IOrlendar* writer = m_create();
    if (!writer)
        ThrowError("The QuickTime plug-in made no writer");
    return writer;
}

bool CQTPlugin::HasError() const
{
    return GetQuentaException()->GetExceptionCode() != 0;
}

void CQTPlugin::ThrowError(const std::string& fallback) const
{
    IQuentaException* record = GetQuentaException();
    if (record->GetExceptionCode() != 0)
        throw CBaseException(record); // the plug-in's code, text and place
    QB_THROW(QB_ERR_UNEXPECTED, fallback);
}

} // namespace Solvane
