#include "tools/render_settings.h"

#include "settings/defaults.h"
#include "settings/midi_setting_file.h"
#include "settings/numeral_presets.h"
#include "settings/parameter_file.h"

bool buildRenderSettings(const RenderOptions& options, SettingsRecord& settings, std::string& error)
{
    settings = SettingsRecord{};
    fillBuiltInDefaults(settings);

    // The record of a parameter file over the defaults; a short file leaves the rest as defaulted.
    if (options.settingsFile) {
        ParameterFile file;
        file.path = *options.settingsFile;
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
