#pragma once
// The auto-calibration window's response display: a fixed grid with two sets of per-channel
// curves handed over by that window, the correction EQ curves (512 points, dashed) and the
// measured spectra (121 points, solid), plus the response predicted after the correction on
// the spectra's frequencies. Read-only: no mouse editing, no notifications. The data stays as
// handed over; a resize draws it again on the new rectangle.

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "ui/controls/control.h"
#include "ui/layout.h"

class QPainter;

class UIEqualizerAc : public QWidget, public ui::Control {
  public:
    static constexpr int kSlots = 16;
    static constexpr int kEqPoints = 512;
    static constexpr int kSpectrumPoints = 121;

    struct CurveView {
        std::span<const double> freqs;
        std::span<const double> db;
    };

    explicit UIEqualizerAc(QWidget* parent = nullptr);

    // For the calibration window's "CurveAc" tag: reads the label-style text attributes and
    // bkcolor. nullptr with *error (file, line, problem) when one does not parse.
    static UIEqualizerAc* FromLayout(const ui::LayoutNode& node, QString* error);

    // Each replaces its whole set: an empty list changes nothing; otherwise every slot is
    // cleared, up to kSlots curves (up to the set's point count each) and their visible flags
    // copied; redraw.
    void SetEqCurves(std::span<const CurveView> curves, std::span<const int> visible);
    void SetSpectrumCurves(std::span<const CurveView> curves, std::span<const int> visible);
    // The response predicted after the correction, on the spectrum's frequencies (121 points).
    void SetPredictedCurves(std::span<const CurveView> curves, std::span<const int> visible);

    int EqCurveCount() const { return mEq.count; }
    int SpectrumCurveCount() const { return mSpectra.count; }
    int PredictedCurveCount() const { return mPredicted.count; }

    // The plot mapping in widget coordinates: 20 Hz..20 kHz logarithmic across the width,
    // +20 dB at the top, -20 dB at the bottom edge (one past the last row).
    double XOfFrequency(double hz) const;
    double YOfGain(double dB) const;

    void OnScale(int dpi) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    template <int N>
    struct CurveSet {
        struct Curve {
            std::array<double, N> freqs{};
            std::array<double, N> db{};
            int size = 0;  // points actually handed over; the rest are never read
        };
        std::array<Curve, kSlots> curves{};
        std::array<uint8_t, kSlots> visible{};
        int count = 0;

        void Assign(std::span<const CurveView> from, std::span<const int> flags);
    };

    int ScalePercent() const;
    // The kept points of a curve from its last index down, as whole pixels.
    template <int N>
    std::vector<QPointF> Pixels(const typename CurveSet<N>::Curve& curve) const;
    void PaintGrid(QPainter& painter, int s) const;
    void PaintLabels(QPainter& painter, int s) const;
    QColor LabelColor() const;

    CurveSet<kEqPoints> mEq;
    CurveSet<kSpectrumPoints> mSpectra;
    CurveSet<kSpectrumPoints> mPredicted;

    QColor mBackground;
    // Label-style text attributes; the toolkit has no numbered fonts, so the labels use the
    // control's font at a small size.
    QColor mTextColor;
    QColor mDisabledTextColor;
    QRect mTextPadding;  // left, top, right, bottom as the layout gives them
};
