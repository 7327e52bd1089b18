#include "app/about_dialog.h"

#include "resources/main_templates.h"

void AboutDialog::init(Controls& controls)
{
    controls.setText(kAboutLineId, kAboutLine);
}

void AboutDialog::command(Controls& controls, int id)
{
    if (id == 1 || id == 2)
        controls.endDialog(id);
}
