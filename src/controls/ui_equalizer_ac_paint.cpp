// Painting of the calibration response display: background and grid, the axis labels, then the
// measured spectra, the predicted responses and the correction EQ curves on top.

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "controls/curve_paths.h"
#include "controls/ui_equalizer_ac.h"

namespace {

constexpr QRgb kGridColor = 0xFF444444;

constexpr std::array<QRgb, UIEqualizerAc::kSlots> kEqColors = {
    0xFFFF0000, 0xFFFF8040, 0xFFFFFF37, 0xFFB7FF4A, 0xFF00AEAE, 0xFF0000E3, 0xFF8600FF, 0xFFF00078,
    0xFFFF6600, 0xFFFFFF00, 0xFFAAFF00, 0xFF00FF22, 0xFF00FFFF, 0xFF0088FF, 0xFF0000FF, 0xFF8F00FF};
constexpr std::array<QRgb, UIEqualizerAc::kSlots> kSpectrumColors = {
    0xFFEF0000, 0xFFEF7030, 0xFFEFEF27, 0xFFA7EF3A, 0xFF009E9E, 0xFF0000D3, 0xFF7600EF, 0xFFE00068,
    0xFFFF6600, 0xFFFFFF00, 0xFFAAFF00, 0xFF00FF22, 0xFF00FFFF, 0xFF0088FF, 0xFF0000FF, 0xFF8F00FF};

// Data a little past the axis ends still reaches the edges.
constexpr double kLowestFreq = 10.0;
constexpr double kHighestFreq = 20100.0;
// Keeps wild but finite values from turning into huge path coordinates.
constexpr double kPixelLimit = 1.0e5;

constexpr int kDbLines[] = {-15, -10, -5, 5, 10, 15};
constexpr int kFreqLabels[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
constexpr int kDbLabels[] = {20, 10, 0, -10, -20};

int Scaled(int v, int s) {
    return v * s / 100;
}

QString FreqText(int hz) {
    return hz >= 1000 ? QString::number(hz / 1000) + QLatin1Char('k') : QString::number(hz);
}

QString DbText(int db) {
    return db > 0 ? QLatin1Char('+') + QString::number(db) : QString::number(db);
}

void DrawPath(QPainter& painter, const QPainterPath& path, QColor color, double width,
              Qt::PenStyle style) {
    painter.setPen(QPen(color, width, style, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

}  // namespace

template <int N>
std::vector<QPointF> UIEqualizerAc::Pixels(const typename CurveSet<N>::Curve& curve) const {
    std::vector<QPointF> pts;
    pts.reserve(static_cast<size_t>(curve.size));
    const double top = -kPixelLimit;
    const double bottom = height() + kPixelLimit;
    for (int k = curve.size - 1; k >= 0; --k) {
        const double f = curve.freqs[static_cast<size_t>(k)];
        const double g = curve.db[static_cast<size_t>(k)];
        if (!(f >= kLowestFreq && f <= kHighestFreq) || !std::isfinite(g)) {
            continue;
        }
        pts.emplace_back(std::round(XOfFrequency(f)),
                         std::round(std::clamp(YOfGain(g), top, bottom)));
    }
    return pts;
}

QColor UIEqualizerAc::LabelColor() const {
    if (!isEnabled()) {
        return mDisabledTextColor.isValid()
                   ? mDisabledTextColor
                   : palette().color(QPalette::Disabled, QPalette::WindowText);
    }
    return mTextColor.isValid() ? mTextColor : palette().color(QPalette::WindowText);
}

void UIEqualizerAc::PaintGrid(QPainter& painter, int s) const {
    const QRect plot = rect();
    painter.fillRect(plot, mBackground.isValid() ? mBackground : palette().color(QPalette::Window));
    // Lines sit on pixel centres so a 1 px line covers exactly one row or column.
    const double width = std::max(1, Scaled(1, s));
    const double half = width / 2.0;
    QPen pen(QColor::fromRgba(kGridColor), width, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(plot).adjusted(half, half, -half, -half));

    const double right = plot.width();
    const double bottom = plot.height();
    const double y0 = YOfGain(0.0) + half;
    painter.drawLine(QPointF(0.0, y0), QPointF(right, y0));
    for (int f : curvepath::GridFrequencies()) {
        const double x = std::floor(XOfFrequency(f)) + half;
        painter.drawLine(QPointF(x, 0.0), QPointF(x, bottom));
    }
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    for (int db : kDbLines) {
        const double y = std::floor(YOfGain(db)) + half;
        painter.drawLine(QPointF(0.0, y), QPointF(right, y));
    }
}

void UIEqualizerAc::PaintLabels(QPainter& painter, int s) const {
    QFont small = font();
    small.setPixelSize(std::max(6, Scaled(10, s)));
    painter.setFont(small);
    painter.setPen(LabelColor());
    const QFontMetrics metrics(small);
    const int margin = std::max(1, Scaled(2, s));
    const QRect inner = rect().adjusted(
        margin + Scaled(mTextPadding.left(), s), margin + Scaled(mTextPadding.top(), s),
        -margin - Scaled(mTextPadding.right(), s), -margin - Scaled(mTextPadding.bottom(), s));
    const int rowHeight = metrics.height();
    const int gap = std::max(2, Scaled(4, s));
    if (inner.width() <= 0 || inner.height() < rowHeight) {
        return;
    }
    constexpr int kFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

    // Frequencies along the bottom, each centred on its line and kept inside; one that would
    // touch the previous label is left out.
    const int row = inner.bottom() + 1 - rowHeight;
    int nextLeft = inner.left();
    for (int hz : kFreqLabels) {
        const QString text = FreqText(hz);
        const int w = metrics.horizontalAdvance(text);
        if (w > inner.width()) {
            continue;
        }
        const int centred = static_cast<int>(std::lround(XOfFrequency(hz))) - w / 2;
        const int left = std::clamp(centred, inner.left(), inner.right() + 1 - w);
        if (left < nextLeft) {
            continue;
        }
        painter.drawText(QRect(left, row, w, rowHeight), kFlags, text);
        nextLeft = left + w + gap;
    }

    // Gains along the left, above the frequency row so the corners never collide.
    const int lowest = row - gap;  // one past the last row a gain label may use
    int nextTop = inner.top();
    for (int db : kDbLabels) {
        const QString text = DbText(db);
        const int w = metrics.horizontalAdvance(text);
        if (w > inner.width() || lowest - inner.top() < rowHeight) {
            break;
        }
        const int centred = static_cast<int>(std::lround(YOfGain(db))) - rowHeight / 2;
        const int top = std::clamp(centred, inner.top(), lowest - rowHeight);
        if (top < nextTop) {
            continue;
        }
        painter.drawText(QRect(inner.left(), top, w, rowHeight), kFlags, text);
        nextTop = top + rowHeight + gap / 2;
    }
}

void UIEqualizerAc::paintEvent(QPaintEvent* event) {
    (void)event;
    if (width() <= 0 || height() <= 0) {
        return;
    }
    const int s = ScalePercent();
    const double scale = s / 100.0;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintGrid(painter, s);
    PaintLabels(painter, s);

    for (size_t i = 0; i < static_cast<size_t>(mSpectra.count); ++i) {
        if (mSpectra.visible[i] != 0) {
            const std::vector<QPointF> pts = Pixels<kSpectrumPoints>(mSpectra.curves[i]);
            DrawPath(painter, curvepath::CardinalSpline(pts), QColor::fromRgba(kSpectrumColors[i]),
                     2.0 * scale, Qt::SolidLine);
        }
    }
    // Lighter and thinner than the measurement it is predicted from, so both stay readable.
    for (size_t i = 0; i < static_cast<size_t>(mPredicted.count); ++i) {
        if (mPredicted.visible[i] != 0) {
            const std::vector<QPointF> pts = Pixels<kSpectrumPoints>(mPredicted.curves[i]);
            DrawPath(painter, curvepath::CardinalSpline(pts),
                     QColor::fromRgba(kSpectrumColors[i]).lighter(150), 1.5 * scale, Qt::SolidLine);
        }
    }
    for (size_t i = 0; i < static_cast<size_t>(mEq.count); ++i) {
        if (mEq.visible[i] != 0) {
            const std::vector<QPointF> pts =
                curvepath::RunningAverage(Pixels<kEqPoints>(mEq.curves[i]), 0.0);
            DrawPath(painter, curvepath::BezierChain(pts), QColor::fromRgba(kEqColors[i]),
                     2.0 * scale, Qt::DashLine);
        }
    }
}
