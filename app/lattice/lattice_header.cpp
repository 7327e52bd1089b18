#include "app/lattice/lattice_header.h"

#include <cmath>
#include <cstdio>

#include "app/command_states.h"
#include "app/lattice/lattice_rhythm.h"
#include "settings/numeral_presets.h"

namespace {

std::string signedText(int32_t value)
{
    return (value > 0 ? "+" : "") + std::to_string(value);
}

std::string lengthText(Clock::Duration length)
{
    return std::to_string(std::llround(std::chrono::duration<double, std::milli>(length).count())) + " ms";
}

}  // namespace

std::vector<std::string> latticeHeader(const SettingsRecord& settings, const std::string& deviceName,
                                       const std::optional<LatticeLengths>& inForce)
{
    const LatticeRhythm rhythm = rhythmFromSettings(settings);
    std::string numeral = captionForNumeral(rhythm.numeral);
    numeral.erase(0, numeral.find("-- ") + 3);
    numeral.erase(0, numeral.find_first_not_of(' '));  // the caption pads the number to 25 places
    std::string first = "numeral " + numeral;
    if (isPresetPosition(settings.numeralPreset))
        first += "   " + std::string(NumeralPreset[settings.numeralPreset]);

    const LatticeLengths lengths = inForce.value_or(
        LatticeLengths{std::chrono::milliseconds(rhythm.alphaMs), std::chrono::milliseconds(rhythm.betaMs)});
    const std::string second = "tempo " + std::to_string(settings.tempo) + "   layers " +
                               std::to_string(rhythm.topLayer + 1) + "   alpha " + lengthText(lengths.alpha) +
                               "   beta " + lengthText(lengths.beta);

    std::string modulation = "modulation off";
    if (settings.modulationEnabled != 0)
        modulation = "modulation layer " + std::to_string(int64_t{settings.modulationLayer} + 1) + " " +
                     (settings.modulationTone == 0 ? "alpha" : "beta") + ", note " +
                     signedText(settings.modulationNoteOffset) + ", velocity " +
                     signedText(settings.modulationVelocityOffset);
    return {first, second, modulation + "   device " + deviceName};
}

std::string latticeDeviceName(DeviceListing& devices, int32_t deviceId)
{
    if (deviceId == -1)
        return "MIDI_MAPPER";
    std::string name;
    if (deviceId >= 0 && devices.portName(static_cast<uint32_t>(deviceId), name))
        return name;
    return "device " + std::to_string(deviceId);
}

std::string compensationHeaderItem(MessageTime reportedLatency, MessageTime outputOffset)
{
    std::string item;
    if (reportedLatency > MessageTime::zero()) {
        char text[32];
        std::snprintf(text, sizeof text, "latency %.1f ms",
                      std::chrono::duration<double, std::milli>(reportedLatency).count());
        item = text;
    }
    const auto offsetMs = std::chrono::duration_cast<std::chrono::milliseconds>(outputOffset).count();
    if (offsetMs != 0)
        item += (item.empty() ? "offset " : " + offset ") + std::to_string(offsetMs) + " ms";
    return item;
}
