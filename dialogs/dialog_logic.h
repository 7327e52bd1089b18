// What a dialog's logic receives from the window that shows it. UI thread only.
#pragma once

#include "dialogs/controls.h"

class DialogLogic {
public:
    virtual ~DialogLogic() = default;

    // The dialog has been built from its template and is about to be shown.
    virtual void init(Controls& controls) = 0;
    // A control with this id reported something (button press, list selection, edit change, box
    // toggled); `code` is the control's notification code and the logic may ignore it.
    virtual void command(Controls& controls, int id) = 0;
    // A child control sent a notification. For a spin's step request `isStep` is true and `delta`
    // is +1 for the up arrow (or Up key) and -1 for the down arrow.
    virtual void notify(Controls& controls, int fromId, bool isStep, int delta) = 0;
};
