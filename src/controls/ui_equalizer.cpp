#include "controls/ui_equalizer.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>

#include "ui/scaling.h"
#include "ui/window.h"

namespace {

constexpr char kEq[] = "equalizer_eq";
constexpr char kEqRelease[] = "equalizer_eq_release";
constexpr char kHp[] = "equalizer_hp";
constexpr char kHpRelease[] = "equalizer_hp_release";
constexpr char kLp[] = "equalizer_lp";
constexpr char kLpRelease[] = "equalizer_lp_release";

// Crossover drags carry no point index; 0 keeps them apart from "no selection" (-1).
constexpr int kHandleArg = 0;

void Fail(const ui::LayoutNode& node, QString* error, const QString& what) {
    if (error) {
        *error = node.Where() + what;
    }
}

// "#AARRGGBB" or "AARRGGBB" (also six digits, taken as opaque).
bool ParseHexColor(QString text, QRgb* out) {
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('#'))) {
        text.remove(0, 1);
    } else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        text.remove(0, 2);
    }
    if (text.isEmpty() || text.size() > 8) {
        return false;
    }
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok) {
        return false;
    }
    *out = text.size() <= 6 ? (value | 0xFF000000u) : value;
    return true;
}

bool ReadHexColor(const ui::LayoutNode& node, const char* name, QColor* out, QString* error) {
    const QString key = QLatin1String(name);
    if (!node.Has(key)) {
        return true;
    }
    QRgb rgb = 0;
    if (!ParseHexColor(node.Attr(key), &rgb)) {
        Fail(node, error,
             QStringLiteral("%1=\"%2\": expected a hexadecimal colour").arg(key, node.Attr(key)));
        return false;
    }
    *out = QColor::fromRgba(rgb);
    return true;
}

bool IsTrue(const ui::LayoutNode& node, const char* name) {
    return node.Attr(QLatin1String(name))
               .trimmed()
               .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

}  // namespace

UIEqualizer::UIEqualizer(QWidget* parent) : QWidget(parent), ui::Control(this) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

UIEqualizer* UIEqualizer::FromLayout(const ui::LayoutNode& node, QString* error) {
    auto graph = std::make_unique<UIEqualizer>();
    Qt::Alignment align =
        Qt::Alignment::fromInt(graph->mTextFlags) & Qt::AlignmentFlag::AlignHorizontal_Mask;
    align |= Qt::Alignment::fromInt(graph->mTextFlags) & Qt::AlignmentFlag::AlignVertical_Mask;
    if (!node.ReadAlignment(&align, error)) {
        return nullptr;
    }
    int flags = static_cast<int>(align);
    if (IsTrue(node, "wordbreak")) {
        flags |= Qt::TextWordWrap;
    } else {
        flags |= Qt::TextSingleLine;
    }
    graph->mTextFlags = flags;
    graph->mEndEllipsis = IsTrue(node, "endellipsis");
    graph->mAutoCalcWidth = IsTrue(node, "autocalcwidth");

    if (!node.ReadInt(QStringLiteral("font"), &graph->mFont, error) ||
        !node.ReadInt(QStringLiteral("bypassfont"), &graph->mBypassFont, error) ||
        !ReadHexColor(node, "textcolor", &graph->mTextColor, error) ||
        !ReadHexColor(node, "disabledtextcolor", &graph->mDisabledTextColor, error) ||
        !node.ReadColor(QStringLiteral("bkcolor"), &graph->mBackground, error)) {
        return nullptr;
    }
    if (node.Has(QStringLiteral("textpadding"))) {
        const QStringList parts = node.Attr(QStringLiteral("textpadding")).split(QLatin1Char(','));
        std::array<int, 4> pad{};
        bool ok = parts.size() == 4;
        for (int i = 0; ok && i < 4; ++i) {
            pad[i] = parts[i].trimmed().toInt(&ok);
        }
        if (!ok) {
            Fail(node, error,
                 QStringLiteral("textpadding=\"%1\": expected left,top,right,bottom")
                     .arg(node.Attr(QStringLiteral("textpadding"))));
            return nullptr;
        }
        graph->mTextPadding = QRect(QPoint(pad[0], pad[1]), QPoint(pad[2], pad[3]));
    }
    if (node.Has(QStringLiteral("curvecolor"))) {
        QString list = node.Attr(QStringLiteral("curvecolor")).trimmed();
        if (list.startsWith(QLatin1Char('#'))) {
            list.remove(0, 1);
        }
        std::vector<QRgb> colors;
        for (const QString& entry : list.split(QStringLiteral(" #"), Qt::SkipEmptyParts)) {
            QRgb rgb = 0;
            if (!ParseHexColor(entry, &rgb)) {
                Fail(node, error,
                     QStringLiteral("curvecolor entry \"%1\": expected a hexadecimal colour")
                         .arg(entry));
                return nullptr;
            }
            colors.push_back(rgb);
        }
        graph->SetCurveColors(colors);
    }
    graph->SetLogo(node.Attr(QStringLiteral("curvelogo")));
    return graph.release();
}

// ---- model side ----

void UIEqualizer::SetPoints(std::span<const EqPoint> points, int selected) {
    mPointCount = static_cast<int>(std::min<size_t>(points.size(), kMaxPoints));
    for (int i = 0; i < mPointCount; ++i) {
        EqPoint p = points[static_cast<size_t>(i)];
        if (!std::isfinite(p.gain)) {
            p.gain = 0.0f;
        }
        if (!std::isfinite(p.q)) {
            p.q = 1.0f;
        }
        mPoints[static_cast<size_t>(i)] = p;
    }
    for (size_t i = static_cast<size_t>(mPointCount); i < mPoints.size(); ++i) {
        mPoints[i] = EqPoint{};
    }
    UpdateFlat();
    // An index past the points would be used for every later hit test: take it as none.
    const int previous = mCurrentControlIndex;
    mCurrentControlIndex = ValidPoint(selected) ? selected : -1;
    if (mCurrentControlIndex >= 0) {
        SetUserData(QString::number(mCurrentControlIndex));
    }
    // A drag in progress ends when the model takes its point away or selects another one.
    if ((mCapture == Capture::Index || mCapture == Capture::Factor) &&
        (mCurrentControlIndex != previous || mCurrentControlIndex < 0)) {
        mCapture = Capture::None;
    }
    FullLayout();
    update();
}

EqPoint UIEqualizer::Point(int i) const {
    return ValidPoint(i) ? mPoints[static_cast<size_t>(i)] : EqPoint{};
}

void UIEqualizer::SetCrossover(int hpFreq, int lpFreq) {
    const auto inside = [](int f) { return f >= eqgraph::kMinFreq && f <= eqgraph::kMaxFreq; };
    mHpFreq = inside(hpFreq) ? hpFreq : -1;
    mLpFreq = inside(lpFreq) ? lpFreq : -1;
    LayoutHandles();
    update();
}

void UIEqualizer::SetCurves(std::span<const CurveView> curves, int current,
                            std::span<const int> visible) {
    if (curves.empty()) {
        return;
    }
    const int count = static_cast<int>(std::min<size_t>(curves.size(), kMaxCurves));
    mCurves.fill(Curve{});
    for (int i = 0; i < count; ++i) {
        const CurveView& from = curves[static_cast<size_t>(i)];
        Curve& to = mCurves[static_cast<size_t>(i)];
        std::copy_n(from.freqs.begin(), std::min<size_t>(from.freqs.size(), kCurvePoints),
                    to.freqs.begin());
        std::copy_n(from.db.begin(), std::min<size_t>(from.db.size(), kCurvePoints), to.db.begin());
    }
    mCurveCount = count;
    mCurveVisible.fill(0);
    for (size_t i = 0; i < std::min<size_t>(visible.size(), kMaxCurves); ++i) {
        mCurveVisible[i] = visible[i] != 0 ? 1 : 0;
    }
    mCurrentCurve = current >= 0 && current < count ? current : -1;
    update();
}

void UIEqualizer::SetTrace(Trace which, CurveView curve) {
    const auto index = static_cast<size_t>(which);
    if (index >= kTraceCount) {
        return;
    }
    Curve& to = mTraces[index];
    to = Curve{};
    const size_t count = std::min({curve.freqs.size(), curve.db.size(), size_t{kCurvePoints}});
    std::copy_n(curve.freqs.begin(), count, to.freqs.begin());
    std::copy_n(curve.db.begin(), count, to.db.begin());
    mTraceShown[index] = count > 0 ? 1 : 0;
    update();
}

void UIEqualizer::SetDragAllDirection(bool all) {
    mDragAllDirection = all;
    LayoutSelection();
    update();
}

void UIEqualizer::SetCurveColors(std::span<const QRgb> colors) {
    mColorCount = static_cast<int>(std::min<size_t>(colors.size(), kMaxColors));
    std::copy_n(colors.begin(), mColorCount, mColors.begin());
    update();
}

void UIEqualizer::SetLogo(const QString& skinPath) {
    mLogo = skinPath;
    update();
}

void UIEqualizer::SetBackground(const QColor& color) {
    mBackground = color;
    update();
}

QPoint UIEqualizer::PointPixel(int i) const {
    return ValidPoint(i) ? mPixels[static_cast<size_t>(i)] : QPoint();
}

QRect UIEqualizer::MarkerRect(int i) const {
    return ValidPoint(i) ? mMarkers[static_cast<size_t>(i)] : QRect();
}

int UIEqualizer::ScalePercent() const {
    const ui::Window* window = OwnerWindow();
    return eqgraph::ScalePercent(window ? window->Dpi() : ui::kLayoutDpi);
}

void UIEqualizer::UpdateFlat() {
    mAllFlat = std::all_of(mPoints.begin(), mPoints.begin() + mPointCount,
                           [](const EqPoint& p) { return p.gain == 0.0f; });
}

// ---- layout ----

void UIEqualizer::FullLayout() {
    mPlot = eqgraph::Plot::Of(rect());
    if (mPlot.Width() != 0 && mPlot.Height() != 0 && eqgraph::ZeroLine(mPlot) != 0.0f) {
        mLayoutValid = true;
    }
    const int s = ScalePercent();
    for (int i = 0; i < mPointCount; ++i) {
        const EqPoint& p = mPoints[static_cast<size_t>(i)];
        const QPoint px(eqgraph::XOfFreq(mPlot, p.freq), eqgraph::YOfGain(mPlot, p.gain));
        mPixels[static_cast<size_t>(i)] = px;
        mMarkers[static_cast<size_t>(i)] = eqgraph::MarkerRect(mPlot, px.x(), px.y(), s);
    }
    LayoutSelection();
    LayoutHandles();
}

void UIEqualizer::PartialLayout() {
    LayoutSelection();
    LayoutHandles();
}

void UIEqualizer::LayoutSelection() {
    mValueRect = mQLeft = mQRight = QRect();
    if (!ValidPoint(mCurrentControlIndex)) {
        return;
    }
    const int s = ScalePercent();
    const auto i = static_cast<size_t>(mCurrentControlIndex);
    const QPoint px = mPixels[i];
    mMarkers[i] = eqgraph::MarkerRect(mPlot, px.x(), px.y(), s);
    mValueRect = eqgraph::ValueLabelRect(mPlot, px.x(), px.y(), mDragAllDirection, s);
    if (mDragAllDirection) {
        eqgraph::QHandleRects(mPlot, px.x(), px.y(), mPoints[i].q, s, &mQLeft, &mQRight);
    }
}

void UIEqualizer::LayoutHandles() {
    const int s = ScalePercent();
    mHpRect = mHpFreq >= 0 ? eqgraph::HpHandleRect(mPlot, mHpFreq, s) : QRect();
    mLpRect = mLpFreq >= 0 ? eqgraph::LpHandleRect(mPlot, mLpFreq, s) : QRect();
}

void UIEqualizer::OnScale(int dpi) {
    (void)dpi;  // read from the owner window, which already has it
    FullLayout();
    update();
}

void UIEqualizer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FullLayout();
}

void UIEqualizer::changeEvent(QEvent* event) {
    HandleChange(event);
    if (event->type() == QEvent::LanguageChange) {
        update();
    } else if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        mCapture = Capture::None;  // no release will come
    }
    QWidget::changeEvent(event);
}

// ---- mouse ----

int UIEqualizer::PointAt(QPoint pos) const {
    for (int i = 0; i < mPointCount; ++i) {
        if (mMarkers[static_cast<size_t>(i)].contains(pos)) {
            return i;
        }
    }
    return -1;
}

bool UIEqualizer::InQHandle(QPoint pos) const {
    return mDragAllDirection && ValidPoint(mCurrentControlIndex) &&
           (mQLeft.contains(pos) || mQRight.contains(pos));
}

void UIEqualizer::Select(int i) {
    mCurrentControlIndex = i;
    if (i >= 0) {
        SetUserData(QString::number(i));
    }
    LayoutSelection();
}

bool UIEqualizer::Send(const char* type, int arg) {
    QPointer<QWidget> alive(this);
    SendNotify(type, arg);
    return !alive.isNull();
}

bool UIEqualizer::DragPointTo(QPoint pos, bool always) {
    const auto i = static_cast<size_t>(mCurrentControlIndex);
    EqPoint& p = mPoints[i];
    if (mDragAllDirection) {
        mPixels[i].setX(pos.x());
    }
    mPixels[i].setY(pos.y());
    bool changed = false;
    const float gain = eqgraph::GainOfY(mPlot, pos.y());
    if (always || std::fabs(gain - p.gain) > 0.001f) {
        changed = changed || std::fabs(gain - p.gain) > 0.001f;
        p.gain = gain;
    }
    if (mDragAllDirection) {
        const int freq = eqgraph::FreqOfX(mPlot, pos.x());
        if (freq != p.freq) {
            p.freq = freq;
            changed = true;
        }
    }
    UpdateFlat();
    LayoutSelection();
    return changed;
}

void UIEqualizer::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    mCapture = Capture::None;  // a release lost elsewhere must not leave a drag behind
    if (InQHandle(pos)) {
        setCursor(Qt::SizeHorCursor);
        mCapture = Capture::Factor;
    } else if (const int i = PointAt(pos); i >= 0) {
        setCursor(mDragAllDirection ? Qt::SizeAllCursor : Qt::SizeVerCursor);
        Select(i);
        mCapture = Capture::Index;
    } else if (mHpFreq >= 0 && mHpRect.contains(pos)) {
        setCursor(Qt::SizeHorCursor);
        Select(-1);
        mCapture = Capture::Hp;
    } else if (mLpFreq >= 0 && mLpRect.contains(pos)) {
        setCursor(Qt::SizeHorCursor);
        Select(-1);
        mCapture = Capture::Lp;
    }
    update();
    event->accept();
}

void UIEqualizer::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint pos = eqgraph::ClampToPlot(mPlot, event->position().toPoint());
    const int s = ScalePercent();
    // A new point list from the model may have taken the dragged point away.
    if ((mCapture == Capture::Index || mCapture == Capture::Factor) &&
        !ValidPoint(mCurrentControlIndex)) {
        mCapture = Capture::None;
    }
    switch (mCapture) {
        case Capture::None: {
            const int i = PointAt(pos);
            if (i >= 0) {
                setCursor(Qt::PointingHandCursor);
                if (i != mCurrentControlIndex) {
                    Select(i);
                    update();
                    Send(kEq, i);
                }
            } else if (InQHandle(pos) || (mHpFreq >= 0 && mHpRect.contains(pos)) ||
                       (mLpFreq >= 0 && mLpRect.contains(pos))) {
                setCursor(Qt::SizeHorCursor);
            } else {
                setCursor(Qt::ArrowCursor);
            }
            break;
        }
        case Capture::Index: {
            const int i = mCurrentControlIndex;
            const bool changed = DragPointTo(pos, false);
            update();
            if (changed) {
                Send(kEq, i);
            }
            break;
        }
        case Capture::Factor: {
            const int i = mCurrentControlIndex;
            const auto index = static_cast<size_t>(i);
            const float q = eqgraph::QOfDistance(pos.x() - mPixels[index].x(), s);
            if (std::fabs(q - mPoints[index].q) >= 0.01f) {
                mPoints[index].q = q;
                LayoutSelection();
                update();
                Send(kEq, i);
            }
            break;
        }
        case Capture::Hp: {
            const int f = eqgraph::FreqOfX(mPlot, pos.x());
            // A hidden low-pass handle sets no limit.
            const int limit = mLpFreq >= 0 ? mLpFreq : eqgraph::kMaxFreq + 1;
            if (f < limit && f != mHpFreq) {
                mHpFreq = f;
                LayoutHandles();
                update();
                Send(kHp, kHandleArg);
            }
            break;
        }
        case Capture::Lp: {
            const int f = eqgraph::FreqOfX(mPlot, pos.x());
            if (f > mHpFreq && f != mLpFreq) {
                mLpFreq = f;
                LayoutHandles();
                update();
                Send(kLp, kHandleArg);
            }
            break;
        }
    }
}

void UIEqualizer::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    const QPoint pos = eqgraph::ClampToPlot(mPlot, event->position().toPoint());
    const Capture capture = std::exchange(mCapture, Capture::None);
    const int i = mCurrentControlIndex;
    switch (capture) {
        case Capture::None:
            break;
        case Capture::Index:
            if (ValidPoint(i)) {
                DragPointTo(pos, true);
                setCursor(Qt::PointingHandCursor);
                update();
                Send(kEqRelease, i);
            }
            break;
        case Capture::Factor:
            if (ValidPoint(i)) {
                const auto index = static_cast<size_t>(i);
                mPoints[index].q =
                    eqgraph::QOfDistance(pos.x() - mPixels[index].x(), ScalePercent());
                LayoutSelection();
                setCursor(Qt::ArrowCursor);
                update();
                Send(kEqRelease, i);
            }
            break;
        case Capture::Hp: {
            const int f = eqgraph::FreqOfX(mPlot, pos.x());
            const int limit = mLpFreq >= 0 ? mLpFreq : eqgraph::kMaxFreq + 1;
            if (f < limit) {
                mHpFreq = f;
                LayoutHandles();
            }
            setCursor(Qt::ArrowCursor);
            update();
            Send(kHpRelease, kHandleArg);
            break;
        }
        case Capture::Lp: {
            const int f = eqgraph::FreqOfX(mPlot, pos.x());
            if (f > mHpFreq) {
                mLpFreq = f;
                LayoutHandles();
            }
            setCursor(Qt::ArrowCursor);
            update();
            Send(kLpRelease, kHandleArg);
            break;
        }
    }
}
