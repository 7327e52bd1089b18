#include "platform/sound/soundfont_load.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>

#include "platform/sound/fluid_support.h"

namespace {

enum Phase : int { Loading, Loaded, Failed, Abandoned };

// A synthesiser with the settings it was made from, which must outlive it.
struct LoadedSynth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    ~LoadedSynth()
    {
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
};

LoadedSynth* loadSynth(const std::string& soundfont, double sampleRate)
{
    auto loaded = std::make_unique<LoadedSynth>();
    loaded->settings = new_fluid_settings();
    if (!loaded->settings)
        return nullptr;
    configureSynth(loaded->settings, sampleRate);
    loaded->synth = new_fluid_synth(loaded->settings);
    if (!loaded->synth) {
        std::cerr << "pulselattice: built-in synthesiser: cannot create the synthesiser\n";
        return nullptr;
    }
    // FluidSynth's warnings about a soundfont it loads anyway are noise; they are printed when it fails.
    FluidLogCapture log;
    if (fluid_synth_sfload(loaded->synth, soundfont.c_str(), 1) == FLUID_FAILED) {
        std::cerr << "pulselattice: built-in synthesiser: cannot load soundfont " << soundfont << "\n" << log.text();
        return nullptr;
    }
    makeAllChannelsMelodic(loaded->synth);
    return loaded.release();
}

}  // namespace

struct SoundfontLoad::Shared {
    // Loading until the thread ends it (Loaded or Failed) or the owner abandons it; whichever
    // comes second deletes the result, so exactly one side does.
    std::atomic<int> phase{Loading};
    std::atomic<LoadedSynth*> result{nullptr};
    std::mutex mutex;  // for the waiters' condition only
    std::condition_variable ended;
};

SoundfontLoad::SoundfontLoad(const std::string& soundfont, double sampleRate, bool lowPriority)
    : shared_(std::make_shared<Shared>())
{
    std::thread([shared = shared_, soundfont, sampleRate, lowPriority] {
        if (lowPriority)
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 15);
        LoadedSynth* loaded = loadSynth(soundfont, sampleRate);
        shared->result.store(loaded, std::memory_order_relaxed);
        int expected = Loading;
        if (!shared->phase.compare_exchange_strong(expected, loaded ? Loaded : Failed, std::memory_order_acq_rel))
            delete loaded;  // abandoned meanwhile: nobody will play it
        std::lock_guard<std::mutex> guard(shared->mutex);
        shared->ended.notify_all();
    }).detach();
}

SoundfontLoad::~SoundfontLoad()
{
    int expected = Loading;
    if (!shared_->phase.compare_exchange_strong(expected, Abandoned, std::memory_order_acq_rel))
        delete shared_->result.load(std::memory_order_relaxed);  // ended: ours to delete (null when failed)
}

fluid_synth_t* SoundfontLoad::synth() const
{
    if (shared_->phase.load(std::memory_order_acquire) != Loaded)
        return nullptr;
    return shared_->result.load(std::memory_order_relaxed)->synth;
}

bool SoundfontLoad::failed() const
{
    return shared_->phase.load(std::memory_order_acquire) == Failed;
}

bool SoundfontLoad::wait(const std::function<bool()>& giveUp) const
{
    std::unique_lock<std::mutex> lock(shared_->mutex);
    while (shared_->phase.load(std::memory_order_acquire) == Loading) {
        if (giveUp && giveUp())
            return false;
        shared_->ended.wait_for(lock, std::chrono::milliseconds(5));
    }
    return synth() != nullptr;
}
