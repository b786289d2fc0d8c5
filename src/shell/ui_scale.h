#pragma once
// The UI scale, chosen once at start from the screens: the widest screen decides, and its
// size against a 1536 x 760 design area picks one of six DPI steps. Layouts scale by DPI / 96.
// No Qt here: the caller gathers the screens, so the choice itself is a plain function.

#include <vector>

namespace shell {

// Edges as the desktop reports them: right and bottom are exclusive.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

struct ScreenLayout {
    int primaryWidth = 0;  // the primary screen, placed at 0,0
    int primaryHeight = 0;
    ScreenRect virtualScreen;          // the box around every screen; only logged
    std::vector<ScreenRect> monitors;  // every monitor, the primary one included, any order
};

inline constexpr int kDesignWidth = 1536;
inline constexpr int kDesignHeight = 760;
inline constexpr int kBaseDpi = 96;

// 77, 96, 120, 144, 192 or 288 for a screen of that size.
int DpiForScreenSize(int width, int height);

// The screen that decides: the primary screen, or the widest monitor not anchored at the
// origin (left or top non-zero), taken in order of left, then top; a tie keeps the earlier.
ScreenRect ChooseScreen(const ScreenLayout& layout);

// The whole choice, with its run log lines ("m_MainScreen", "m_VirtualScreen", "screen size",
// "DPI").
int UiScaleDpi(const ScreenLayout& layout);

}  // namespace shell
