#include "app/output_offset_command.h"

#include "app/lattice/lattice_header.h"
#include "common/diagnostics.h"
#include "dialogs/output_offset_dialog.h"
#include "engine/midi_port.h"
#include "resources/command_ids.h"
#include "settings/output_offsets.h"

void restoreOutputOffsets(AppContext& app)
{
    if (app.parameterFile.path.empty())
        return;
    setOutputOffsets(app.player, loadOutputOffsets(outputOffsetsPath(app.parameterFile.path)));
}

void runOutputOffsetDialog(AppContext& app)
{
    std::string name = openOutputName(app.player);
    if (name.empty())
        name = latticeDeviceName(app.devices, get(app.player.deviceId));
    // The table is written only here and at start, both on this thread.
    OutputOffsets offsets = app.player.port.offsets;
    const double reportedMs = std::chrono::duration<double, std::milli>(portReportedLatency(app.player)).count();
    OutputOffsetDialog dialog(name, reportedMs, offsets.offsetFor(name));
    if (app.shell.runDialog(Template::OutputOffset, dialog) != 1)
        return;
    offsets.set(name, dialog.offsetMs());
    setOutputOffsets(app.player, offsets);
    if (app.parameterFile.path.empty() || !app.parameterFile.keepsSettings)
        return;
    if (!saveOutputOffsets(outputOffsetsPath(app.parameterFile.path), offsets))
        logDiagnostic("cannot write " + outputOffsetsPath(app.parameterFile.path) + ": the offset holds until exit");
}
