#pragma once
// Profile files from text. A load is all or nothing: the file is read into copies of the
// records it updates, and the copies are handed back only when every key is present, of its
// type and size, and in range. A failed load returns no records, so nothing changes.

#include <memory>
#include <string_view>

#include "model/profile_record.h"
#include "profiles/profile_error.h"

namespace profiles {

struct SceneProfileLoad {
    ProfileFailure failure;
    // `base` with the file's values; only when the file is valid.
    std::unique_ptr<model::ProfileRecord> live;

    bool Ok() const { return !failure && live != nullptr; }
};

struct WholeProfileLoad {
    ProfileFailure failure;
    // The bases with the file's values; only when the file is valid. A whole profile leaves
    // "bridgeOutputs", "linkSel" and "delayLinkSel" as the bases have them.
    std::unique_ptr<model::ProfileRecord> live;
    std::unique_ptr<model::SceneTable> scenes;

    bool Ok() const { return !failure && live != nullptr && scenes != nullptr; }
};

// ".spf" text over `base` (the record the file replaces).
SceneProfileLoad ReadSceneProfile(std::string_view text, const model::ProfileRecord& base);

// ".wpf" text over the live record and the scene table it replaces.
WholeProfileLoad ReadWholeProfile(std::string_view text, const model::ProfileRecord& liveBase,
                                  const model::SceneTable& scenesBase);

}  // namespace profiles
