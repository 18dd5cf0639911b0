#include "SolvaneEdit.h"

#include "CBaseException.h"
#include "CSimpleEditImporter.h"
#include "CSimpleEditSource.h"
#include "CSimpleHTMLTextImporter.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace Solvane {

Moorland::IAVImporter* CreateEditImporter(Moorland::IAVManager* manager, const char* name)
{
    if (Moorland::IsEditImporterName(name))
        return new CSimpleEditImporter(manager);
    if (name && strcmp(name, CSimpleHTMLTextImporter::kName) == 0)
        return new CSimpleHTMLTextImporter;
    return nullptr;
}

Moorland::IAVSource* CreateEditSource(Moorland::IAVManager* manager, const char* address, int* movieId,
                                      int* videoStreamId, int* audioStreamId, Moorland::MovieInfo** movieInfo)
{
    if (!address)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    const Moorland::CSourceURL url(address);
    SeixDescription description = LoadSeix(url.GetFilePath());
    if (description.clips.empty())
        QB_THROW(QB_ERR_MEDIA, "The edit description has no clips");
    // A conversion job gives its output frame rate with the address ("num/den"):
    // the pictures then come on that rate's slots, as if the description held it.
    const std::string rate = url.GetParam("framerate");
    if (!rate.empty()) {
        char* end = nullptr;
        const unsigned long num = std::strtoul(rate.c_str(), &end, 10);
        const unsigned long den = end && *end == '/' ? std::strtoul(end + 1, &end, 10) : 0;
        if (!end || *end || num == 0 || num > 1000000 || den == 0 || den > 1000000)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad frame rate in the address " + std::string(address));
        description.frameRateNum = static_cast<uint32_t>(num);
        description.frameRateDen = static_cast<uint32_t>(den);
    }
    std::unique_ptr<CSimpleEditSource> source(new CSimpleEditSource(manager, description, url.GetVideoStreamID() != -1,
                                                                    url.GetAudioStreamID() != -1, nullptr, nullptr));
    if (url.GetParam("usemultithreaddecode") == "1")
        source->SetProperty(1, 1);
    if (movieId)
        *movieId = 0;
    if (videoStreamId)
        *videoStreamId = source->GetVideoStreamID();
    if (audioStreamId)
        *audioStreamId = source->GetAudioStreamID();
    if (movieInfo)
        *movieInfo = source->Movie();
    return source.release();
}

} // namespace Solvane
