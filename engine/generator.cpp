#include "engine/generator.h"

#include <cmath>

#include "engine/lattice_announce.h"
#include "engine/wrapping_math.h"

bool nextEventIsAlpha(double numeral, LayerCounters& counters, int32_t layer)
{
    const uint32_t n = counters[layer];
    const uint32_t next = n + 1u;  // wraps to 0 after 2^32 - 1
    counters[layer] = next;
    const double q0 = static_cast<double>(n) / numeral;
    const double q1 = static_cast<double>(next) / numeral;
    // The integer part is a truncation toward zero. std::trunc equals the 32-bit truncation for
    // every quotient below 2^31 and stays defined beyond it and for inf or NaN.
    const double f0 = q0 - std::trunc(q0);
    const double f1 = q1 - std::trunc(q1);
    return f0 > f1;  // false for unordered values: beta
}

int32_t topLayerForPass(int32_t layerIndex)
{
    if (layerIndex < 0)
        return 0;
    if (layerIndex >= kLayerCount)
        return kLayerCount - 1;
    return layerIndex;
}

namespace {

bool isModulated(const PlayerState& player, int32_t layer, int32_t tone)
{
    return get(player.modEnabled) != 0 && get(player.modLayer) == layer && get(player.modTone) == tone;
}

void applyShifts(PlayerState& player)
{
    put(player.noteShift, get(player.modNoteOffset));
    put(player.velocityShift, get(player.modVelocityOffset));
}

void clearShifts(PlayerState& player)
{
    put(player.noteShift, 0);
    put(player.velocityShift, 0);
}

void sendNoteOn(PlayerState& player, int32_t channel)
{
    sendShortMessage(player, 0x90 + channel,
                     wrappingAdd(get(player.effectiveNotes[channel]), get(player.noteShift)),
                     wrappingAdd(get(player.effectiveVelocities[channel]), get(player.velocityShift)));
}

// Layer 0 waits the event's length; a higher layer plays one cycle of the layer below, but only
// while playing (a stopped pass sends the rest of its events at once).
void fillEvent(PlayerState& player, LayerCounters& counters, Pacer& pacer, int32_t layer, bool alpha)
{
    if (layer == 0)
        pacer.waitMs(get(alpha ? player.alphaMs : player.betaMs));
    else if (get(player.playing) != 0)
        playLayerCycle(player, counters, pacer, layer - 1);
}

}  // namespace

void playLayerCycle(PlayerState& player, LayerCounters& counters, Pacer& pacer, int32_t layer)
{
    const int32_t alphaChannel = 2 * layer;
    const int32_t betaChannel = 2 * layer + 1;

    while (nextEventIsAlpha(player.numeral.load(std::memory_order_relaxed), counters, layer)) {
        if (isModulated(player, layer, 0))
            applyShifts(player);
        sendNoteOn(player, alphaChannel);
        announceNoteOn(player, counters, pacer, layer, true);
        fillEvent(player, counters, pacer, layer, true);
        if (isModulated(player, layer, 0))
            clearShifts(player);
    }

    if (isModulated(player, layer, 1))
        applyShifts(player);
    sendNoteOn(player, betaChannel);
    announceNoteOn(player, counters, pacer, layer, false);
    fillEvent(player, counters, pacer, layer, false);
    if (isModulated(player, layer, 1))
        clearShifts(player);

    sendShortMessage(player, 0x80 + alphaChannel, get(player.effectiveNotes[alphaChannel]), 64);
    sendShortMessage(player, 0x80 + betaChannel, get(player.effectiveNotes[betaChannel]), 64);
}
