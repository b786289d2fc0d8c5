// Painting of the equalizer graph: the frame (background, grid, axis labels, kept as a pixmap
// until the size, scale, font or language change), flat-curve text or logo, the channel curves
// and traces, the sum, then the points, the selected point's value and Q handles, the
// crossover handles and the mouse readout on top.

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "controls/curve_paths.h"
#include "controls/ui_equalizer.h"
#include "ui/resources.h"

namespace {

constexpr QRgb kGridColor = 0xFF444444;
constexpr QRgb kBypassTextColor = 0x77777777;
constexpr QRgb kOtherCurveColor = 0xFF646464;
constexpr QRgb kCurrentCurveColor = 0xFF00C000;
constexpr QRgb kSelectedColor = 0xFFFF0000;
constexpr QRgb kLabelColor = 0xFFFFFFFF;
constexpr QRgb kPreviewColor = 0xFF7FE8FF;
constexpr QRgb kSumColor = 0xFFF6CE1D;
// The other slot is only a reference: faint enough that the live curve reads first.
constexpr int kOtherSlotAlpha = 0x60;
constexpr int kReadoutAlpha = 0xE6;

constexpr double kCurveLowestFreq = 10.0;
constexpr double kCurveHighestFreq = 20100.0;

constexpr int kDbLines[] = {-15, -10, -5, 5, 10};

}  // namespace

QString UIEqualizer::ValueText() const {
    const EqPoint& p = mPoints[static_cast<size_t>(mCurrentControlIndex)];
    if (mDragAllDirection) {
        const QString q = QString::asprintf("%0.2f", static_cast<double>(p.q));
        return QString::asprintf("%d Hz %s Q %.1f dB", p.freq, q.toUtf8().constData(),
                                 static_cast<double>(p.gain));
    }
    return QString::asprintf("%.1f dB", static_cast<double>(p.gain));
}

void UIEqualizer::PaintFrame(QPainter& painter, int s) const {
    painter.fillRect(rect(),
                     mBackground.isValid() ? mBackground : palette().color(QPalette::Window));
    PaintGrid(painter, s);
    painter.setFont(AxisFont(s));
    painter.setPen(TextColor());
    for (const AxisLabel& label : mFreqLabels) {
        if (!label.rect.isEmpty()) {
            painter.drawText(label.rect, Qt::AlignCenter | Qt::TextSingleLine, label.text);
        }
    }
    for (const AxisLabel& label : mDbLabels) {
        if (!label.rect.isEmpty()) {
            painter.drawText(label.rect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                             label.text);
        }
    }
}

void UIEqualizer::PaintGrid(QPainter& painter, int s) const {
    const QRect plot(mPlot.left, mPlot.top, mPlot.Width(), mPlot.Height());
    const double width = std::max(1, eqgraph::Scaled(1, s));
    const double half = width / 2.0;
    QPen pen(QColor::fromRgba(kGridColor), width, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(plot).adjusted(half, half, -half, -half));

    const double left = mPlot.left;
    const double right = mPlot.right;
    const double y0 = std::floor(eqgraph::ZeroLine(mPlot)) + half;
    painter.drawLine(QPointF(left, y0), QPointF(right, y0));
    for (int f : curvepath::GridFrequencies()) {
        const double x = eqgraph::XOfFreq(mPlot, f) + half;
        painter.drawLine(QPointF(x, mPlot.top), QPointF(x, mPlot.bottom));
    }
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    for (int db : kDbLines) {
        const double y = eqgraph::YOfGain(mPlot, db) + half;
        painter.drawLine(QPointF(left, y), QPointF(right, y));
    }
}

void UIEqualizer::PaintCurve(QPainter& painter, const Curve& curve, bool smooth, QColor color,
                             double width, Qt::PenStyle style) const {
    std::vector<QPointF> pts;
    pts.reserve(kCurvePoints);
    for (int k = curve.count - 1; k >= 0; --k) {
        const double f = curve.freqs[static_cast<size_t>(k)];
        if (f >= kCurveLowestFreq && f <= kCurveHighestFreq) {
            pts.emplace_back(eqgraph::XOfFreq(mPlot, f),
                             eqgraph::YOfGain(mPlot, curve.db[static_cast<size_t>(k)]));
        }
    }
    if (smooth) {
        pts = curvepath::RunningAverage(pts, mPlot.left);
    }
    if (!pts.empty()) {
        pts.pop_back();  // the lowest kept point is left out, as the curve always was
    }
    painter.setPen(QPen(color, width, style, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(curvepath::BezierChain(pts));
}

void UIEqualizer::PaintMarks(QPainter& painter) {
    const int s = ScalePercent();
    painter.setFont(font());
    const double dot = std::max(1.5, 2.0 * s / 100.0);
    for (int i = 0; i < mPointCount; ++i) {
        const auto index = static_cast<size_t>(i);
        const QColor color =
            QColor::fromRgba(i == mCurrentControlIndex ? kSelectedColor : kLabelColor);
        const QRect& number = mNumbers[index];
        const QPoint px = mPixels[index];
        // A number moved off its point keeps a thin line to it, and the point a dot.
        if (!number.contains(px)) {
            QColor line = color;
            line.setAlpha(0x90);
            painter.setPen(QPen(line, 1.0));
            const QPointF near(std::clamp(px.x(), number.left(), number.right()),
                               std::clamp(px.y(), number.top(), number.bottom()));
            painter.drawLine(near, QPointF(px));
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawEllipse(QPointF(px), dot, dot);
            painter.setBrush(Qt::NoBrush);
        }
        painter.setPen(color);
        painter.drawText(number, mTextFlags, QString::number(i + 1));
    }
    if (ValidPoint(mCurrentControlIndex)) {
        painter.setPen(QColor::fromRgba(kSelectedColor));
        painter.drawText(mValueRect, mTextFlags, ValueText());
        if (mDragAllDirection) {
            painter.setPen(
                QPen(QColor::fromRgba(kSelectedColor), std::max(1, eqgraph::Scaled(1, s))));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(mQLeft).adjusted(0.5, 0.5, -0.5, -0.5));
            painter.drawRect(QRectF(mQRight).adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }
    const auto handle = [&](int freq, const QRect& r, Capture capture, const char* text) {
        if (freq == -1 || r.isEmpty()) {
            return;
        }
        painter.setPen(QColor::fromRgba(mCapture == capture ? kSelectedColor : kLabelColor));
        painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, QLatin1String(text));
    };
    handle(mHpFreq, mHpRect, Capture::Hp, "H");
    handle(mLpFreq, mLpRect, Capture::Lp, "L");
}

void UIEqualizer::PaintReadout(QPainter& painter, int s) const {
    if (!mReadout.shown) {
        return;
    }
    const QColor text = TextColor();
    if (const std::optional<double> level = ReadoutLevel()) {
        const double db = std::clamp(*level, static_cast<double>(eqgraph::kBottomDb),
                                     static_cast<double>(eqgraph::kTopDb));
        const QPointF at(mReadout.pos.x(), eqgraph::YOfGain(mPlot, db));
        const double r = eqgraph::Scaled(3, s);
        painter.setPen(QPen(text, std::max(1, eqgraph::Scaled(1, s))));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, r, r);
    }
    QColor fill = mBackground.isValid() ? mBackground : palette().color(QPalette::Window);
    fill.setAlpha(kReadoutAlpha);
    QColor border = text;
    border.setAlpha(0x70);
    painter.setPen(QPen(border, 1.0));
    painter.setBrush(fill);
    const double radius = 3.0 * s / 100.0;
    painter.drawRoundedRect(QRectF(mReadout.rect).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(text);
    painter.setFont(AxisFont(s));
    painter.drawText(mReadout.rect, Qt::AlignCenter | Qt::TextSingleLine, ReadoutText());
}

void UIEqualizer::PaintLayer(QPainter& painter, int s) {
    painter.drawPixmap(0, 0, mFrame);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    mBypassTextShown = false;

    const QRect plot(mPlot.left, mPlot.top, mPlot.Width(), mPlot.Height());
    const QPixmap logo = mLogo.isEmpty() ? QPixmap() : ui::Resources::Instance().Pixmap(mLogo);
    if (!logo.isNull()) {
        painter.drawPixmap(plot, logo);
    } else if (mAllFlat) {
        const QRect area =
            QRect(QPoint(mPlot.left, mPlot.top + 40), QPoint(mPlot.right, mPlot.bottom))
                .adjusted(eqgraph::Scaled(mTextPadding.left(), s),
                          eqgraph::Scaled(mTextPadding.top(), s),
                          -eqgraph::Scaled(mTextPadding.right(), s),
                          -eqgraph::Scaled(mTextPadding.bottom(), s));
        QString text = ui::ResolveText(QStringLiteral("${all_bypass}"));
        if (mEndEllipsis) {
            text = painter.fontMetrics().elidedText(text, Qt::ElideRight, area.width());
        }
        painter.setPen(QColor::fromRgba(kBypassTextColor));
        painter.drawText(area, mTextFlags, text);
        mBypassTextShown = true;
    }

    // Curves run past 20 Hz and 20 kHz; the axis labels beside the plot stay clear of them.
    painter.setClipRect(plot);
    const double scale = s / 100.0;
    const double otherWidth =
        (mCurrentCurve >= 0 && mCurrentCurve < mColorCount ? 2.0 : 3.0) * scale;
    for (int i = 0; i < mCurveCount; ++i) {
        if (i == mCurrentCurve || mCurveVisible[static_cast<size_t>(i)] == 0) {
            continue;
        }
        const QRgb color = i < mColorCount ? mColors[static_cast<size_t>(i)] : kOtherCurveColor;
        PaintCurve(painter, mCurves[static_cast<size_t>(i)], true, QColor::fromRgba(color),
                   otherWidth);
    }
    const QColor current = QColor::fromRgba(mCurrentCurve >= 0 && mCurrentCurve < mColorCount
                                                ? mColors[static_cast<size_t>(mCurrentCurve)]
                                                : kCurrentCurveColor);
    if (HasTrace(Trace::OtherSlot)) {
        QColor faint = current;
        faint.setAlpha(kOtherSlotAlpha);
        PaintCurve(painter, mTraces[static_cast<size_t>(Trace::OtherSlot)], false, faint,
                   2.0 * scale);
    }
    if (mCurrentCurve >= 0 && mCurrentCurve < mCurveCount) {
        PaintCurve(painter, mCurves[static_cast<size_t>(mCurrentCurve)], false, current,
                   2.0 * scale);
    }
    if (HasTrace(Trace::Preview)) {
        PaintCurve(painter, mTraces[static_cast<size_t>(Trace::Preview)], false,
                   QColor::fromRgba(kPreviewColor), 2.0 * scale, Qt::DashLine);
    }
    if (mShowSum && mSum.count > 0) {
        PaintCurve(painter, mSum, false, QColor::fromRgba(kSumColor), 2.0 * scale, Qt::DashDotLine);
    }
}

void UIEqualizer::paintEvent(QPaintEvent* event) {
    (void)event;
    if (mLayoutValid) {
        PartialLayout();
    } else {
        FullLayout();
    }
    if (mPlot.Width() <= 0 || mPlot.Height() <= 0) {
        mBypassTextShown = false;
        return;
    }
    const int s = ScalePercent();
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    if (!mFramePainted || mFrame.size() != pixels) {
        mFrame = QPixmap(pixels);
        mFrame.setDevicePixelRatio(dpr);
        QPainter frame(&mFrame);
        frame.setRenderHint(QPainter::Antialiasing);
        frame.setRenderHint(QPainter::TextAntialiasing);
        PaintFrame(frame, s);
        mFramePainted = true;
        mLayerPainted = false;
    }
    if (!mLayerPainted || mLayer.size() != pixels) {
        if (mLayer.size() != pixels) {
            mLayer = QPixmap(pixels);
        }
        mLayer.setDevicePixelRatio(dpr);
        QPainter layer(&mLayer);
        PaintLayer(layer, s);
        mLayerPainted = true;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, mLayer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintMarks(painter);
    PaintReadout(painter, s);
}
