// What the live and the offline synthesiser share: the soundfont search, message dispatch, logs.
#pragma once

#include <cstdint>
#include <string>

#include <fluidsynth.h>

// The synthesiser's output gain, the same live and offline: 8 layers of the default concept peak
// near -6 dBFS, and no preset with 8 layers clips (FluidSynth's own default is 0.2).
inline constexpr double kSynthGain = 0.9;

// The settings the live and the offline synthesiser share: sample rate, gain, one render thread,
// and no API lock (only one thread at a time ever calls the synthesiser).
void configureSynth(fluid_settings_t* settings, double sampleRate);

// The system's General MIDI soundfont: $PULSELATTICE_SOUNDFONT when set (then that file alone),
// else FluidSynth's synth.default-soundfont, then the Debian default-GM paths. Empty when none of
// them is a readable file; `looked` then names where it looked. `settings` null: FluidSynth's own.
std::string findSoundfont(fluid_settings_t* settings, std::string* looked = nullptr);

// Makes every channel melodic, channel 10 included, so that each plays the tone it is given:
// the General MIDI percussion channel would ignore it and play drum sounds.
void makeAllChannelsMelodic(fluid_synth_t* synth);

// Plays one packed short message (status in bits 0-7). Values FluidSynth refuses (data bytes above
// 127, a note-off for a silent note) are ignored, as a synthesiser ignores them. False when the
// status byte is missing (below 0x80).
bool playShortMessage(fluid_synth_t* synth, uint32_t packedMessage);

// Collects FluidSynth's error and warning lines logged on this thread while it lives, instead of
// printing them, so that a driver that fails before another one opens leaves no noise. Lines from
// other threads (a soundfont loading) still go to stderr. Nested captures: the inner one collects.
class FluidLogCapture {
public:
    FluidLogCapture();
    ~FluidLogCapture();
    FluidLogCapture(const FluidLogCapture&) = delete;
    FluidLogCapture& operator=(const FluidLogCapture&) = delete;

    const std::string& text() const { return text_; }

private:
    static void dispatch(int level, const char* message, void* unused);
    FluidLogCapture* outer_;
    std::string text_;
};
