#pragma once
// Pixel geometry of the equalizer graph: the mapping between frequency / gain and plot pixels,
// the Q of a drag, and the rectangles of markers, labels and handles. No widget involved, so
// every rule can be checked on its own.
//
// Sizes are given at 100 % and scaled by the scale percent s (integer division), s being the
// owner window's DPI in percent of 96.

#include <QRect>

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

// 100 for 96 DPI; anything not positive counts as 96.
int ScalePercent(int dpi);
// v at scale s: v * s / 100 with integer division.
int Scaled(int v, int s);

// y of 0 dB: top + (height * 12) div 30.
float ZeroLine(const Plot& p);

int XOfFreq(const Plot& p, double freq);
int FreqOfX(const Plot& p, int x);
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

}  // namespace eqgraph
