#pragma once
// Pixel geometry of the equalizer graph: the mapping between frequency / gain and plot pixels,
// the Q of a drag, and the rectangles of markers, labels and handles. No widget involved, so
// every rule can be checked on its own.
//
// Sizes are given at 100 % and scaled by the scale percent s (integer division), s being the
// owner window's DPI in percent of 96.

#include <QRect>
#include <QSize>

#include <array>
#include <span>
#include <vector>

namespace eqgraph {

inline constexpr int kMinFreq = 20;
inline constexpr int kMaxFreq = 20000;
inline constexpr float kTopDb = 12.0f;
inline constexpr float kBottomDb = -18.0f;

// Left, top, right, bottom; right and bottom lie one past the last pixel.
struct Plot {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    static Plot Of(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
};

// Room kept free around the plot for the axis labels.
struct Margins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The plot inside a widget rect less the margins; empty, never inverted, when they do not fit.
Plot PlotWithin(const QRect& widget, const Margins& m);

// The frequencies the horizontal axis names and the levels the vertical one names.
inline constexpr std::array<int, 10> kAxisFreqs = {20,   50,   100,  200,   500,
                                                   1000, 2000, 5000, 10000, 20000};
inline constexpr std::array<int, 6> kAxisDbs = {10, 5, 0, -5, -10, -15};

// 100 for 96 DPI; anything not positive counts as 96.
int ScalePercent(int dpi);
// v at scale s: v * s / 100 with integer division.
int Scaled(int v, int s);

// y of 0 dB: top + (height * 12) div 30.
float ZeroLine(const Plot& p);

int XOfFreq(const Plot& p, double freq);
int FreqOfX(const Plot& p, int x);
// The same without rounding, for reading a curve between its grid points.
double ExactFreqOfX(const Plot& p, double x);
int YOfGain(const Plot& p, double gain);
float GainOfY(const Plot& p, int y);
// Q of a drag of distance dx from the point's x.
float QOfDistance(int dx, int s);

// The mouse pinned into the plot, right and bottom included (they are 20 kHz and -18 dB).
QPoint ClampToPlot(const Plot& p, QPoint pt);

QRect MarkerRect(const Plot& p, int x, int y, int s);
// dragAll: the wide label "freq Hz Q gain dB"; otherwise the gain alone.
QRect ValueLabelRect(const Plot& p, int x, int y, bool dragAll, int s);
// The two Q handles left and right of the point, apart by the distance that gives q.
void QHandleRects(const Plot& p, int x, int y, float q, int s, QRect* left, QRect* right);
QRect HpHandleRect(const Plot& p, int freq, int s);
QRect LpHandleRect(const Plot& p, int freq, int s);

// A text of `size` centred under the frequency's x, `gap` below the plot.
QRect FreqLabelRect(const Plot& p, int freq, QSize size, int gap);
// A text of `size` ending `gap` left of the plot, centred on the level's grid line.
QRect DbLabelRect(const Plot& p, int db, QSize size, int gap);
// Which of the rects (in order) to keep so that no two kept ones come closer than `gap`
// horizontally (vertical: false) or vertically, all inside `bounds`; earlier ones win.
std::vector<bool> KeepApart(std::span<const QRect> rects, const QRect& bounds, int gap,
                            bool vertical);

// A rect of `size` centred on (x, y), or flush with the plot's edges near them.
QRect CentredInPlot(const Plot& p, int x, int y, QSize size);
// Gives every rect a place of its size inside `area` where it overlaps none placed before it:
// its own, else stacked a whole height up or down, nearest first, then the same a whole width
// to either side. One that finds no free place keeps its own. The same input, the same result.
std::vector<QRect> SpreadApart(std::span<const QRect> rects, const QRect& area);

// The mouse readout box of `size`: right of and below the cursor, on the other side where the
// plot ends.
QRect ReadoutRect(const Plot& p, QPoint cursor, QSize size, int s);

}  // namespace eqgraph
