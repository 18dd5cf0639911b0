#pragma once

#include "CEffectsProc.h"

#include <QMetaType>

// The clip editor's pages: 1 effects, 2 volume, 3 3D. 0 stands for all three
// groups of settings when a clip's settings are copied to other clips.
typedef int EDITORPAGE;

constexpr EDITORPAGE EDITORPAGE_ALL = 0;
constexpr EDITORPAGE EDITORPAGE_EFFECTS = 1;
constexpr EDITORPAGE EDITORPAGE_VOLUME = 2;
constexpr EDITORPAGE EDITORPAGE_3D = 3;

Q_DECLARE_METATYPE(EffectType)

class CMProjectMgr;
struct CClipSettingsChange;
namespace Fablecut { class CMediaSourceItem; }

// Writes one edit of the clip editor. An edit of a clip of the manager's
// timeline goes through the manager, so the timeline hears of it; any other
// item (or any item, without a manager) is written directly. Returns whether
// the clip changed.
bool WriteClipSettings(CMProjectMgr* manager, Fablecut::CMediaSourceItem* clip, const CClipSettingsChange& change);

// Makes "EDITORPAGE" and "EffectType" known to queued and name-based
// connections; safe to call more than once.
void RegisterEditorTypes();
