// Templates of the main window (100), the about box (106) and the exit confirmation (107); the
// main window's menu (101) and accelerator table (102).
#pragma once

#include <vector>

#include "resources/dialog_template.h"

inline constexpr int kAboutLineId = 201;
inline constexpr int kExportLengthEditId = 202;
inline constexpr int kExportStartListId = 203;  // "from the beginning" or "from where Play would go on"

const DialogTemplate& mainWindowTemplate();
const DialogTemplate& aboutDialogTemplate();
const DialogTemplate& confirmExitDialogTemplate();
const DialogTemplate& exportLengthDialogTemplate();
const std::vector<MenuTemplate>& mainMenuTemplate();
const std::vector<Accelerator>& mainAcceleratorTemplate();
