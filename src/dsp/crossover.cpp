#include "dsp/crossover.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/response_terms.h"

namespace dsp {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDesignRate = 48000.0;
constexpr double kMinAngle = 2 * kPi * 5.208333333333333e-8;  // 0.0025 Hz
constexpr double kMaxAngle = 2 * kPi * 0.4583333333333333;    // 22000 Hz

// Linkwitz-Riley damping by N / 2: the Butterworth pairs of order N / 2, each twice (and for
// N = 2 and 6 the squared first-order section as one section of damping 2).
constexpr double kLinkwitzRiley[5][4] = {
    {},
    {2.0},
    {1.4142135624, 1.4142135624},
    {2.0, 1.0, 1.0},
    {1.847759065, 0.7653668647, 1.847759065, 0.7653668647},
};

// Bessel pole pairs by order: damping, frequency factor, and the normalisation of the whole
// filter; the real pole of an odd order by the slot it falls in.
constexpr double kBesselDamping[9][4] = {
    {},
    {1.0},
    {1.7320508076},
    {1.4470803599},
    {1.9159489237, 1.2414059301},
    {1.7745107195, 1.0911344114},
    {1.9595631418, 1.6361402521, 0.9772172032},
    {1.8784433114, 1.5132682086, 0.8878963849},
    {1.9763194659, 1.7869614419, 1.4067624418, 0.8158806765},
};
constexpr double kBesselFrequency[9][4] = {
    {},
    {1.0},
    {1.7320508076},
    {2.5415414011},
    {3.0232649388, 3.3893657927},
    {3.7778936609, 4.2610228013},
    {4.3360270513, 4.5664891522, 5.1491771521},
    {5.0662061498, 5.3792700335, 6.0495276805},
    {5.6548408694, 5.8253532155, 6.2104149036, 6.9593116508},
};
constexpr double kBesselNorm[9] = {0.0,          1.0,          0.5773502692,
                                   0.4030076571, 0.3086066999, 0.2496411504,
                                   0.2093977333, 0.1802208568, 0.1581178777};
constexpr double kBesselRealPole[4] = {1.0, 2.3221853546, 3.6467385953, 4.9717868586};

// Unknown codes would otherwise get undamped sections whose curve is infinite at fc; the
// model coerces them to Butterworth as well.
int KnownType(int type) {
    return type >= 0 && type <= 3 ? type : 1;
}

double ClampAngle(double w) {
    if (!(w >= kMinAngle)) {  // NaN too
        return kMinAngle;
    }
    return std::min(w, kMaxAngle);
}

// Scales an angle by a Bessel factor: up for the low-pass, down for the high-pass.
double Scale(double w, double factor, bool lp) {
    return lp ? w * factor : w / factor;
}

}  // namespace

int CrossoverOrder(int slope, int type) {
    int order = slope;
    switch (KnownType(type)) {
        case 0:
            order = 2;
            break;
        case 2:
            if (slope % 2 != 0) {
                order = slope + 1;
            }
            break;
        default:
            break;
    }
    return std::clamp(order, 1, 8);
}

CrossoverSections DesignCrossoverSections(int lp, double fc, int slope, int type) {
    type = KnownType(type);
    const bool lowPass = lp == 1;
    const int order = CrossoverOrder(slope, type);
    const double w = ClampAngle(2 * kPi * fc / kDesignRate);

    CrossoverSections out;
    int remaining = order;
    for (int k = 0; k < 4; ++k) {
        double omega = w;
        if (type == 3) {
            omega = Scale(omega, kBesselNorm[order], lowPass);
        }
        if (remaining == 0) {
            out.q[k] = 0.0;
            out.c[k] = std::cos(omega);
            out.kind[k] = kNoSection;
        } else if (remaining == 1) {
            if (type == 3) {
                omega = ClampAngle(Scale(omega, kBesselRealPole[k], lowPass));
            }
            const double co = std::cos(omega);
            const double si = std::sin(omega);
            // Bilinear first-order pole: (tan(omega/2) - 1) / (tan(omega/2) + 1).
            out.q[k] = (co + si - 1) / (co - si - 1);
            out.c[k] = co;
            out.kind[k] = kFirstOrderSection;
            remaining -= 1;
        } else {
            double d = 0.0;
            switch (type) {
                case 0:
                    d = 1.0;
                    break;
                case 1:
                    // Butterworth pole pairs, largest damping first.
                    d = 2 * std::sin((2 * (order / 2 - 1 - k) + 1) * kPi / (2 * order));
                    break;
                case 2:
                    d = kLinkwitzRiley[order / 2][k];
                    break;
                default:
                    d = kBesselDamping[order][k];
                    omega = ClampAngle(Scale(omega, kBesselFrequency[order][k], lowPass));
                    break;
            }
            const double si = std::sin(omega);
            out.q[k] = (2 - d * si) / (2 + d * si);
            out.c[k] = std::cos(omega);
            out.kind[k] = kSecondOrderSection;
            remaining -= 2;
        }
    }
    return out;
}

Biquad CrossoverSectionBiquad(const CrossoverSections& sections, int k, int lp) {
    if (k < 0 || k > 3) {
        return Biquad{};
    }
    const bool lowPass = lp == 1;
    const double q = sections.q[k];
    const double c = sections.c[k];
    if (sections.kind[k] == kFirstOrderSection) {
        const double h = lowPass ? (1 + q) / 2 : (1 - q) / 2;
        return Biquad{h, lowPass ? h : -h, 0.0, q, 0.0};
    }
    if (sections.kind[k] == kSecondOrderSection) {
        const double e = (1 + q) * (lowPass ? 1 - c : 1 + c) / 4;
        return Biquad{e, lowPass ? 2 * e : -2 * e, e, -(1 + q) * c, q};
    }
    return Biquad{};
}

bool CrossoverCurve(int side, double /*fs*/, double fc, int slope, int type,
                    std::span<const double> grid, std::span<double> db) {
    if (grid.size() < 2 || db.size() != grid.size()) {
        return false;
    }
    const int lp = side == 1 ? 1 : 0;
    const CrossoverSections sections = DesignCrossoverSections(lp, fc, slope, type);
    const detail::GridTerms terms(grid);
    detail::PowerSum sum(grid.size());
    for (int k = 0; k < 4; ++k) {
        if (sections.kind[k] != kNoSection) {
            sum.AddSection(terms, detail::ShiftBiquad(CrossoverSectionBiquad(sections, k, lp)));
        }
    }
    sum.WriteDb(db);
    return true;
}

}  // namespace dsp
