// The main window's placement from the stored rectangle: used as stored while reachable, else centred.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "app/shell_platform.h"
#include "settings/settings_record.h"

// Moves the main window to the stored placement, or centres it and stores the placement. A stored
// placement whose menu bar would be off every screen is replaced by a centred one.
void placeMainWindow(ShellPlatform& shell, SettingsRecord& record);

// The strip at the top of the window that must lie on one screen for the window to be reachable:
// its full height, and this much of its width (or all of a narrower window), in pixels.
inline constexpr int32_t kReachableMenuBarHeight = 24;
inline constexpr int32_t kReachableMenuBarWidth = 100;
bool menuBarOnAScreen(int32_t left, int32_t top, int32_t width, const std::vector<WindowRect>& screens);

// A stored placement of a resizable window (kept in a side file) made safe for the screens: a size
// larger than the largest screen is cut to that screen's size, and nothing (the window keeps its
// default place and size) when the size is not positive or the window's top strip would be off
// every screen. `left`, `top` are the frame's corner; `width`, `height` the inside, in pixels.
std::optional<WindowRect> fitPlacementToScreens(int32_t left, int32_t top, int32_t width, int32_t height,
                                                const std::vector<WindowRect>& screens);
