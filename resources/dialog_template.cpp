#include "resources/dialog_template.h"

#include "resources/command_ids.h"
#include "resources/controls_dialog_template.h"
#include "resources/main_templates.h"
#include "resources/output_offset_template.h"
#include "resources/settings_dialog_templates.h"

const DialogTemplate* findDialogTemplate(int templateId)
{
    switch (templateId) {
    case Template::MainWindow: return &mainWindowTemplate();
    case Template::About: return &aboutDialogTemplate();
    case Template::ConfirmExit: return &confirmExitDialogTemplate();
    case Template::ExportLength: return &exportLengthDialogTemplate();
    case Template::OutputOffset: return &outputOffsetDialogTemplate();
    case Template::Controls: return &controlsDialogTemplate();
    case Template::DurationsAndOffsets: return &durationsDialogTemplate();
    case Template::Concept: return &conceptDialogTemplate();
    case Template::Tones:
    case Template::Notes:
    case Template::Velocities: return voiceTableDialogTemplate(templateId);
    default: return nullptr;
    }
}

const std::vector<MenuTemplate>& mainMenu()
{
    return mainMenuTemplate();
}

const std::vector<Accelerator>& acceleratorTable()
{
    return mainAcceleratorTemplate();
}
