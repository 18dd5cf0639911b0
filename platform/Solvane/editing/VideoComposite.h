#pragma once

// "VideoComposite": draws layers over pictures. Its "IAVComposite" holds
// the layers:
// - AddLayer(address, info) with info.sourceKind 0 loads the picture file at
//   `address` (any picture or video the manager opens; its first picture,
//   with its alpha); sourceKind 1 makes a text layer whose "ISimpleHTMLRender"
//   (GetLayerObject) takes markup (CSimpleHTMLText.h). Returns the layer's
//   handle, null with the reason recorded.
// - The layer record (CompositeLayerInfo): x, y place the layer's top-left
//   corner; width, height scale an image layer (-1 or 0: its own size; a text
//   layer always has its own size); kind 3 is a plain alpha blend (the only
//   kind); the rest is carried unread.
// - UpdateLayer renders a text layer's markup again.
// ProcessFrame/ProcessFrameInPlace draw every layer in the order added,
// moved by the ProcessParams x, y (origin), clipped to the picture, on
// planar YUV, grey or packed RGB pictures. SetTimePosition is accepted (the
// layers are still pictures).

#include "IAVManager.h"
#include "IVideoProcessor.h"

namespace Solvane {

Moorland::IVideoProcessor* CreateVideoCompositeProcessor(Moorland::IAVManager* manager);

} // namespace Solvane
