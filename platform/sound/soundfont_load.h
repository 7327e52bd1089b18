// A soundfont loading into a synthesiser of its own, on a thread that nobody waits for.
//
// FluidSynth cannot interrupt a soundfont's load (a 40 MB .sf3 takes about 2 s). So a close, a
// Cancel or the program's exit abandon the load instead of waiting for it: the thread then throws
// the synthesiser away itself the moment the load ends, and the CPU is idle again.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <fluidsynth.h>

class SoundfontLoad {
public:
    // Starts loading `soundfont` into a synthesiser at `sampleRate` (configureSynth, every channel
    // melodic). `lowPriority`: the thread yields the CPU to the window's start-up.
    SoundfontLoad(const std::string& soundfont, double sampleRate, bool lowPriority);
    // Abandons the load when it has not ended; never waits.
    ~SoundfontLoad();
    SoundfontLoad(const SoundfontLoad&) = delete;
    SoundfontLoad& operator=(const SoundfontLoad&) = delete;

    // The loaded synthesiser, owned by this object; null while loading and when the load failed.
    // Any thread, lock-free (an audio render thread asks at every period).
    fluid_synth_t* synth() const;
    bool failed() const;
    // Waits until the load has ended, asking `giveUp` every few milliseconds; true when the
    // synthesiser is loaded, false when it failed or `giveUp` said so.
    bool wait(const std::function<bool()>& giveUp = {}) const;

    struct Shared;  // what the loading thread and this object share (defined in the .cpp)

private:
    std::shared_ptr<Shared> shared_;
};
