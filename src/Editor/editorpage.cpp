#include "editorpage.h"

void RegisterEditorTypes()
{
    qRegisterMetaType<EDITORPAGE>("EDITORPAGE");
    qRegisterMetaType<EffectType>("EffectType");
}
