// Where the main dialog goes: the centre of the work area.
#pragma once

#include <cstdint>

namespace tessary {

struct ScreenRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// The top-left corner that centres the window on the work area, which need not
// start at the screen's origin (a taskbar at the left or top). A window larger
// than the work area goes by the same formula.
constexpr ScreenPoint CenteredPosition(const ScreenRect& workArea, const ScreenRect& window) {
    const std::int32_t width = window.right - window.left;
    const std::int32_t height = window.bottom - window.top;
    return {workArea.left + ((workArea.right - workArea.left) - width) / 2,
            workArea.top + ((workArea.bottom - workArea.top) - height) / 2};
}

}  // namespace tessary
