#include "controls/ui_equalizer.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>

#include <algorithm>
#include <cmath>

#include "ui/resources.h"
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

// Axis labels and the readout, at 100 %: font pixel size, padding around a label, room above
// the plot, and the least size of a point's number.
constexpr int kAxisFontPx = 10;
constexpr int kAxisPad = 3;
constexpr int kTopRoom = 4;
constexpr int kNumberSize = 16;
constexpr int kReadoutPad = 4;

// The sum never draws far off the plot, whatever cancels or piles up.
constexpr double kSumFloorDb = -120.0;
constexpr double kSumCeilingDb = 60.0;

constexpr QChar kMinus(0x2212);

// A unit from the language, or its symbol where no language is loaded.
QString Text(const char* key, const char* fallback) {
    return ui::Resources::Instance()
        .FindText(QLatin1String(key))
        .value_or(QString::fromUtf8(fallback));
}

QString FreqLabelText(int freq) {
    return freq >= 1000 ? QString::number(freq / 1000) + Text("unit_kilo_sym", "k")
                        : QString::number(freq);
}

QString DbLabelText(int db) {
    if (db > 0) {
        return QLatin1Char('+') + QString::number(db);
    }
    return db < 0 ? kMinus + QString::number(-db) : QStringLiteral("0");
}

QString FreqReadout(double freq) {
    if (freq < 999.5) {
        return QString::number(std::lround(freq)) + QLatin1Char(' ') + Text("unit_hz", "Hz");
    }
    const int decimals = freq < 9995.0 ? 2 : 1;
    return QString::number(freq / 1000.0, 'f', decimals) + QLatin1Char(' ') +
           Text("unit_khz", "kHz");
}

QString LevelReadout(double db) {
    const double tenths = std::round(db * 10.0) / 10.0;
    QString number = QString::number(std::fabs(tenths), 'f', 1);
    if (tenths > 0.0) {
        number.prepend(QLatin1Char('+'));
    } else if (tenths < 0.0) {
        number.prepend(kMinus);
    }
    return number + QLatin1Char(' ') + Text("unit_db", "dB");
}

// Two spaces: the readout's two numbers stay apart at a glance.
QString ReadoutOf(double freq, std::optional<double> db) {
    return db ? FreqReadout(freq) + QStringLiteral("  ") + LevelReadout(*db) : FreqReadout(freq);
}

bool SameGrid(UIEqualizer::CurveView a, UIEqualizer::CurveView b) {
    if (a.freqs.size() != b.freqs.size()) {
        return false;
    }
    for (size_t k = 0; k < a.freqs.size(); ++k) {
        if (std::fabs(a.freqs[k] - b.freqs[k]) > 1e-9 * std::fabs(a.freqs[k])) {
            return false;
        }
    }
    return true;
}

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
    Repaint();
}

EqPoint UIEqualizer::Point(int i) const {
    return ValidPoint(i) ? mPoints[static_cast<size_t>(i)] : EqPoint{};
}

void UIEqualizer::SetCrossover(int hpFreq, int lpFreq) {
    const auto inside = [](int f) { return f >= eqgraph::kMinFreq && f <= eqgraph::kMaxFreq; };
    mHpFreq = inside(hpFreq) ? hpFreq : -1;
    mLpFreq = inside(lpFreq) ? lpFreq : -1;
    LayoutHandles();
    Repaint();
}

UIEqualizer::CurveView UIEqualizer::Curve::View() const {
    const auto n = static_cast<size_t>(count);
    return {std::span<const double>(freqs.data(), n), std::span<const double>(db.data(), n)};
}

void UIEqualizer::SetCurves(std::span<const CurveView> curves, int current,
                            std::span<const int> visible) {
    if (curves.empty()) {
        return;
    }
    const int count = static_cast<int>(std::min<size_t>(curves.size(), kMaxCurves));
    for (int i = 0; i < kMaxCurves; ++i) {
        Curve& to = mCurves[static_cast<size_t>(i)];
        to.count = 0;
        if (i >= count) {
            continue;
        }
        const CurveView& from = curves[static_cast<size_t>(i)];
        const size_t n = std::min({from.freqs.size(), from.db.size(), size_t{kCurvePoints}});
        std::copy_n(from.freqs.begin(), n, to.freqs.begin());
        std::copy_n(from.db.begin(), n, to.db.begin());
        to.count = static_cast<int>(n);
    }
    mCurveCount = count;
    mCurveVisible.fill(0);
    for (size_t i = 0; i < std::min<size_t>(visible.size(), kMaxCurves); ++i) {
        mCurveVisible[i] = visible[i] != 0 ? 1 : 0;
    }
    mCurrentCurve = current >= 0 && current < count ? current : -1;
    UpdateSum();
    Repaint();
}

void UIEqualizer::SetShowSum(bool show) {
    if (show == mShowSum) {
        return;
    }
    mShowSum = show;
    UpdateSum();
    Repaint();
}

UIEqualizer::CurveView UIEqualizer::SumCurve() const {
    return mShowSum ? mSum.View() : CurveView{};
}

void UIEqualizer::UpdateSum() {
    mSum.count = 0;
    if (!mShowSum) {
        return;
    }
    // The grid of the current output, else of the first shown one.
    int reference = mCurrentCurve;
    for (int i = 0; reference < 0 && i < mCurveCount; ++i) {
        if (mCurveVisible[static_cast<size_t>(i)] != 0) {
            reference = i;
        }
    }
    if (reference < 0) {
        return;
    }
    const CurveView grid = mCurves[static_cast<size_t>(reference)].View();
    std::array<double, kCurvePoints> amplitude{};
    int parts = 0;
    for (int i = 0; i < mCurveCount; ++i) {
        const auto index = static_cast<size_t>(i);
        const CurveView curve = mCurves[index].View();
        if ((i != mCurrentCurve && mCurveVisible[index] == 0) || !SameGrid(curve, grid)) {
            continue;
        }
        ++parts;
        // Only magnitudes are known, so this is the in-phase (coherent) sum: amplitudes add,
        // 20 log10(sum of 10^(dB/20)). Real outputs with phase differences sum to no more.
        for (size_t k = 0; k < curve.db.size(); ++k) {
            if (std::isfinite(curve.db[k])) {
                amplitude[k] += std::pow(10.0, curve.db[k] / 20.0);
            }
        }
    }
    // One curve alone would only be drawn over itself.
    if (parts < 2) {
        return;
    }
    for (size_t k = 0; k < grid.freqs.size(); ++k) {
        mSum.freqs[k] = grid.freqs[k];
        const double db = amplitude[k] > 0.0 ? 20.0 * std::log10(amplitude[k]) : kSumFloorDb;
        mSum.db[k] = std::clamp(db, kSumFloorDb, kSumCeilingDb);
    }
    mSum.count = static_cast<int>(grid.freqs.size());
}

std::optional<double> UIEqualizer::LevelAt(CurveView curve, double freq) {
    const size_t n = std::min(curve.freqs.size(), curve.db.size());
    if (n == 0 || !(freq > 0.0)) {
        return std::nullopt;
    }
    const auto begin = curve.freqs.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(n);
    if (!(freq >= curve.freqs[0] && freq <= curve.freqs[n - 1])) {
        return std::nullopt;
    }
    if (n == 1) {
        return std::isfinite(curve.db[0]) ? std::optional<double>(curve.db[0]) : std::nullopt;
    }
    // The first grid point past freq, kept inside so the grid's end has a segment too.
    const auto past = static_cast<size_t>(std::upper_bound(begin, end, freq) - begin);
    const size_t hi = std::clamp<size_t>(past, 1, n - 1);
    const size_t lo = hi - 1;
    const double f0 = curve.freqs[lo];
    const double f1 = curve.freqs[hi];
    const double d0 = curve.db[lo];
    const double d1 = curve.db[hi];
    if (!std::isfinite(d0) || !std::isfinite(d1)) {
        return std::nullopt;
    }
    if (!(f0 > 0.0) || !(f1 > f0)) {
        return d0;
    }
    const double t = std::log(freq / f0) / std::log(f1 / f0);
    return d0 + (d1 - d0) * t;
}

void UIEqualizer::SetTrace(Trace which, CurveView curve) {
    const auto index = static_cast<size_t>(which);
    if (index >= kTraceCount) {
        return;
    }
    Curve& to = mTraces[index];
    const size_t count = std::min({curve.freqs.size(), curve.db.size(), size_t{kCurvePoints}});
    std::copy_n(curve.freqs.begin(), count, to.freqs.begin());
    std::copy_n(curve.db.begin(), count, to.db.begin());
    to.count = static_cast<int>(count);
    mTraceShown[index] = count > 0 ? 1 : 0;
    Repaint();
}

void UIEqualizer::SetDragAllDirection(bool all) {
    mDragAllDirection = all;
    LayoutSelection();
    Repaint();
}

void UIEqualizer::SetCurveColors(std::span<const QRgb> colors) {
    mColorCount = static_cast<int>(std::min<size_t>(colors.size(), kMaxColors));
    std::copy_n(colors.begin(), mColorCount, mColors.begin());
    Repaint();
}

void UIEqualizer::SetLogo(const QString& skinPath) {
    mLogo = skinPath;
    Repaint();
}

void UIEqualizer::SetBackground(const QColor& color) {
    mBackground = color;
    mFramePainted = false;
    Repaint();
}

void UIEqualizer::Repaint() {
    mLayerPainted = false;
    update();
}

QPoint UIEqualizer::PointPixel(int i) const {
    return ValidPoint(i) ? mPixels[static_cast<size_t>(i)] : QPoint();
}

QRect UIEqualizer::MarkerRect(int i) const {
    return ValidPoint(i) ? mMarkers[static_cast<size_t>(i)] : QRect();
}

QRect UIEqualizer::NumberRect(int i) const {
    return ValidPoint(i) ? mNumbers[static_cast<size_t>(i)] : QRect();
}

std::optional<double> UIEqualizer::ReadoutLevel() const {
    if (!mReadout.shown || mCurrentCurve < 0 || mCurrentCurve >= mCurveCount) {
        return std::nullopt;
    }
    return LevelAt(mCurves[static_cast<size_t>(mCurrentCurve)].View(), mReadout.freq);
}

QString UIEqualizer::ReadoutText() const {
    return mReadout.shown ? ReadoutOf(mReadout.freq, ReadoutLevel()) : QString();
}

QFont UIEqualizer::AxisFont(int s) const {
    QFont f = font();
    f.setPixelSize(std::max(1, eqgraph::Scaled(kAxisFontPx, s)));
    return f;
}

QColor UIEqualizer::TextColor() const {
    if (!isEnabled()) {
        return mDisabledTextColor.isValid() ? mDisabledTextColor
                                            : palette().color(QPalette::Disabled, QPalette::Text);
    }
    return mTextColor.isValid() ? mTextColor : palette().color(QPalette::WindowText);
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

void UIEqualizer::InvalidateFrame() {
    mFrameValid = false;
    mFramePainted = false;
}

void UIEqualizer::LayoutFrame() {
    const int s = ScalePercent();
    QFont base = font();
    base.setPixelSize(kAxisFontPx);
    const QFontMetrics fm100(base);
    const QFontMetrics fm(AxisFont(s));
    const auto widestDb = [](const QFontMetrics& m) {
        int w = 0;
        for (int db : eqgraph::kAxisDbs) {
            w = std::max(w, m.horizontalAdvance(DbLabelText(db)));
        }
        return w;
    };
    const QString last = FreqLabelText(eqgraph::kAxisFreqs.back());
    // Room measured at 100 % and scaled, so the plot scales exactly with the UI; the font at
    // this scale only widens it where its text needs more.
    const int pad = eqgraph::Scaled(kAxisPad, s);
    eqgraph::Margins m;
    m.left = std::max(eqgraph::Scaled(widestDb(fm100) + 2 * kAxisPad, s), widestDb(fm) + 2 * pad);
    m.top = eqgraph::Scaled(kTopRoom, s);
    m.right = std::max(eqgraph::Scaled((fm100.horizontalAdvance(last) + 1) / 2 + kAxisPad, s),
                       (fm.horizontalAdvance(last) + 1) / 2 + pad);
    m.bottom = std::max(eqgraph::Scaled(fm100.height() + kAxisPad, s), fm.height() + pad);
    mPlot = eqgraph::PlotWithin(rect(), m);

    const int gap = std::max(1, eqgraph::Scaled(1, s));
    std::vector<QRect> rects;
    mFreqLabels.clear();
    for (int f : eqgraph::kAxisFreqs) {
        const QString text = FreqLabelText(f);
        const QSize size(fm.horizontalAdvance(text), fm.height());
        mFreqLabels.push_back({f, text, eqgraph::FreqLabelRect(mPlot, f, size, gap)});
        rects.push_back(mFreqLabels.back().rect);
    }
    std::vector<bool> keep = eqgraph::KeepApart(rects, rect(), eqgraph::Scaled(4, s), false);
    for (size_t i = 0; i < keep.size(); ++i) {
        if (!keep[i]) {
            mFreqLabels[i].rect = QRect();
        }
    }
    rects.clear();
    mDbLabels.clear();
    const QSize dbSize(widestDb(fm), fm.height());
    for (int db : eqgraph::kAxisDbs) {
        mDbLabels.push_back({db, DbLabelText(db), eqgraph::DbLabelRect(mPlot, db, dbSize, pad)});
        rects.push_back(mDbLabels.back().rect);
    }
    keep = eqgraph::KeepApart(rects, rect(), 0, true);
    for (size_t i = 0; i < keep.size(); ++i) {
        if (!keep[i]) {
            mDbLabels[i].rect = QRect();
        }
    }

    const QFontMetrics marks(font());
    mNumberSize = QSize(std::max(eqgraph::Scaled(kNumberSize, s),
                                 marks.horizontalAdvance(QStringLiteral("88")) + 2),
                        std::max(eqgraph::Scaled(kNumberSize, s), marks.height()));
    // The widest readout, so the box keeps its size as the numbers change.
    const QString widest = ReadoutOf(19999.0, -88.8);
    mReadoutSize = QSize(fm.horizontalAdvance(widest) + 2 * eqgraph::Scaled(kReadoutPad, s),
                         fm.height() + eqgraph::Scaled(kReadoutPad, s));
    mFrameValid = true;
    mFramePainted = false;
}

void UIEqualizer::FullLayout() {
    if (!mFrameValid) {
        LayoutFrame();
    }
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
    LayoutNumbers();
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

void UIEqualizer::LayoutNumbers() {
    std::vector<QRect> own(static_cast<size_t>(mPointCount));
    for (size_t i = 0; i < own.size(); ++i) {
        own[i] = eqgraph::CentredInPlot(mPlot, mPixels[i].x(), mPixels[i].y(), mNumberSize);
    }
    const QRect area(mPlot.left, mPlot.top, mPlot.Width(), mPlot.Height());
    const std::vector<QRect> placed = eqgraph::SpreadApart(own, area);
    std::copy(placed.begin(), placed.end(), mNumbers.begin());
}

void UIEqualizer::OnScale(int dpi) {
    (void)dpi;  // read from the owner window, which already has it
    InvalidateFrame();
    SetReadout(std::nullopt);
    FullLayout();
    Repaint();
}

void UIEqualizer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    InvalidateFrame();
    SetReadout(std::nullopt);
    FullLayout();
}

void UIEqualizer::changeEvent(QEvent* event) {
    HandleChange(event);
    switch (event->type()) {
        case QEvent::LanguageChange:
        case QEvent::FontChange:
            InvalidateFrame();
            FullLayout();
            Repaint();
            break;
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
            mFramePainted = false;
            Repaint();
            break;
        case QEvent::EnabledChange:
            mFramePainted = false;
            if (!isEnabled()) {
                mCapture = Capture::None;  // no release will come
                SetReadout(std::nullopt);
            }
            Repaint();
            break;
        default:
            break;
    }
    QWidget::changeEvent(event);
}

void UIEqualizer::leaveEvent(QEvent* event) {
    SetReadout(std::nullopt);
    QWidget::leaveEvent(event);
}

void UIEqualizer::SetReadout(std::optional<QPoint> pos) {
    if (!pos && !mReadout.shown) {
        return;
    }
    const int s = ScalePercent();
    // The box and the column where the level is marked.
    const auto area = [&](const Readout& r) {
        if (!r.shown) {
            return QRegion();
        }
        const int half = eqgraph::Scaled(4, s) + 1;
        return QRegion(r.rect) + QRegion(r.pos.x() - half, mPlot.top - half, 2 * half + 1,
                                         mPlot.Height() + 2 * half + 1);
    };
    QRegion dirty = area(mReadout);
    mReadout = Readout{};
    if (pos) {
        mReadout.shown = true;
        mReadout.pos = *pos;
        mReadout.freq = eqgraph::ExactFreqOfX(mPlot, pos->x());
        mReadout.rect = eqgraph::ReadoutRect(mPlot, *pos, mReadoutSize, s);
        dirty += area(mReadout);
    }
    update(dirty);
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
    const bool wasFlat = mAllFlat;
    UpdateFlat();
    if (mAllFlat != wasFlat) {
        mLayerPainted = false;  // the flat-curve text comes or goes
    }
    LayoutSelection();
    LayoutNumbers();
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
    if (mCapture != Capture::None) {
        SetReadout(std::nullopt);
    }
    update();
    event->accept();
}

void UIEqualizer::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint raw = event->position().toPoint();
    const QPoint pos = eqgraph::ClampToPlot(mPlot, raw);
    const int s = ScalePercent();
    // Over the plot's free area only: on a point or a handle the value label says more.
    const QRect plot(mPlot.left, mPlot.top, mPlot.Width(), mPlot.Height());
    const bool free = mCapture == Capture::None && plot.contains(raw) && PointAt(raw) < 0 &&
                      !InQHandle(raw) && !(mHpFreq >= 0 && mHpRect.contains(raw)) &&
                      !(mLpFreq >= 0 && mLpRect.contains(raw));
    SetReadout(free ? std::optional<QPoint>(raw) : std::nullopt);
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
