#pragma once
// Copying and clearing one output's settings inside a record.

#include "model/profile_record.h"

namespace model {

// Copies the bands (as many as the target uses), hp, lp and bpType; false on a bad index.
bool CopyOutputConfig(ProfileRecord& record, int from, int to);
// Copies routing masks and mix levels of every source; false on a bad index.
bool CopyMixConfig(ProfileRecord& record, int from, int to);
// Unroutes every input from the output in every source; false on a bad index.
bool ClearMixConfig(ProfileRecord& record, int output);

}  // namespace model
