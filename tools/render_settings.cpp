#include "tools/render_settings.h"

#include <cstdio>

#include "dialogs/ranged_values.h"

#include "settings/defaults.h"
#include "settings/midi_setting_file.h"
#include "settings/numeral_presets.h"
#include "settings/parameter_file.h"
#include "settings/rhythm_units.h"

bool buildRenderSettings(const RenderOptions& options, SettingsRecord& settings, std::string& error)
{
    settings = SettingsRecord{};
    fillBuiltInDefaults(settings);

    // The record of a parameter file over the defaults. A file the window program would move
    // aside as damaged (empty, truncated, not a regular file) is refused, not half read.
    if (options.settingsFile) {
        ParameterFile file;
        file.path = *options.settingsFile;
        const ParameterFileState state = parameterFileState(file.path);
        if (state == ParameterFileState::Damaged) {
            error = "--settings: '" + file.path + "' is not a whole parameter file (" +
                    std::to_string(kParameterFileSize) + " bytes)";
            return false;
        }
        if (state == ParameterFileState::Whole)
            loadParameterFile(file, settings);
        if (!file.opened) {
            error = "--settings: cannot read '" + *options.settingsFile + "'";
            return false;
        }
    }
    // As a restore: the tables are replaced (the front of them, for a short file), both offsets 0.
    if (options.voicesFile) {
        if (!readMidiSettingFile(*options.voicesFile, settings)) {
            error = "--voices: cannot read '" + *options.voicesFile + "'";
            return false;
        }
        settings.noteOffset = 0;
        settings.velocityOffset = 0;
    }

    if (options.numeralPosition) {
        settings.numeralPreset = *options.numeralPosition;
        settings.numeral = numeralPresetValue(*options.numeralPosition - 1);
    } else if (options.numeral) {
        settings.numeralPreset = 0;
        settings.numeral = *options.numeral;
    }
    if (options.tempo)
        settings.tempo = *options.tempo;
    if (options.layers)
        settings.layerIndex = *options.layers - 1;
    if (options.alphaDuration)
        settings.alphaDuration = *options.alphaDuration;
    if (options.betaDuration)
        settings.betaDuration = *options.betaDuration;
    if (options.noteOffset)
        settings.noteOffset = *options.noteOffset;
    if (options.velocityOffset)
        settings.velocityOffset = *options.velocityOffset;
    if (options.modulation) {
        settings.modulationEnabled = 1;
        settings.modulationLayer = options.modulation->layerIndex;
        settings.modulationTone = options.modulation->tone;
        settings.modulationNoteOffset = options.modulation->noteOffset;
        settings.modulationVelocityOffset = options.modulation->velocityOffset;
    }
    return true;
}

namespace {

// Which option gave a value: the option itself, else the parameter file, else (only the tables
// can make a built-in default fail) the voice file.
std::string sourceOf(const RenderOptions& options, bool givenByOption, const char* option)
{
    if (givenByOption)
        return option;
    return options.settingsFile ? "--settings" : "--voices";
}

bool checkRange(const std::string& source, const char* field, int64_t value, int64_t low, int64_t high,
                std::string& error)
{
    if (value >= low && value <= high)
        return true;
    error = source + ": " + field + " " + std::to_string(value) + " is not within " + std::to_string(low) + " to " +
            std::to_string(high);
    return false;
}

// "%g": 4 for 4.0, 4.5 for 4.5, nan for NaN.
std::string shortNumber(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

bool checkRenderSettings(const RenderOptions& options, const SettingsRecord& s, std::string& error)
{
    const double numeral = isPresetPosition(s.numeralPreset) ? numeralPresetValue(s.numeralPreset - 1) : s.numeral;
    if (!(numeral >= kMinimumNumeral && numeral <= kMaximumNumeral)) {  // "not within", so NaN fails as well
        error = sourceOf(options, options.numeral || options.numeralPosition, "--numeral") + ": numeral " +
                shortNumber(numeral) + " is not a number from " + shortNumber(kMinimumNumeral) + " to " +
                shortNumber(kMaximumNumeral);
        return false;
    }
    RangedValues ranged{};
    computeOffsetBounds(ranged, s.notes, s.velocities);
    const bool modulation = options.modulation.has_value();
    // The offset bounds follow the tables in use. A voice file is taken as Restore takes it,
    // unchecked, whatever its values (a note of 300 leaves no room for any offset): after one,
    // only the offsets given as options are bounded. Without one, a parameter file's offsets are
    // checked against its own tables, as the concept dialog's Okay checks them.
    const auto offsetWithinBounds = [&](bool givenByOption, const char* option, const char* field, int32_t value,
                                        int bound) {
        if (options.voicesFile && !givenByOption)
            return true;
        return checkRange(sourceOf(options, givenByOption, option), field, value, ranged.minimum[bound],
                          ranged.maximum[bound], error);
    };
    return checkRange(sourceOf(options, options.tempo.has_value(), "--tempo"), "tempo", s.tempo, kMinimumTempo, kMaximumTempo, error) &&
           checkRange(sourceOf(options, options.layers.has_value(), "--layers"), "layers",
                      int64_t{s.layerIndex} + 1, kMinimumLayers, kLayerCount, error) &&
           checkRange(sourceOf(options, options.alphaDuration.has_value(), "--alpha"), "alpha duration",
                      s.alphaDuration, ranged.minimum[0], ranged.maximum[0], error) &&
           checkRange(sourceOf(options, options.betaDuration.has_value(), "--beta"), "beta duration",
                      s.betaDuration, ranged.minimum[1], ranged.maximum[1], error) &&
           offsetWithinBounds(options.noteOffset.has_value(), "--note-offset", "note offset", s.noteOffset, 2) &&
           offsetWithinBounds(options.velocityOffset.has_value(), "--velocity-offset", "velocity offset",
                              s.velocityOffset, 3) &&
           offsetWithinBounds(modulation, "--modulation", "modulation note offset", s.modulationNoteOffset, 4) &&
           offsetWithinBounds(modulation, "--modulation", "modulation velocity offset", s.modulationVelocityOffset, 5);
}
