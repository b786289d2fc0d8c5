#include "model/band_set.h"

#include <algorithm>
#include <cmath>

#include "model/value_ranges.h"

namespace model {

void ApplyBandSet(ProfileRecord& record, int output, std::span<const EqBand> bands, float gain) {
    EqBand* row = BandsOf(record, output);
    if (row == nullptr) {
        return;
    }
    const size_t count =
        std::min(bands.size(),
                 static_cast<size_t>(std::clamp(BandCountOf(record, output), 0, MAX_EQ_BANDS)));
    bool plays = false;
    for (size_t b = 0; b < count; ++b) {
        row[b] = bands[b];
        row[b].eqGain = WireEqGain(bands[b].eqGain);
        row[b].eqFactor = WireEqQ(bands[b].eqFactor);
        plays = plays || (row[b].enable != 0 && std::fabs(row[b].eqGain) > 0.0f);
    }
    OutputChannel& ch = record.channels[static_cast<size_t>(output)];
    ch.gain = WireOutputGain(gain);
    if (plays) {
        ch.bypass = 0;
    }
}

}  // namespace model
