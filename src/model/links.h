#pragma once
// Left/right partners, bridged pairs and the link-conflict test.

#include <optional>

#include "model/profile_record.h"

namespace model {

// True when both outputs are in 0..5 or both in 6..11.
bool SameHalf(int a, int b);

// The link partner wins over the bridge partner; nullopt when there is none or a is out of range.
std::optional<int> LinkPartner(const ProfileRecord& record, int a);

// Fills "linkOutputs" with each output's mirror-type partner in the same half, else -1.
void FillLinkOutputs(ProfileRecord& record);

// True when some output's mirror type first appears on another output in its own half.
bool HasLinkConflict(const ProfileRecord& record);

}  // namespace model
