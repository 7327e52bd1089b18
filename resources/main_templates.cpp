#include "resources/main_templates.h"

#include "resources/command_ids.h"

namespace {

ControlTemplate button(int id, const char* text, int x, int y, int w, int h)
{
    return {id, ControlKind::PushButton, text, x, y, w, h};
}

}  // namespace

const DialogTemplate& mainWindowTemplate()
{
    static const DialogTemplate tpl{
        Template::MainWindow,
        "pulseLattice",
        180,
        240,
        "Arial",
        9,
        false,
        {
            button(Command::Concept, "Concept", 20, 20, 141, 14),
            {-1, ControlKind::GroupBox, "sound", 20, 43, 140, 32},
            button(Command::Play, "Play", 70, 43, 90, 14),
            button(Command::Stop, "Stop", 70, 61, 90, 14),
            {-1, ControlKind::GroupBox, "midi", 20, 84, 140, 91},
            button(Command::Tone, "Tone", 70, 84, 90, 14),
            button(Command::Note, "Note", 70, 102, 90, 14),
            button(Command::Velocity, "Velocity", 70, 120, 90, 14),
            button(Command::Save, "Save", 70, 143, 90, 14),
            button(Command::Restore, "Restore", 70, 161, 90, 14),
            button(Command::ExitButton, "Exit", 20, 184, 141, 14),
        },
    };
    return tpl;
}

const DialogTemplate& aboutDialogTemplate()
{
    static const DialogTemplate tpl{
        Template::About,
        "about",
        240,
        50,
        "Arial",
        9,
        true,
        {
            {kAboutLineId, ControlKind::ReadOnlyEdit, "", 10, 10, 220, 14},
            {1, ControlKind::DefaultPushButton, "continue", 95, 25, 50, 14},
        },
    };
    return tpl;
}

const DialogTemplate& confirmExitDialogTemplate()
{
    static const DialogTemplate tpl{
        Template::ConfirmExit,
        "confirmation",
        240,
        50,
        "Arial",
        9,
        true,
        {
            {-1, ControlKind::StaticText, "are you sure to exit the program?", 10, 10, 220, 14, 0, true},
            {1, ControlKind::DefaultPushButton, "okay", 65, 25, 50, 14},
            {2, ControlKind::PushButton, "cancel", 125, 25, 50, 14},
        },
    };
    return tpl;
}

const DialogTemplate& exportLengthDialogTemplate()
{
    static const DialogTemplate tpl{
        Template::ExportLength,
        "export",
        180,
        80,
        "Arial",
        9,
        true,
        {
            {-1, ControlKind::StaticText, "length: passes, or minutes:seconds", 10, 10, 160, 10},
            {kExportLengthEditId, ControlKind::Edit, "", 10, 24, 160, 12},
            {kExportStartListId, ControlKind::DropDownList, "", 10, 41, 160, 40, 40},
            {1, ControlKind::DefaultPushButton, "Okay", 35, 60, 50, 12},
            {2, ControlKind::PushButton, "Cancel", 95, 60, 50, 12},
        },
    };
    return tpl;
}

const std::vector<MenuTemplate>& mainMenuTemplate()
{
    static const std::vector<MenuTemplate> menu{
        {"File(&F)", {{Command::Export, "Export...\tCtrl + E"}, {0, ""}, {Command::Exit, "Exit\tCtrl + X"}}},
        {"Sound(&S)",
         {{Command::Concept, "Concept\tCtrl + C"},
          {Command::Play, "Play\tCtrl + P"},
          {Command::Stop, "Stop\tCtrl + O"},
          {Command::Rewind, "Rewind\tCtrl + W"},
          {Command::Lattice, "Lattice\tCtrl + L"},
          {Command::OutputOffset, "Output offset..."},
          {0, ""},
          {Command::Link, "Link\tCtrl + K", true},
          {Command::MidiClock, "Send MIDI clock\tCtrl + Shift + K", true},
          {Command::FollowMidiClock, "Follow MIDI clock\tCtrl + Shift + F", true},
          {0, ""},
          {Command::Controls, "Controls..."}}},
        {"MIDI Setup(&M)",
         {{Command::Tone, "Tone\tCtrl + T"},
          {Command::Note, "Note\tCtrl + N"},
          {Command::Velocity, "Velocity\tCtrl + V"},
          {0, ""},
          {Command::Save, "Save\tCtrl + S"},
          {Command::Restore, "Restore\tCtrl + R"}}},
        {"Help(&H)", {{Command::About, "About\tCtrl + A"}}},
    };
    return menu;
}

const std::vector<Accelerator>& mainAcceleratorTemplate()
{
    static const std::vector<Accelerator> table{
        {'A', false, Command::About},    {'X', false, Command::Exit},
        {'C', false, Command::Concept},  {'P', false, Command::Play},
        {'O', false, Command::Stop},     {'D', true, Command::DurationsAndOffsets},
        {'T', false, Command::Tone},     {'N', false, Command::Note},
        {'V', false, Command::Velocity}, {'S', false, Command::Save},
        {'R', false, Command::Restore},  {'L', false, Command::Lattice},
        {'E', false, Command::Export},   {'K', false, Command::Link},
        {'K', true, Command::MidiClock}, {'W', false, Command::Rewind},
        {'F', true, Command::FollowMidiClock},
    };
    return table;
}
