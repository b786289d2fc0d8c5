#include "ui/scaling.h"

#include <algorithm>
#include <cstdint>

namespace ui {

int ClampDpi(int dpi) {
    return std::clamp(dpi, kMinDpi, kMaxDpi);
}

int ScaleValue(int value, int dpi) {
    const int64_t product = static_cast<int64_t>(value) * ClampDpi(dpi);
    const int64_t half = kLayoutDpi / 2;
    const int64_t scaled =
        product >= 0 ? (product + half) / kLayoutDpi : -((-product + half) / kLayoutDpi);
    return static_cast<int>(std::clamp<int64_t>(scaled, INT32_MIN / 2, INT32_MAX / 2));
}

QRect ScaleRect(const QRect& rect, int dpi) {
    const int left = ScaleValue(rect.x(), dpi);
    const int top = ScaleValue(rect.y(), dpi);
    const int right = ScaleValue(rect.x() + rect.width(), dpi);
    const int bottom = ScaleValue(rect.y() + rect.height(), dpi);
    return QRect(left, top, right - left, bottom - top);
}

QSize ScaleSize(const QSize& size, int dpi) {
    return QSize(ScaleValue(size.width(), dpi), ScaleValue(size.height(), dpi));
}

}  // namespace ui
