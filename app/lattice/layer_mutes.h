// Mute and solo per layer: what the lattice window's label clicks and keys change, what the
// playback thread and Export leave out, the marks on the rows, and their side file. No Qt, UI
// thread.
#pragma once

#include <cstdint>
#include <optional>

#include "app/app_context.h"
#include "app/lattice/lattice_layout.h"
#include "settings/lattice_placement.h"

// The layers that are not heard, bit L for layer L: the muted ones and, during a solo, every
// other layer.
uint32_t silencedLayers(const LayerMutes& mutes);

// A click on a layer's label: mutes it, or unmutes it.
LayerMutes toggledMute(LayerMutes mutes, int32_t layer);

// A Shift+click: solos the layer (unmuting it, so that it is heard), or ends its solo.
LayerMutes toggledSolo(LayerMutes mutes, int32_t layer);

// The lattice window's keys: digit 1..8 mutes or unmutes that layer, with Shift solos it; 0
// clears every mute and the solo. Nothing for any other digit.
std::optional<LayerMutes> mutesAfterKey(const LayerMutes& mutes, int digit, bool shift);

// Makes `mutes` the program's: the playback thread leaves out a silenced layer's note-ons from its
// next one (one atomic store, no lock), and the side file beside the parameter file keeps them
// with the placement already there.
void setLayerMutes(AppContext& app, const LayerMutes& mutes);

// Start-up: the mutes the side file kept (none when it is missing or damaged) reach the player.
void restoreLayerMutes(AppContext& app);

// Marks the rows of silenced and soloed layers, so they are drawn faded and marked.
void markMutedRows(LatticeScene& scene, const LayerMutes& mutes);

// The layer whose label holds the point (logical pixels), -1 for none.
int32_t layerAtLabel(const LatticeScene& scene, double x, double y);
