#include "resources/output_offset_template.h"

#include "resources/command_ids.h"

const DialogTemplate& outputOffsetDialogTemplate()
{
    static const DialogTemplate tpl{
        Template::OutputOffset,
        "output offset",
        180,
        95,
        "Arial",
        9,
        true,
        {
            {-1, ControlKind::StaticText, "output", 10, 10, 40, 10},
            {kOutputOffsetNameId, ControlKind::StaticText, "", 50, 10, 125, 10},
            {-1, ControlKind::StaticText, "offset", 10, 27, 40, 10},
            {kOutputOffsetEditId, ControlKind::Edit, "", 100, 27, 35, 10},
            {kOutputOffsetEditId + kSpinIdOffset, ControlKind::Spin, "", 135, 27, 10, 10},
            {-1, ControlKind::StaticText, "msec", 150, 27, 20, 10},
            {kOutputOffsetLatencyId, ControlKind::StaticText, "", 10, 44, 165, 10},
            {-1, ControlKind::StaticText, "sent earlier by both: -50 ~ 200 ms", 10, 56, 165, 10},
            {1, ControlKind::DefaultPushButton, "Okay", 35, 75, 50, 12},
            {2, ControlKind::PushButton, "Cancel", 95, 75, 50, 12},
        },
    };
    return tpl;
}
