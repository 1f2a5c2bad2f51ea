#pragma once
// The engine stages that follow the melody: the accompaniment channels 3 and
// 7, the bass, the drums and the sound effects. Each appends its track(s) to
// ctx.tracks and does nothing for a channel whose instrument is 256.

#include "arrange/engine_context.h"

namespace songloom::harmony {

void RenderAccompanimentStage(arrange::EngineContext& ctx, int channel);
void RenderBassStage(arrange::EngineContext& ctx);
void RenderDrumStage(arrange::EngineContext& ctx);
void RenderEffectStage(arrange::EngineContext& ctx);

}  // namespace songloom::harmony
