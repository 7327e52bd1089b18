#include "resources/controls_dialog_template.h"

#include "resources/command_ids.h"

const DialogTemplate& controlsDialogTemplate()
{
    static const DialogTemplate tpl{
        Template::Controls,
        "controls",
        280,
        180,
        "Arial",
        9,
        true,
        {
            {-1, ControlKind::GroupBox, "MIDI: the \"control\" input (ALSA and JACK)", 7, 5, 266, 86},
            {-1, ControlKind::StaticText, "MMC Play, Stop and Rewind work without learning.", 14, 17, 252, 10},
            {-1, ControlKind::StaticText, "action", 14, 32, 40, 10},
            {kControlsActionListId, ControlKind::DropDownList, "", 56, 30, 210, 150, 150},
            {-1, ControlKind::StaticText, "control", 14, 50, 40, 10},
            {kControlsBindingTextId, ControlKind::StaticText, "", 56, 50, 210, 10},
            {kControlsLearnId, ControlKind::PushButton, "Learn", 56, 68, 60, 14},
            {kControlsForgetId, ControlKind::PushButton, "Forget", 122, 68, 60, 14},
            {-1, ControlKind::GroupBox, "OSC: /pulselattice/... over UDP", 7, 96, 266, 58},
            {kControlsOscOnId, ControlKind::CheckBox, "Run the OSC server", 14, 108, 120, 10},
            {-1, ControlKind::StaticText, "UDP port", 14, 124, 40, 10},
            {kControlsOscPortId, ControlKind::Edit, "", 56, 122, 50, 12},
            {kControlsOscNetworkId, ControlKind::CheckBox, "accept from the network", 122, 124, 144, 10},
            {-1, ControlKind::StaticText, "Unless it accepts from the network, only this machine's programs reach it.", 14, 140, 252, 10},
            {1, ControlKind::DefaultPushButton, "Okay", 85, 160, 50, 14},
            {2, ControlKind::PushButton, "Cancel", 145, 160, 50, 14},
        },
    };
    return tpl;
}
