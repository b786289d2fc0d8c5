#include "controls/ui_equalizer_geometry.h"

#include <algorithm>
#include <cmath>

namespace eqgraph {

namespace {

// Keeps casts to int defined for hostile inputs (infinities, huge values).
constexpr double kPixelLimit = 1.0e6;

int ToPixel(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<int>(std::trunc(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

// Places a span of size `size` centred on c, or flush with an edge when c is within `half`.
int CentreOrFlush(int c, int lo, int hi, int size, int half) {
    if (c - lo < half) {
        return lo;
    }
    if (hi - c < half) {
        return hi - size;
    }
    return c - half;
}

}  // namespace

int ScalePercent(int dpi) {
    if (dpi <= 0) {
        return 100;
    }
    return dpi * 100 / 96;
}

int Scaled(int v, int s) {
    return v * s / 100;
}

float ZeroLine(const Plot& p) {
    return static_cast<float>(p.top + (p.Height() * 12) / 30);
}

int XOfFreq(const Plot& p, double freq) {
    if (std::isnan(freq)) {
        return p.left;
    }
    const double lo = std::log10(static_cast<double>(kMinFreq));
    const double span = std::log10(static_cast<double>(kMaxFreq)) - lo;
    const double offset = p.Width() * (std::log10(freq) - lo) / span;
    return p.left + ToPixel(offset);
}

int FreqOfX(const Plot& p, int x) {
    if (p.Width() == 0) {
        return kMinFreq;
    }
    const double lo = std::log10(static_cast<double>(kMinFreq));
    const double span = std::log10(static_cast<double>(kMaxFreq)) - lo;
    // 10^9 still fits an int; nothing on screen gets near it.
    const double exponent = std::clamp(lo + (x - p.left) * span / p.Width(), -300.0, 9.0);
    return static_cast<int>(std::lround(std::pow(10.0, exponent)));
}

int YOfGain(const Plot& p, double gain) {
    const double y0 = ZeroLine(p);
    if (std::isnan(gain) || gain == 0.0) {
        return ToPixel(y0);
    }
    gain = std::clamp(gain, -kPixelLimit, kPixelLimit);
    if (gain > 0.0) {
        return ToPixel(y0 - std::round((y0 - p.top) * gain) / 12.0);
    }
    return ToPixel(y0 - std::round((p.bottom - y0) * gain) / 18.0);
}

float GainOfY(const Plot& p, int y) {
    const float y0 = ZeroLine(p);
    const float fy = static_cast<float>(y);
    if (fy < y0) {
        const float above = y0 - static_cast<float>(p.top);
        return above > 0.0f ? kTopDb * (y0 - fy) / above : 0.0f;
    }
    if (fy > y0) {
        const float below = static_cast<float>(p.bottom) - y0;
        return below > 0.0f ? kBottomDb * (fy - y0) / below : 0.0f;
    }
    return 0.0f;
}

float QOfDistance(int dx, int s) {
    const int lo = std::max(1, Scaled(3, s));
    const int hi = std::max(lo, Scaled(162, s));
    const int d = std::clamp(std::abs(dx), lo, hi);
    const float q = (0.81f * static_cast<float>(s)) / static_cast<float>(d);
    return std::clamp(q, 0.5f, 9.0f);
}

QPoint ClampToPlot(const Plot& p, QPoint pt) {
    const int x = std::clamp(pt.x(), p.left, std::max(p.left, p.right));
    const int y = std::clamp(pt.y(), p.top, std::max(p.top, p.bottom));
    return {x, y};
}

QRect MarkerRect(const Plot& p, int x, int y, int s) {
    const int size = Scaled(16, s);
    const int half = Scaled(8, s);
    return {CentreOrFlush(x, p.left, p.right, size, half),
            CentreOrFlush(y, p.top, p.bottom, size, half), size, size};
}

QRect ValueLabelRect(const Plot& p, int x, int y, bool dragAll, int s) {
    const int width = Scaled(dragAll ? 150 : 50, s);
    const int left = CentreOrFlush(x, p.left, p.right, width, width / 2);
    int top = 0;
    if (y < p.top + Scaled(14, s)) {
        top = p.top + Scaled(22, s);
    } else if (y >= p.bottom - Scaled(10, s)) {
        top = p.bottom - Scaled(37, s);
    } else if (y > p.bottom - Scaled(29, s)) {
        top = y - Scaled(29, s);
    } else {
        top = y + Scaled(14, s);
    }
    return {left, top, width, Scaled(15, s)};
}

void QHandleRects(const Plot& p, int x, int y, float q, int s, QRect* left, QRect* right) {
    if (std::isnan(q)) {
        q = 1.0f;
    }
    const int gap = static_cast<int>(std::lround(81.0f / std::clamp(q, 0.5f, 9.0f))) * s / 100;
    const int size = Scaled(8, s);
    const int half = Scaled(4, s);
    int top = 0;
    if (y < p.top + Scaled(14, s)) {
        top = p.top + Scaled(12, s);
    } else if (y >= p.bottom - Scaled(10, s)) {
        top = p.bottom - Scaled(20, s);
    } else if (y > p.bottom - Scaled(29, s)) {
        top = y - Scaled(12, s);
    } else {
        top = y + Scaled(4, s);
    }
    if (left) {
        *left = QRect(x - gap - half, top, size, size);
    }
    if (right) {
        *right = QRect(x + gap - half, top, size, size);
    }
}

namespace {

QRect CrossoverHandle(const Plot& p, int freq, int s, float gain, int height) {
    if (freq < kMinFreq || freq > kMaxFreq) {
        return {};
    }
    const int width = Scaled(14, s);
    const int left = CentreOrFlush(XOfFreq(p, freq), p.left, p.right, width, Scaled(7, s));
    return {left, YOfGain(p, gain), width, height};
}

}  // namespace

QRect HpHandleRect(const Plot& p, int freq, int s) {
    return CrossoverHandle(p, freq, s, -8.0f, Scaled(10, s));
}

QRect LpHandleRect(const Plot& p, int freq, int s) {
    return CrossoverHandle(p, freq, s, -11.0f, Scaled(10, s) + 2);
}

}  // namespace eqgraph
