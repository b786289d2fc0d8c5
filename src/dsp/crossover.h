#pragma once
// High-pass and low-pass sides of a crossover, as the amplifier builds them from a type code
// (0 single section with damping 1, 1 Butterworth, 2 Linkwitz-Riley, 3 Bessel) and a slope
// code (the order, 6 dB per octave per step).

#include <array>
#include <span>

#include "dsp/biquad.h"

namespace dsp {

inline constexpr double kNoSection = -1.0;
inline constexpr double kFirstOrderSection = 0.0;
inline constexpr double kSecondOrderSection = 1.0;

// Up to four sections (order 8). q is a section's pole coefficient (a2 of a second-order
// section, a1 of a first-order one), c the cosine of its design angle, kind one of the
// three constants above.
struct CrossoverSections {
    std::array<double, 4> q{};
    std::array<double, 4> c{};
    std::array<double, 4> kind{kNoSection, kNoSection, kNoSection, kNoSection};
};

// The order a side is designed with: 2 for type 0, the slope code raised to even for
// Linkwitz-Riley, else the slope code; then clamped to 1..8. Type codes other than 0..3 are
// designed as Butterworth.
int CrossoverOrder(int slope, int type);

// Sections of one side at 48000 Hz; lp == 1 designs the low-pass, any other value the
// high-pass. fc is limited to 0.0025..22000 Hz.
CrossoverSections DesignCrossoverSections(int lp, double fc, int slope, int type);

// Coefficients of section k (0..3); a slot without a section gives the flat section.
Biquad CrossoverSectionBiquad(const CrossoverSections& sections, int k, int lp);

// dB curve of one side: the sum of its sections' own dB curves, each floored on its own.
// side == 1 is the low-pass, any other value the high-pass; fs is ignored, the design is
// always at 48000 Hz. Returns false when db.size() differs from grid.size() or the grid has
// fewer than 2 points.
bool CrossoverCurve(int side, double fs, double fc, int slope, int type,
                    std::span<const double> grid, std::span<double> db);

}  // namespace dsp
