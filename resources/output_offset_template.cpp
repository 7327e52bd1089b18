#include "resources/output_offset_template.h"

#include "resources/command_ids.h"

const DialogTemplate& outputOffsetDialogTemplate()
{
    static const DialogTemplate tpl{
        Template::OutputOffset,
        "output offset",
        240,
        100,
        "Arial",
        9,
        true,
        {
            {-1, ControlKind::StaticText, "output", 10, 8, 60, 10},
            {kOutputOffsetNameId, ControlKind::StaticText, "", 10, 20, 220, 10},
            {-1, ControlKind::StaticText, "offset", 10, 36, 60, 10},
            {kOutputOffsetEditId, ControlKind::Edit, "", 100, 36, 35, 10},
            {kOutputOffsetEditId + kSpinIdOffset, ControlKind::Spin, "", 135, 36, 10, 10},
            {-1, ControlKind::StaticText, "msec", 150, 36, 20, 10},
            {kOutputOffsetLatencyId, ControlKind::StaticText, "", 10, 52, 220, 10},
            {-1, ControlKind::StaticText, "notes and clock go out earlier by both (offset -50 ~ 200)", 10, 64, 220, 10},
            {1, ControlKind::DefaultPushButton, "Okay", 65, 80, 50, 12},
            {2, ControlKind::PushButton, "Cancel", 125, 80, 50, 12},
        },
    };
    return tpl;
}
