// The layered rhythm generator: the alpha/beta event test and one cycle of a layer, with every
// message sent through the port. Playback thread only.
#pragma once

#include <array>
#include <cstdint>

#include "engine/layer_counters.h"
#include "engine/pacer.h"
#include "engine/player_state.h"

// Advances the layer's counter and tells whether the event it stands for is alpha.
bool nextEventIsAlpha(double numeral, LayerCounters& counters, int32_t layer);

// One LayerCycle of `layer` (0 to 7): zero or more alpha events closed by one beta event, each
// higher-layer event containing one cycle of the layer below while `playing` is set. After Stop
// each layer sends at most four more note-ons, then closes its cycle with its two note-offs.
// A layer muted in `player.mutedLayers` sends no note-ons but otherwise plays on unchanged.
// Messages carry the pacer's event time. Returns false when the program is closing (the pacer is
// abandoned): the cycle is left at once and nothing more is sent.
bool playLayerCycle(PlayerState& player, LayerCounters& counters, Pacer& pacer, int32_t layer);

// The top layer for a pass: a stored index outside 0..7 (a damaged file) plays the nearest layer.
int32_t topLayerForPass(int32_t layerIndex);
