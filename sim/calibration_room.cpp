#include "sim/calibration_room.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/peaking.h"

namespace sim {
namespace {

constexpr int kLastPoint = kIrcSpectrumPoints - 1;

// The greedy stops once no deviation is worth a band.
constexpr double kGoodEnoughDb = 0.4;
// Dips are filled only partly: a boost spends headroom and cannot fill a cancellation.
constexpr double kDipShare = 0.75;
constexpr double kMinQ = 0.3;
constexpr double kMaxQ = 12.0;
constexpr std::array<double, 5> kQTrials = {0.5, 0.7, 1.0, 1.4, 2.0};

// SplitMix64: the same numbers on every platform, unlike the standard distributions.
class Draw {
  public:
    explicit Draw(uint64_t seed) : mState(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    double operator()(double lo, double hi) {
        mState += 0x9E3779B97F4A7C15ull;
        uint64_t z = mState;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return lo + (hi - lo) * static_cast<double>(z >> 11) / 9007199254740992.0;
    }

  private:
    uint64_t mState;
};

constexpr uint64_t kDistanceSalt = 0x5D1;

// A room mode or a cancellation: a bell over log frequency.
struct Resonance {
    double freq;
    double gainDb;
    double halfWidthOctaves;
    double At(double f) const {
        const double x = std::log2(f / freq) / halfWidthOctaves;
        return gainDb / (1.0 + x * x);
    }
};

struct Grid {
    // The measurement points, then fs / 2 and fs, as the dsp evaluators take a grid.
    std::array<double, kIrcSpectrumPoints + 2> hz{};
    // The points whose frequency lies in the flat range.
    int flatFirst = 0;
    int flatLast = kLastPoint;
    Grid() {
        for (int i = 0; i < kIrcSpectrumPoints; ++i) {
            hz[i] = MeasurementFrequency(i);
        }
        hz[kIrcSpectrumPoints] = kCorrectionSampleRate / 2;
        hz[kIrcSpectrumPoints + 1] = kCorrectionSampleRate;
        while (hz[flatFirst] < kFlatFromHz) {
            ++flatFirst;
        }
        while (hz[flatLast] > kFlatToHz) {
            --flatLast;
        }
    }
};

const Grid& TheGrid() {
    static const Grid grid;
    return grid;
}

void AddPeaking(double freq, double gainDb, double q, SpectrumCurve& sum) {
    const Grid& grid = TheGrid();
    std::array<double, kIrcSpectrumPoints + 2> db{};
    dsp::PeakingCurve(kCorrectionSampleRate, freq, gainDb, q, grid.hz, db);
    for (int i = 0; i < kIrcSpectrumPoints; ++i) {
        sum[i] += db[i];
    }
}

double FlatError(const SpectrumCurve& residual) {
    double sum = 0;
    for (int i = TheGrid().flatFirst; i <= TheGrid().flatLast; ++i) {
        sum += residual[i] * residual[i];
    }
    return sum;
}

// Q of a band as wide as the half-height span of the deviation at `at`.
double WidthQ(const SpectrumCurve& residual, int at) {
    const double half = std::abs(residual[at]) / 2;
    const bool up = residual[at] > 0;
    auto inside = [&](int i) { return (residual[i] > 0) == up && std::abs(residual[i]) >= half; };
    int lo = at;
    while (lo > 0 && inside(lo - 1)) {
        --lo;
    }
    int hi = at;
    while (hi < kLastPoint && inside(hi + 1)) {
        ++hi;
    }
    const double span = std::pow(1000.0, (hi - lo + 1.0) / kLastPoint);
    return std::clamp(std::sqrt(span) / (span - 1), kMinQ, kMaxQ);
}

IrcEqBand MakeBand(double freq, double gainDb, double q) {
    IrcEqBand band;
    band.freq = static_cast<uint16_t>(std::lround(freq));
    band.q = static_cast<uint16_t>(std::lround(std::clamp(q, kMinQ, kMaxQ) * 100));
    band.gain = BandGainPair(gainDb);
    return band;
}

void AddBand(const IrcEqBand& band, SpectrumCurve& sum) {
    AddPeaking(band.freq, BandGainDb(band), band.q / 100.0, sum);
}

}  // namespace

double MeasurementFrequency(int point) {
    return 20.0 * std::pow(1000.0, static_cast<double>(point) / kLastPoint);
}

SpectrumCurve RoomResponse(int output) {
    Draw draw(static_cast<uint64_t>(output));
    // Drawn in a fixed order, so that each output keeps its room whatever is measured.
    const double level = draw(-1.5, 1.5);
    const double lowCorner = draw(32, 45);
    const double highCorner = draw(16000, 19000);
    const Resonance mode{draw(90, 170), draw(5, 9), draw(0.15, 0.3)};
    const bool hasLowMode = draw(0, 1) < 0.6;
    const Resonance lowMode{draw(40, 70), draw(4, 6), draw(0.2, 0.35)};
    const Resonance dip{draw(200, 290), -draw(5, 8), draw(0.08, 0.18)};
    const Resonance reflection{draw(600, 2500), draw(-3, 3), draw(0.3, 0.6)};
    const double tilt = draw(1, 3);  // dB per octave above the knee
    const double ripple = draw(0.2, 0.5);
    const double rippleRate = draw(2.5, 3.5);  // cycles per octave
    const double ripplePhase = draw(0, 2 * std::numbers::pi);

    SpectrumCurve db{};
    for (int i = 0; i < kIrcSpectrumPoints; ++i) {
        const double f = MeasurementFrequency(i);
        // The speaker's own limits: second-order roll-offs at both ends.
        double v = level - 10 * std::log10(1 + std::pow(lowCorner / f, 4)) -
                   10 * std::log10(1 + std::pow(f / highCorner, 4));
        v += mode.At(f) + dip.At(f) + reflection.At(f);
        if (hasLowMode) {
            v += lowMode.At(f);
        }
        // Treble falls off the axis of the speaker and in the furnishing: a soft knee at 3 kHz.
        v -= tilt * 0.5 * std::log2(1 + (f / 3000) * (f / 3000));
        v += ripple * std::sin(2 * std::numbers::pi * rippleRate * std::log2(f / 20) + ripplePhase);
        db[i] = v;
    }
    return db;
}

uint16_t RoomDistance(int output) {
    Draw draw(static_cast<uint64_t>(output) + kDistanceSalt);
    // Farther outputs sit farther back; each a little off the row.
    return static_cast<uint16_t>(std::lround(60 + 25 * output + draw(0, 40)));
}

std::array<SpectrumPoint, kIrcSpectrumPoints> QuantizeSpectrum(const SpectrumCurve& db) {
    std::array<SpectrumPoint, kIrcSpectrumPoints> points{};
    for (int i = 0; i < kIrcSpectrumPoints; ++i) {
        points[i].freq = static_cast<uint32_t>(std::lround(MeasurementFrequency(i) * 100));
        points[i].gain =
            static_cast<int16_t>(std::lround(std::clamp(db[i], -127.99, 127.99) * 100));
    }
    return points;
}

double BandGainDb(const IrcEqBand& band) {
    return band.gain[0] + band.gain[1] / 10.0 - 18.0;
}

std::array<uint8_t, 2> BandGainPair(double db) {
    const long shifted = std::clamp(std::lround(db * 10) + 180, 0L, 2559L);
    return {static_cast<uint8_t>(shifted / 10), static_cast<uint8_t>(shifted % 10)};
}

SpectrumCurve BandsResponse(const ChannelBands& bands) {
    SpectrumCurve sum{};
    for (const IrcEqBand& band : bands) {
        if (BandGainDb(band) != 0) {
            AddBand(band, sum);
        }
    }
    return sum;
}

ChannelBands CorrectionBands(const std::array<SpectrumPoint, kIrcSpectrumPoints>& measured) {
    const int flatFirst = TheGrid().flatFirst;
    const int flatLast = TheGrid().flatLast;
    double target = 0;
    for (int i = flatFirst; i <= flatLast; ++i) {
        target += measured[i].gain / 100.0;
    }
    target /= flatLast - flatFirst + 1;
    SpectrumCurve residual{};
    for (int i = 0; i < kIrcSpectrumPoints; ++i) {
        residual[i] = measured[i].gain / 100.0 - target;
    }

    ChannelBands bands{};
    int used = 0;
    // Points where no band helped; the next worst deviation gets its turn instead.
    std::array<bool, kIrcSpectrumPoints> hopeless{};
    while (used < kIrcEqBands) {
        // The worst deviation left, dips counting for less than peaks.
        int at = -1;
        double worst = kGoodEnoughDb;
        for (int i = flatFirst; i <= flatLast; ++i) {
            const double weight = residual[i] > 0 ? residual[i] : -residual[i] * kDipShare;
            if (!hopeless[i] && weight >= worst) {
                worst = weight;
                at = i;
            }
        }
        if (at < 0) {
            break;
        }
        const double gain = residual[at] > 0 ? std::max(-residual[at], kMaxCutDb)
                                             : std::min(-residual[at] * kDipShare, kMaxBoostDb);
        // The half-height width only estimates Q for a bell that is not a peaking curve; the
        // neighbouring widths that leave the least error decide.
        const double widthQ = WidthQ(residual, at);
        IrcEqBand best{};
        double bestError = FlatError(residual);
        for (double trial : kQTrials) {
            const IrcEqBand band = MakeBand(MeasurementFrequency(at), gain, widthQ * trial);
            SpectrumCurve after = residual;
            AddBand(band, after);
            const double error = FlatError(after);
            if (error < bestError) {
                bestError = error;
                best = band;
            }
        }
        if (BandGainDb(best) == 0) {
            hopeless[at] = true;
            continue;
        }
        AddBand(best, residual);
        bands[used++] = best;
    }
    std::sort(bands.begin(), bands.begin() + used,
              [](const IrcEqBand& a, const IrcEqBand& b) { return a.freq < b.freq; });
    return bands;
}

}  // namespace sim
