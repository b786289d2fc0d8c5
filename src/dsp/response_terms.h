#pragma once
// Evaluation machinery shared by the curve functions; not meant for use outside src/dsp.
//
// Each section's polynomials are re-expanded around z^-1 = 1 and evaluated in the small step
// w = z^-1 - 1 = e^(-j omega) - 1, computed from half-angle sines. A high-pass section has
// its double zero exactly at DC: in this form the zero cancels exactly, where Horner in plain
// z^-1 loses up to eight digits a few hertz above DC (about 1e-7 dB on a 20 Hz high-pass).
// The low-pass zeros at Nyquist need no such care: the 22 kHz limit on the corner keeps every
// grid point near Nyquist deep in the floor.

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "dsp/biquad.h"

namespace dsp::detail {

inline constexpr std::size_t kMaxShiftTerms = 9;  // order 8

// p holds polynomial coefficients, lowest power first (at most kMaxShiftTerms); on return
// the coefficients of p(1 + w) in powers of w, each rounded once only.
void ShiftToDc(std::span<double> p);

// Angle in radians of a grid frequency: pi at the Nyquist element grid[n - 2].
double GridAngle(double f, double nyquist);

struct Step {
    double re;
    double im;
};
// e^(-j omega) - 1 to full relative precision, however small omega is.
Step StepFromDc(double omega);

// A biquad's numerator and denominator (a0 = 1) in powers of w.
struct ShiftedBiquad {
    std::array<double, 3> num;
    std::array<double, 3> den;
};
ShiftedBiquad ShiftBiquad(const Biquad& s);

// The per-point terms w and w^2 that every section evaluated on one grid shares.
class GridTerms {
  public:
    // grid.size() must be at least 2.
    explicit GridTerms(std::span<const double> grid);

    std::size_t size() const { return mWr.size(); }

  private:
    friend class PowerSum;
    std::vector<double> mWr, mWi, mW2r, mW2i;
};

// Sum of several sections' floored dB curves. Kept as a running product plus a dB part, so a
// channel of 30-odd sections needs one logarithm per point rather than one per section.
class PowerSum {
  public:
    explicit PowerSum(std::size_t n) : mPower(n, 1.0), mDb(n, 0.0) {}

    // Adds the section's own dB curve, floored and capped on its own.
    void AddSection(const GridTerms& terms, const ShiftedBiquad& s);
    void WriteDb(std::span<double> db) const;

  private:
    std::vector<double> mPower;
    std::vector<double> mDb;
    int mSinceFold = 0;
};

}  // namespace dsp::detail
