#include "tools/render_settings.h"

#include "settings/defaults.h"
#include "settings/numeral_presets.h"

bool buildRenderSettings(const RenderOptions& options, SettingsRecord& settings, std::string& error)
{
    settings = SettingsRecord{};
    fillBuiltInDefaults(settings);

    if (options.settingsFile) {
        error = "--settings: parameter files are not supported yet";
        return false;
    }
    if (options.voicesFile) {
        error = "--voices: MIDI setting files are not supported yet";
        return false;
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
