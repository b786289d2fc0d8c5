#pragma once
// Profile files on disk. Saving writes a temporary file beside the target and renames it, so
// a failed or interrupted save never leaves half a file.

#include <string>
#include <string_view>

#include "profiles/profile_error.h"
#include "profiles/profile_reader.h"

namespace profiles {

// Files larger than this are not profiles; refusing them bounds what a load allocates.
inline constexpr std::size_t kMaxProfileBytes = 16u << 20;

enum class ProfileKind { kUnknown, kScene, kWhole };

// By extension, ".spf" or ".wpf" in any letter case.
ProfileKind KindOfPath(std::string_view path);

// The whole file into text; kOpen when it cannot be read.
ProfileFailure LoadFromFile(const std::string& path, std::string& text);

// Text into the file, byte for byte; kCreate when it cannot be written.
ProfileFailure SaveToFile(const std::string& path, std::string_view text);

// Read and parse in one step.
SceneProfileLoad LoadSceneProfile(const std::string& path, const model::ProfileRecord& base);
WholeProfileLoad LoadWholeProfile(const std::string& path, const model::ProfileRecord& liveBase,
                                  const model::SceneTable& scenesBase);

}  // namespace profiles
