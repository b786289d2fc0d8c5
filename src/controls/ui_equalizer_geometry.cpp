#include "controls/ui_equalizer_geometry.h"

#include <algorithm>
#include <cmath>
#include <tuple>

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

Plot PlotWithin(const QRect& widget, const Margins& m) {
    const int left = widget.left() + m.left;
    const int top = widget.top() + m.top;
    const int right = std::max(left, widget.left() + widget.width() - m.right);
    const int bottom = std::max(top, widget.top() + widget.height() - m.bottom);
    return {left, top, right, bottom};
}

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

double ExactFreqOfX(const Plot& p, double x) {
    if (p.Width() == 0 || std::isnan(x)) {
        return kMinFreq;
    }
    const double lo = std::log10(static_cast<double>(kMinFreq));
    const double span = std::log10(static_cast<double>(kMaxFreq)) - lo;
    const double exponent = std::clamp(lo + (x - p.left) * span / p.Width(), -300.0, 9.0);
    return std::pow(10.0, exponent);
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

QRect FreqLabelRect(const Plot& p, int freq, QSize size, int gap) {
    const int x = XOfFreq(p, freq);
    return {x - size.width() / 2, p.bottom + gap, size.width(), size.height()};
}

QRect DbLabelRect(const Plot& p, int db, QSize size, int gap) {
    const int y = YOfGain(p, db);
    return {p.left - gap - size.width(), y - size.height() / 2, size.width(), size.height()};
}

std::vector<bool> KeepApart(std::span<const QRect> rects, const QRect& bounds, int gap,
                            bool vertical) {
    std::vector<bool> keep(rects.size(), false);
    std::vector<QRect> kept;
    for (size_t i = 0; i < rects.size(); ++i) {
        const QRect& r = rects[i];
        const QRect wide = vertical ? r.adjusted(0, -gap, 0, gap) : r.adjusted(-gap, 0, gap, 0);
        const bool clear = std::none_of(kept.begin(), kept.end(),
                                        [&](const QRect& k) { return k.intersects(wide); });
        if (bounds.contains(r) && clear) {
            keep[i] = true;
            kept.push_back(r);
        }
    }
    return keep;
}

QRect CentredInPlot(const Plot& p, int x, int y, QSize size) {
    return {CentreOrFlush(x, p.left, p.right, size.width(), size.width() / 2),
            CentreOrFlush(y, p.top, p.bottom, size.height(), size.height() / 2), size.width(),
            size.height()};
}

namespace {

// Columns either side a label may move before it gives up: further would leave its point.
constexpr int kSpreadColumns = 4;

struct Step {
    int column;
    int row;
};

// Offsets in whole label sizes, nearest first; a sideways step counts double, since the
// label's x is what tells its frequency. Ties: fewer columns, up before down, right first.
// Kept between calls: a drag lays the numbers out again at every step, at the same size.
const std::vector<Step>& SpreadSteps(QSize size, int rows) {
    thread_local QSize cachedSize;
    thread_local int cachedRows = -1;
    thread_local std::vector<Step> steps;
    if (size == cachedSize && rows == cachedRows) {
        return steps;
    }
    cachedSize = size;
    cachedRows = rows;
    steps.clear();
    for (int c = -kSpreadColumns; c <= kSpreadColumns; ++c) {
        for (int r = -rows; r <= rows; ++r) {
            steps.push_back({c, r});
        }
    }
    const auto key = [&](const Step& st) {
        const long long dx = static_cast<long long>(st.column) * size.width();
        const long long dy = static_cast<long long>(st.row) * size.height();
        return std::make_tuple(4 * dx * dx + dy * dy, std::abs(st.column), st.row > 0,
                               st.column < 0);
    };
    std::sort(steps.begin(), steps.end(),
              [&](const Step& a, const Step& b) { return key(a) < key(b); });
    return steps;
}

}  // namespace

std::vector<QRect> SpreadApart(std::span<const QRect> rects, const QRect& area) {
    std::vector<QRect> placed;
    placed.reserve(rects.size());
    for (const QRect& own : rects) {
        if (own.isEmpty()) {
            placed.push_back(own);
            continue;
        }
        const auto free = [&](const QRect& r) {
            return area.contains(r) &&
                   std::none_of(placed.begin(), placed.end(),
                                [&](const QRect& q) { return q.intersects(r); });
        };
        // Most labels keep their own place; the other places are only listed when needed.
        if (free(own)) {
            placed.push_back(own);
            continue;
        }
        QRect chosen = own;
        for (const Step& st : SpreadSteps(own.size(), area.height() / own.height() + 1)) {
            const QRect r = own.translated(st.column * own.width(), st.row * own.height());
            if (free(r)) {
                chosen = r;
                break;
            }
        }
        placed.push_back(chosen);
    }
    return placed;
}

QRect ReadoutRect(const Plot& p, QPoint cursor, QSize size, int s) {
    const int dx = Scaled(12, s);
    int x = cursor.x() + dx;
    if (x + size.width() > p.right) {
        x = cursor.x() - dx - size.width();
    }
    int y = cursor.y() + Scaled(18, s);  // below the arrow's tip
    if (y + size.height() > p.bottom) {
        y = cursor.y() - Scaled(6, s) - size.height();
    }
    x = std::clamp(x, p.left, std::max(p.left, p.right - size.width()));
    y = std::clamp(y, p.top, std::max(p.top, p.bottom - size.height()));
    return {x, y, size.width(), size.height()};
}

}  // namespace eqgraph
