#include "engine/midi_port.h"
#include "engine/generator.h"

#include <cmath>

#include "engine/lattice_announce.h"
#include "engine/note_shift.h"
#include "common/wrapping_math.h"

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

// After Stop a layer plays at most this many more note-ons in the pass, so that Stop and closing
// are prompt for every numeral: just above 1 a single cycle holds millions of events. Cycles of
// numerals from 1.25 upwards never reach it.
constexpr int kNoteOnsAfterStop = 4;

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

// One cycle's bookkeeping: the pacer, and how many note-ons went out while stopped.
struct CycleContext {
    PlayerState& player;
    LayerCounters& counters;
    Pacer& pacer;
    int notesOnAfterStop = 0;

    bool stopped() const { return get(player.playing) == 0; }
    // Checked before each event test: a bounded layer ends its cycle without advancing its counter.
    bool drainBoundReached() const { return stopped() && notesOnAfterStop >= kNoteOnsAfterStop; }
};

void sendNoteOn(CycleContext& cycle, int32_t channel)
{
    PlayerState& player = cycle.player;
    if (cycle.stopped())
        ++cycle.notesOnAfterStop;  // a muted layer's note-ons count too: it drains as it would sound
    if ((player.mutedLayers.load(std::memory_order_relaxed) >> (channel / 2)) & 1u)
        return;
    const int32_t note = wrappingAdd(get(player.effectiveNotes[channel]), get(player.noteShift));
    sendShortMessage(player, 0x90 + channel, note,
                     wrappingAdd(get(player.effectiveVelocities[channel]), get(player.velocityShift)),
                     cycle.pacer.eventTime());
    // After the send: a Stop sweep in between ends the note with the same tables' note-off.
    rememberSoundingNote(player, channel, note);
}

void sendNoteOff(CycleContext& cycle, int32_t channel)
{
    sendShortMessage(cycle.player, 0x80 + channel, takeNoteOffNote(cycle.player, channel), 64, cycle.pacer.eventTime());
}

// Layer 0 waits the event's length; a higher layer plays one cycle of the layer below, but only
// while playing (a stopped pass sends the rest of its events at once).
void fillEvent(CycleContext& cycle, int32_t layer, bool alpha)
{
    if (layer == 0)
        cycle.pacer.waitEvent(get(alpha ? cycle.player.alphaMs : cycle.player.betaMs), alpha);
    else if (!cycle.stopped())
        playLayerCycle(cycle.player, cycle.counters, cycle.pacer, layer - 1);
}

// One event of `layer`, alpha or beta: the modulation's shifts when it applies to this voice,
// the voice's note-on, the event's length, and the shifts cleared (the modulation fields are read
// afresh at each of the two checks).
void playEvent(CycleContext& cycle, int32_t layer, bool alpha)
{
    const int32_t tone = alpha ? 0 : 1;
    if (isModulated(cycle.player, layer, tone))
        applyShifts(cycle.player);
    sendNoteOn(cycle, 2 * layer + tone);
    announceNoteOn(cycle.player, cycle.counters, cycle.pacer, layer, alpha);
    fillEvent(cycle, layer, alpha);
    if (isModulated(cycle.player, layer, tone))
        clearShifts(cycle.player);
}

}  // namespace

bool playLayerCycle(PlayerState& player, LayerCounters& counters, Pacer& pacer, int32_t layer)
{
    const int32_t alphaChannel = 2 * layer;
    const int32_t betaChannel = 2 * layer + 1;
    CycleContext cycle{player, counters, pacer};

    // Closing: the pass is left where it stands and nothing more is sent.
    bool bounded = false;
    for (;;) {
        if (pacer.abandoned())
            return false;
        if (cycle.drainBoundReached()) {
            bounded = true;
            break;
        }
        if (!nextEventIsAlpha(player.numeral.load(std::memory_order_relaxed), counters, layer))
            break;
        playEvent(cycle, layer, true);
    }

    // The test that ended the loop advanced the counter for the closing beta event.
    if (!bounded) {
        if (pacer.abandoned())
            return false;
        playEvent(cycle, layer, false);
    }

    if (pacer.abandoned())
        return false;
    sendNoteOff(cycle, alphaChannel);
    sendNoteOff(cycle, betaChannel);
    return true;
}
