#include "dsp/channel_curve.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

#include "dsp/crossover.h"
#include "dsp/curve_constants.h"
#include "dsp/frequency_grid.h"
#include "dsp/peaking.h"
#include "dsp/response_terms.h"

namespace dsp {

namespace {

bool SideIsOn(const CrossoverSide& side) {
    return !side.bypassed && side.slope > 0;
}

// The drawn grid and its per-point terms are constants: built on first use, never changed.
struct StandardGrid {
    std::vector<double> grid = std::vector<double>(CURVE_POINTS);
    detail::GridTerms terms;

    StandardGrid() : terms((BuildFrequencyGrid(CURVE_SAMPLE_RATE, grid), grid)) {}
};

const StandardGrid& Standard() {
    static const StandardGrid standard;
    return standard;
}

}  // namespace

bool SumChannelCurve(const ChannelCrossover& crossover, std::span<const PeakingBand> bands,
                     bool eqBypass, std::span<double> grid, std::span<double> sum) {
    if (grid.size() < 2 || sum.size() != grid.size()) {
        return false;
    }
    // One set of per-point terms serves every section of the channel.
    std::optional<detail::GridTerms> ownTerms;
    if (grid.size() == static_cast<std::size_t>(CURVE_POINTS)) {
        std::copy(Standard().grid.begin(), Standard().grid.end(), grid.begin());
    } else {
        BuildFrequencyGrid(CURVE_SAMPLE_RATE, grid);
        ownTerms.emplace(grid);
    }
    const detail::GridTerms& terms = ownTerms ? *ownTerms : Standard().terms;
    detail::PowerSum total(grid.size());

    for (int lp : {0, 1}) {
        const CrossoverSide& side = lp == 1 ? crossover.lp : crossover.hp;
        if (!SideIsOn(side)) {
            continue;
        }
        const CrossoverSections sections =
            DesignCrossoverSections(lp, side.freq, side.slope, side.type);
        for (int k = 0; k < 4; ++k) {
            if (sections.kind[k] != kNoSection) {
                total.AddSection(terms,
                                 detail::ShiftBiquad(CrossoverSectionBiquad(sections, k, lp)));
            }
        }
    }
    for (const PeakingBand& band : bands) {
        const double gain = eqBypass || !band.enabled ? 0.0 : band.gain;
        // A 0 dB band is exactly flat; skipping it changes nothing.
        if (gain != 0.0) {
            total.AddSection(terms, detail::ShiftBiquad(DesignPeakingBiquad(
                                        CURVE_SAMPLE_RATE, band.freq, gain, band.q)));
        }
    }
    total.WriteDb(sum);
    return true;
}

}  // namespace dsp
