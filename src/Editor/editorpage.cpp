#include "editorpage.h"

#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmprojectmgr.h"

void RegisterEditorTypes()
{
    qRegisterMetaType<EDITORPAGE>("EDITORPAGE");
    qRegisterMetaType<EffectType>("EffectType");
}

bool WriteClipSettings(CMProjectMgr* manager, Fablecut::CMediaSourceItem* clip, const CClipSettingsChange& change)
{
    if (!clip)
        return false;
    if (manager && manager->IsTimelineClip(clip))
        return manager->ChangeClipSettings(clip, change);
    // A library item played on its own is no clip of the timeline: the
    // editor writes it as it is, and nobody else needs to hear of it.
    return change.WriteTo(*clip);
}
