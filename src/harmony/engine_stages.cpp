#include "harmony/engine_stages.h"

namespace songloom::harmony {

// The pattern generators of these channels are not part of the engine yet:
// until they are, the stages leave the track array as it is.
void RenderAccompanimentStage(arrange::EngineContext&, int) {}
void RenderBassStage(arrange::EngineContext&) {}
void RenderDrumStage(arrange::EngineContext&) {}
void RenderEffectStage(arrange::EngineContext&) {}

}  // namespace songloom::harmony
