#include "app/window_placement.h"

#include <algorithm>

#include "app/shell_platform.h"
#include "common/wrapping_math.h"

namespace {

int32_t wrappingSubtract(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace

bool menuBarOnAScreen(int32_t left, int32_t top, int32_t width, const std::vector<WindowRect>& screens)
{
    const int64_t right = static_cast<int64_t>(left) + width;
    const int64_t bottom = static_cast<int64_t>(top) + kReachableMenuBarHeight;
    const int64_t wanted = width < kReachableMenuBarWidth ? width : kReachableMenuBarWidth;
    for (const WindowRect& screen : screens) {
        const int64_t overlap = std::min<int64_t>(right, screen.right) - std::max<int64_t>(left, screen.left);
        if (top >= screen.top && bottom <= screen.bottom && overlap >= wanted && overlap > 0)
            return true;
    }
    return false;
}

std::optional<WindowRect> fitPlacementToScreens(int32_t left, int32_t top, int32_t width, int32_t height,
                                                const std::vector<WindowRect>& screens)
{
    if (width < 1 || height < 1)
        return std::nullopt;
    const WindowRect* largest = nullptr;
    int64_t largestArea = 0;
    for (const WindowRect& screen : screens) {
        const int64_t area = (int64_t{screen.right} - screen.left) * (int64_t{screen.bottom} - screen.top);
        if (area > largestArea) {
            largestArea = area;
            largest = &screen;
        }
    }
    if (!largest)
        return std::nullopt;
    width = static_cast<int32_t>(std::min<int64_t>(width, int64_t{largest->right} - largest->left));
    height = static_cast<int32_t>(std::min<int64_t>(height, int64_t{largest->bottom} - largest->top));
    if (!menuBarOnAScreen(left, top, width, screens))
        return std::nullopt;
    return WindowRect{left, top, static_cast<int32_t>(int64_t{left} + width), static_cast<int32_t>(int64_t{top} + height)};
}

void placeMainWindow(ShellPlatform& shell, SettingsRecord& record)
{
    int32_t* r = record.windowRect;  // left, top, right, bottom
    if (record.windowWidth != 0 && record.windowHeight != 0) {
        // A stored placement is used as it is, unless the menu bar would be off every screen (a
        // placement from a larger screen): then the window is centred as on a first start.
        if (record.windowWidth > 0 && menuBarOnAScreen(r[0], r[1], record.windowWidth, shell.screenRects())) {
            shell.moveWindow(r[0], r[1], record.windowWidth, record.windowHeight);
            return;
        }
        record.windowWidth = 0;
        record.windowHeight = 0;
    }
    // The window starts at (0, 0); an axis still at 0 is centred, one the system moved is kept.
    // Differences wrap rather than overflow on whatever the window system reports.
    const WindowRect current = shell.windowRect();
    r[0] = current.left;
    r[1] = current.top;
    r[2] = current.right;
    r[3] = current.bottom;
    record.windowWidth = wrappingSubtract(r[2], r[0]);
    if (r[0] == 0) {
        record.screenWidth = shell.screenWidth();
        r[0] = wrappingSubtract(record.screenWidth, record.windowWidth) / 2;  // truncates toward zero
    }
    r[2] = wrappingAdd(r[0], record.windowWidth);
    record.windowHeight = wrappingSubtract(r[3], r[1]);
    if (r[1] == 0) {
        record.screenHeight = shell.screenHeight();
        r[1] = wrappingSubtract(record.screenHeight, record.windowHeight) / 2;
    }
    r[3] = wrappingAdd(r[1], record.windowHeight);
    shell.moveWindow(r[0], r[1], record.windowWidth, record.windowHeight);
}
