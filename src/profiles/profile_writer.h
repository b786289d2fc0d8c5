#pragma once
// Profile files as text: compact JSON in a fixed key order, byte for byte what is saved.

#include <string>

#include "model/profile_record.h"

namespace profiles {

// ".spf": one set of settings, the live one.
std::string WriteSceneProfile(const model::ProfileRecord& live);

// ".wpf": the live set, the 10 stored scenes and their names.
std::string WriteWholeProfile(const model::ProfileRecord& live, const model::SceneTable& scenes);

}  // namespace profiles
