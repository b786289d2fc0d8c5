#pragma once
// Layouts are written in 96-DPI units; every window scales them by its DPI / 96.

#include <QRect>
#include <QSize>

namespace ui {

inline constexpr int kLayoutDpi = 96;

// The DPI steps the shell chooses from; any other value is clamped into [kMinDpi, kMaxDpi].
inline constexpr int kMinDpi = 48;
inline constexpr int kMaxDpi = 384;

int ClampDpi(int dpi);

// Rounds to the nearest pixel, halves away from zero, so +v and -v scale alike.
int ScaleValue(int value, int dpi);

// Scales the edges rather than the size, so controls that touch at 96 DPI still touch at
// any other DPI (no one-pixel gaps from rounding the width separately).
QRect ScaleRect(const QRect& rect, int dpi);
QSize ScaleSize(const QSize& size, int dpi);

}  // namespace ui
