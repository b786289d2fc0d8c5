#include "shell/ui_scale.h"

#include <algorithm>

#include "shell/run_log.h"

namespace shell {

int DpiForScreenSize(int width, int height) {
    // Single precision on purpose: 1920 / 1536 must land exactly on 1.25, a step boundary.
    const float scale = std::min(static_cast<float>(width) / static_cast<float>(kDesignWidth),
                                 static_cast<float>(height) / static_cast<float>(kDesignHeight));
    if (scale < 1.0f) {
        return 77;
    }
    if (scale < 1.25f) {
        return 96;
    }
    if (scale < 1.5f) {
        return 120;
    }
    if (scale < 2.0f) {
        return 144;
    }
    if (scale < 3.0f) {
        return 192;
    }
    return 288;
}

ScreenRect ChooseScreen(const ScreenLayout& layout) {
    std::vector<ScreenRect> others;
    for (const ScreenRect& monitor : layout.monitors) {
        // The monitor at the origin is the primary screen, already counted.
        if (monitor.left != 0 || monitor.top != 0) {
            others.push_back(monitor);
        }
    }
    std::stable_sort(others.begin(), others.end(), [](const ScreenRect& a, const ScreenRect& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    ScreenRect chosen{0, 0, layout.primaryWidth, layout.primaryHeight};
    for (const ScreenRect& monitor : others) {
        if (monitor.Width() > chosen.Width()) {
            chosen = monitor;
        }
    }
    return chosen;
}

int UiScaleDpi(const ScreenLayout& layout) {
    runlog::Log("m_MainScreen (%d,%d,%d,%d)\n", 0, 0, layout.primaryWidth, layout.primaryHeight);
    const ScreenRect& v = layout.virtualScreen;
    runlog::Log("m_VirtualScreen (%d,%d,%d,%d)\n", v.left, v.top, v.right, v.bottom);
    const ScreenRect chosen = ChooseScreen(layout);
    runlog::Log("screen size %d x %d\n", chosen.Width(), chosen.Height());
    const int dpi = DpiForScreenSize(chosen.Width(), chosen.Height());
    runlog::Log("DPI %d\n", dpi);
    return dpi;
}

}  // namespace shell
