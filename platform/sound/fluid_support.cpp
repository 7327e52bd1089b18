#include "platform/sound/fluid_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

bool readableFile(const std::string& path)
{
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0;
}

}  // namespace

void configureSynth(fluid_settings_t* settings, double sampleRate)
{
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(settings, "synth.gain", kSynthGain);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
}

std::string findSoundfont(fluid_settings_t* settings, std::string* looked)
{
    std::vector<std::string> candidates;
    if (const char* chosen = std::getenv("PULSELATTICE_SOUNDFONT"); chosen && *chosen) {
        candidates.push_back(chosen);
    } else {
        fluid_settings_t* defaults = settings ? nullptr : new_fluid_settings();
        char* configured = nullptr;
        if (fluid_settings_t* read = settings ? settings : defaults;
            read && fluid_settings_dupstr(read, "synth.default-soundfont", &configured) == FLUID_OK && configured) {
            candidates.push_back(configured);
            fluid_free(configured);
        }
        if (defaults)
            delete_fluid_settings(defaults);
        candidates.push_back("/usr/share/sounds/sf2/default-GM.sf2");
        candidates.push_back("/usr/share/sounds/sf3/default-GM.sf3");
    }
    for (const std::string& path : candidates)
        if (readableFile(path))
            return path;
    if (looked) {
        looked->clear();
        for (const std::string& path : candidates)
            *looked += (looked->empty() ? "" : ", ") + path;
    }
    return {};
}

void makeAllChannelsMelodic(fluid_synth_t* synth)
{
    const int channels = fluid_synth_count_midi_channels(synth);
    for (int channel = 0; channel < channels; ++channel) {
        fluid_synth_set_channel_type(synth, channel, CHANNEL_TYPE_MELODIC);
        fluid_synth_bank_select(synth, channel, 0);
        fluid_synth_program_change(synth, channel, 0);
    }
}

bool playShortMessage(fluid_synth_t* synth, uint32_t packed)
{
    const int status = packed & 0xFF;
    const int data1 = (packed >> 8) & 0xFF;
    const int data2 = (packed >> 16) & 0xFF;
    if (status < 0x80)
        return false;
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, channel, data1); break;
    case 0x90: fluid_synth_noteon(synth, channel, data1, data2); break;  // velocity 0 ends the note
    case 0xA0: fluid_synth_key_pressure(synth, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, channel, (data2 & 0x7F) << 7 | (data1 & 0x7F)); break;
    default: break;  // system messages are not channel messages; nothing to play
    }
    return true;
}

namespace {

thread_local FluidLogCapture* currentCapture = nullptr;  // this thread's innermost capture

}  // namespace

FluidLogCapture::FluidLogCapture() : outer_(currentCapture)
{
    // FluidSynth's log hooks are global: set once, they hand each line to the capture of the
    // thread that logs it, or to FluidSynth's own printing where that thread has none.
    static std::once_flag hooksSet;
    std::call_once(hooksSet, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN})
            fluid_set_log_function(level, dispatch, nullptr);
        for (int level : {FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
    currentCapture = this;
}

FluidLogCapture::~FluidLogCapture()
{
    currentCapture = outer_;
}

void FluidLogCapture::dispatch(int level, const char* message, void*)
{
    if (!currentCapture) {
        fluid_default_log_function(level, message, nullptr);
        return;
    }
    currentCapture->text_ += "  fluidsynth: ";
    currentCapture->text_ += message ? message : "";
    currentCapture->text_ += "\n";
}
