#include "controls/ui_equalizer_ac.h"

#include <QEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "ui/scaling.h"
#include "ui/window.h"

namespace {

constexpr double kLowFreq = 20.0;
constexpr double kHighFreq = 20000.0;
constexpr double kRangeDb = 20.0;

void Fail(const ui::LayoutNode& node, QString* error, const QString& what) {
    if (error) {
        *error = node.Where() + what;
    }
}

// "left,top,right,bottom", as the label control takes it.
bool ReadPadding(const ui::LayoutNode& node, QRect* out, QString* error) {
    const QString key = QStringLiteral("textpadding");
    if (!node.Has(key)) {
        return true;
    }
    const QStringList parts = node.Attr(key).split(QLatin1Char(','));
    std::array<int, 4> pad{};
    bool ok = parts.size() == 4;
    for (int i = 0; ok && i < 4; ++i) {
        pad[static_cast<size_t>(i)] = parts[i].trimmed().toInt(&ok);
        ok = ok && pad[static_cast<size_t>(i)] >= 0 && pad[static_cast<size_t>(i)] <= 1000;
    }
    if (!ok) {
        Fail(node, error,
             QStringLiteral("textpadding=\"%1\": expected left,top,right,bottom")
                 .arg(node.Attr(key)));
        return false;
    }
    *out = QRect(QPoint(pad[0], pad[1]), QPoint(pad[2], pad[3]));
    return true;
}

}  // namespace

UIEqualizerAc::UIEqualizerAc(QWidget* parent) : QWidget(parent), ui::Control(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

UIEqualizerAc* UIEqualizerAc::FromLayout(const ui::LayoutNode& node, QString* error) {
    auto view = std::make_unique<UIEqualizerAc>();
    // Accepted as a label accepts them; the labels here have fixed places, so only the colours
    // and the padding change what is drawn.
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    bool flag = false;
    int font = -1;
    if (!node.ReadAlignment(&align, error) ||
        !node.ReadBool(QStringLiteral("endellipsis"), &flag, error) ||
        !node.ReadBool(QStringLiteral("wordbreak"), &flag, error) ||
        !node.ReadBool(QStringLiteral("noprefix"), &flag, error) ||
        !node.ReadBool(QStringLiteral("autocalcwidth"), &flag, error) ||
        !node.ReadInt(QStringLiteral("font"), &font, error) ||
        !node.ReadColor(QStringLiteral("textcolor"), &view->mTextColor, error) ||
        !node.ReadColor(QStringLiteral("disabledtextcolor"), &view->mDisabledTextColor, error) ||
        !node.ReadColor(QStringLiteral("bkcolor"), &view->mBackground, error) ||
        !ReadPadding(node, &view->mTextPadding, error)) {
        return nullptr;
    }
    return view.release();
}

template <int N>
void UIEqualizerAc::CurveSet<N>::Assign(std::span<const CurveView> from,
                                        std::span<const int> flags) {
    if (from.empty()) {
        return;
    }
    curves.fill(Curve{});
    visible.fill(0);
    count = static_cast<int>(std::min<size_t>(from.size(), kSlots));
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        const CurveView& view = from[i];
        Curve& to = curves[i];
        const size_t n = std::min({view.freqs.size(), view.db.size(), static_cast<size_t>(N)});
        std::copy_n(view.freqs.begin(), n, to.freqs.begin());
        std::copy_n(view.db.begin(), n, to.db.begin());
        to.size = static_cast<int>(n);
    }
    for (size_t i = 0; i < std::min<size_t>(flags.size(), kSlots); ++i) {
        visible[i] = flags[i] != 0 ? 1 : 0;
    }
}

void UIEqualizerAc::SetEqCurves(std::span<const CurveView> curves, std::span<const int> visible) {
    if (!curves.empty()) {
        mEq.Assign(curves, visible);
        update();
    }
}

void UIEqualizerAc::SetSpectrumCurves(std::span<const CurveView> curves,
                                      std::span<const int> visible) {
    if (!curves.empty()) {
        mSpectra.Assign(curves, visible);
        update();
    }
}

void UIEqualizerAc::SetPredictedCurves(std::span<const CurveView> curves,
                                       std::span<const int> visible) {
    if (!curves.empty()) {
        mPredicted.Assign(curves, visible);
        update();
    }
}

double UIEqualizerAc::XOfFrequency(double hz) const {
    const double lo = std::log10(kLowFreq);
    return width() * (std::log10(hz) - lo) / (std::log10(kHighFreq) - lo);
}

double UIEqualizerAc::YOfGain(double dB) const {
    const int y0 = height() * 20 / 40;
    if (dB > 0.0) {
        return y0 - y0 * dB / kRangeDb;
    }
    if (dB < 0.0) {
        return y0 + (height() - y0) * -dB / kRangeDb;
    }
    return y0;
}

int UIEqualizerAc::ScalePercent() const {
    const ui::Window* window = OwnerWindow();
    const int dpi = window ? window->Dpi() : ui::kLayoutDpi;
    return dpi > 0 ? dpi * 100 / ui::kLayoutDpi : 100;
}

void UIEqualizerAc::OnScale(int dpi) {
    (void)dpi;  // read from the owner window when painting
    update();
}

void UIEqualizerAc::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

void UIEqualizerAc::changeEvent(QEvent* event) {
    HandleChange(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) {
        update();  // the label colour or size follows
    }
    QWidget::changeEvent(event);
}
