#pragma once
// An output's bands and gain replaced as a whole, as a filter list brings them.

#include <span>

#include "model/profile_record.h"

namespace model {

// Copies bands onto the output's first bands (as many as it has) and sets its gain, both as the
// amplifier keeps them. A band that plays takes the bypass off, so what was set is heard.
// Out-of-range outputs change nothing.
void ApplyBandSet(ProfileRecord& record, int output, std::span<const EqBand> bands, float gain);

}  // namespace model
