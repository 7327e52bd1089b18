// What the render tool does with settings it was given, short enough for a fuzzer: the checks, then
// three seconds of the run against a virtual clock when they pass.
#pragma once

#include <string>
#include <vector>

#include "engine/render_run.h"
#include "tools/render_settings.h"

inline void renderAsTheToolDoes(const RenderOptions& options)
{
    SettingsRecord settings;
    std::string error;
    if (!buildRenderSettings(options, settings, error) || !checkRenderSettings(options, settings, error))
        return;
    std::vector<TimedMessage> messages;
    renderRun(settings, RenderLength{std::nullopt, 3000}, messages, error);
}
