#include "app/confirm_exit_dialog.h"

void ConfirmExitDialog::command(Controls& controls, int id)
{
    if (id == 1 || id == 2)
        controls.endDialog(id);
}
