#pragma once
// Sizes of the arrays in profile files.

#include "model/constants.h"

namespace profiles {

// Input rows a file carries per source; the model keeps two more that no source uses.
inline constexpr int kFileInputRows = 10;

}  // namespace profiles
