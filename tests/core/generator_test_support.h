// A player on the default settings, a virtual clock and a recording port, for exact message tests.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "engine/generator.h"
#include "engine/midi_port.h"
#include "engine/recording_backend.h"
#include "engine/refresh.h"
#include "engine/virtual_clock.h"
#include "settings/defaults.h"

// Messages as "T SS D1 D2" lines, the render tool's text form.
inline std::vector<std::string> linesOf(const std::vector<TimedMessage>& messages, size_t from = 0)
{
    std::vector<std::string> lines;
    char line[48];
    for (size_t i = from; i < messages.size(); ++i) {
        const TimedMessage& m = messages[i];
        std::snprintf(line, sizeof line, "%lld %02x %02x %02x", static_cast<long long>(m.timeMs()), m.status(),
                      m.data1(), m.data2());
        lines.emplace_back(line);
    }
    return lines;
}

struct VirtualPlayer {
    VirtualClock clock;
    RecordingBackend port{clock};
    PlayerState player;
    LayerCounters counters{};
    Pacer pacer{clock};
    SettingsRecord settings{};

    explicit VirtualPlayer(double numeral, int32_t layers = 2)
    {
        fillBuiltInDefaults(settings);
        settings.numeral = numeral;
        settings.layerIndex = layers - 1;
        player.port.backend = &port;
        port.isOpen = true;
        apply();
        put(player.playing, 1);
    }
    // The refreshes of an accepted concept.
    void apply()
    {
        refreshAcceptedConcept(player, settings);
    }
    // Plays one pass and returns its messages.
    std::vector<std::string> pass()
    {
        const size_t before = port.messages.size();
        playLayerCycle(player, counters, pacer, topLayerForPass(settings.layerIndex));
        return linesOf(port.messages, before);
    }
    // Stop at `stopAt` (its note-off sweep), then, while the stopped pass drains, the note table
    // raised by an octave at `changeAt`, and `afterChange` called.
    template <typename AfterChange>
    void stopThenChangeNotes(std::chrono::milliseconds stopAt, std::chrono::milliseconds changeAt,
                             AfterChange afterChange)
    {
        clock.setAlarm(stopAt, [this, changeAt, afterChange] {
            put(player.playing, 0);
            sendNoteOffSweep(player);
            clock.setAlarm(changeAt, [this, afterChange] {
                for (int32_t& note : settings.notes)
                    note += 12;
                refreshNotes(player, settings);
                afterChange();
            });
        });
    }
};
