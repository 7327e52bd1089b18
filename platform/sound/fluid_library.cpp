// FluidSynth, loaded when the synthesiser is first used rather than when the program starts. The
// library and the 35 it needs (SDL, Wayland, the codecs) cost about 10 ms of every start-up, on a
// 2-core machine a third of what a bare Qt window takes to appear, although the window needs none
// of it. So the program does not link FluidSynth: each FluidSynth function it calls is defined here
// and forwards to the library's own (lazy_library.h). Without the library the constructors give
// null and the rest fail, which every caller already turns into "the synthesiser cannot start".
#include <fluidsynth.h>

#include "platform/sound/lazy_library.h"

namespace {

// FluidSynth 2's soname (Debian 12 and 13: libfluidsynth3).
LazyLibrary fluidSynth("libfluidsynth.so.3");

}  // namespace

#define FLUID_FORWARD(name, fallback, ...) LAZY_FORWARD(fluidSynth, name, fallback __VA_OPT__(, ) __VA_ARGS__)
#define FLUID_FORWARD_VOID(name, ...) LAZY_FORWARD_VOID(fluidSynth, name __VA_OPT__(, ) __VA_ARGS__)

extern "C" {

fluid_settings_t* new_fluid_settings(void) { FLUID_FORWARD(new_fluid_settings, nullptr); }
void delete_fluid_settings(fluid_settings_t* settings) { FLUID_FORWARD_VOID(delete_fluid_settings, settings); }
int fluid_settings_setint(fluid_settings_t* settings, const char* name, int value)
{
    FLUID_FORWARD(fluid_settings_setint, FLUID_FAILED, settings, name, value);
}
int fluid_settings_setnum(fluid_settings_t* settings, const char* name, double value)
{
    FLUID_FORWARD(fluid_settings_setnum, FLUID_FAILED, settings, name, value);
}
int fluid_settings_setstr(fluid_settings_t* settings, const char* name, const char* value)
{
    FLUID_FORWARD(fluid_settings_setstr, FLUID_FAILED, settings, name, value);
}
int fluid_settings_dupstr(fluid_settings_t* settings, const char* name, char** value)
{
    FLUID_FORWARD(fluid_settings_dupstr, FLUID_FAILED, settings, name, value);
}
void fluid_free(void* pointer) { FLUID_FORWARD_VOID(fluid_free, pointer); }

fluid_log_function_t fluid_set_log_function(int level, fluid_log_function_t function, void* data)
{
    FLUID_FORWARD(fluid_set_log_function, nullptr, level, function, data);
}
void fluid_default_log_function(int level, const char* message, void* data)
{
    FLUID_FORWARD_VOID(fluid_default_log_function, level, message, data);
}

fluid_synth_t* new_fluid_synth(fluid_settings_t* settings) { FLUID_FORWARD(new_fluid_synth, nullptr, settings); }
void delete_fluid_synth(fluid_synth_t* synth) { FLUID_FORWARD_VOID(delete_fluid_synth, synth); }
int fluid_synth_sfload(fluid_synth_t* synth, const char* filename, int resetPresets)
{
    FLUID_FORWARD(fluid_synth_sfload, FLUID_FAILED, synth, filename, resetPresets);
}
int fluid_synth_count_midi_channels(fluid_synth_t* synth) { FLUID_FORWARD(fluid_synth_count_midi_channels, 0, synth); }
int fluid_synth_get_active_voice_count(fluid_synth_t* synth)
{
    FLUID_FORWARD(fluid_synth_get_active_voice_count, 0, synth);
}
int fluid_synth_set_channel_type(fluid_synth_t* synth, int channel, int type)
{
    FLUID_FORWARD(fluid_synth_set_channel_type, FLUID_FAILED, synth, channel, type);
}
int fluid_synth_noteon(fluid_synth_t* synth, int channel, int key, int velocity)
{
    FLUID_FORWARD(fluid_synth_noteon, FLUID_FAILED, synth, channel, key, velocity);
}
int fluid_synth_noteoff(fluid_synth_t* synth, int channel, int key)
{
    FLUID_FORWARD(fluid_synth_noteoff, FLUID_FAILED, synth, channel, key);
}
int fluid_synth_cc(fluid_synth_t* synth, int channel, int controller, int value)
{
    FLUID_FORWARD(fluid_synth_cc, FLUID_FAILED, synth, channel, controller, value);
}
int fluid_synth_pitch_bend(fluid_synth_t* synth, int channel, int value)
{
    FLUID_FORWARD(fluid_synth_pitch_bend, FLUID_FAILED, synth, channel, value);
}
int fluid_synth_program_change(fluid_synth_t* synth, int channel, int program)
{
    FLUID_FORWARD(fluid_synth_program_change, FLUID_FAILED, synth, channel, program);
}
int fluid_synth_bank_select(fluid_synth_t* synth, int channel, int bank)
{
    FLUID_FORWARD(fluid_synth_bank_select, FLUID_FAILED, synth, channel, bank);
}
int fluid_synth_channel_pressure(fluid_synth_t* synth, int channel, int value)
{
    FLUID_FORWARD(fluid_synth_channel_pressure, FLUID_FAILED, synth, channel, value);
}
int fluid_synth_key_pressure(fluid_synth_t* synth, int channel, int key, int value)
{
    FLUID_FORWARD(fluid_synth_key_pressure, FLUID_FAILED, synth, channel, key, value);
}
int fluid_synth_write_float(fluid_synth_t* synth, int length, void* left, int leftOffset, int leftStep, void* right,
                            int rightOffset, int rightStep)
{
    FLUID_FORWARD(fluid_synth_write_float, FLUID_FAILED, synth, length, left, leftOffset, leftStep, right, rightOffset,
                  rightStep);
}
int fluid_synth_write_s16(fluid_synth_t* synth, int length, void* left, int leftOffset, int leftStep, void* right,
                          int rightOffset, int rightStep)
{
    FLUID_FORWARD(fluid_synth_write_s16, FLUID_FAILED, synth, length, left, leftOffset, leftStep, right, rightOffset,
                  rightStep);
}

fluid_audio_driver_t* new_fluid_audio_driver2(fluid_settings_t* settings, fluid_audio_func_t function, void* data)
{
    FLUID_FORWARD(new_fluid_audio_driver2, nullptr, settings, function, data);
}
void delete_fluid_audio_driver(fluid_audio_driver_t* driver) { FLUID_FORWARD_VOID(delete_fluid_audio_driver, driver); }

}  // extern "C"
