#pragma once

#include "utility/CEffectsProc.h"
#include "ProjectData/cclipsettings.h"

#include <QMetaType>

Q_DECLARE_METATYPE(EffectType)

class CMProjectMgr;
struct CClipSettingsChange;
namespace Fablecut {
class CMediaSourceItem;
}

// Writes one edit of the clip editor. An edit of a clip of the manager's
// timeline goes through the manager, so the timeline hears of it; any other
// item (or any item, without a manager) is written directly. Returns whether
// the clip changed.
bool WriteClipSettings(CMProjectMgr* manager, Fablecut::CMediaSourceItem* clip, const CClipSettingsChange& change);

// Makes "EDITORPAGE" and "EffectType" known to queued and name-based
// connections; safe to call more than once.
void RegisterEditorTypes();
