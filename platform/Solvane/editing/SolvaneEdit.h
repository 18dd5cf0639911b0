#pragma once

// The edit side of the media manager as the manager reaches it: the
// simple-edit importer, its sources by address, and the named processors
// and effects (EditProcessors.h).

#include "EditDescriptionSource.h"
#include "EditProcessors.h"
#include "IAVManager.h"

#include <string>

namespace Solvane {

// The importer of that name made by the edit side, or null (nothing
// recorded) when the name is not one of its own. Which sources are edit
// descriptions is Moorland::IsEditDescriptionSource's to say.
Moorland::IAVImporter* CreateEditImporter(Moorland::IAVManager* manager, const char* name);
// The source of the description at `address` (its file path; a stream id of
// -1 leaves that kind out, other parameters are ignored); throws on failure.
// The outs may be null.
Moorland::IAVSource* CreateEditSource(Moorland::IAVManager* manager, const char* address, int* movieId,
                                      int* videoStreamId, int* audioStreamId, Moorland::MovieInfo** movieInfo);

} // namespace Solvane
