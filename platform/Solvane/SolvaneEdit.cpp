#include "SolvaneEdit.h"

#include "CBaseException.h"
#include "CSimpleEditImporter.h"
#include "CSimpleEditSource.h"
#include "CSimpleHTMLText.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <cstring>
#include <memory>

namespace Solvane {

bool IsEditImporterName(const char* name)
{
    return name && strcmp(name, CSimpleEditImporter::kName) == 0;
}

Moorland::IAVImporter* CreateEditImporter(Moorland::IAVManager* manager, const char* name)
{
    if (IsEditImporterName(name))
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
    const std::string path = Moorland::CSourceURL(address).GetFilePath();
    const SeixDescription description = LoadSeix(path);
    if (description.clips.empty())
        QB_THROW(QB_ERR_MEDIA, "The edit description has no clips");
    std::unique_ptr<CSimpleEditSource> source(
        new CSimpleEditSource(manager, description, true, true, nullptr, nullptr));
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
