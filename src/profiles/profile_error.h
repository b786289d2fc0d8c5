#pragma once
// Why a profile file could not be loaded or saved, as the message the user is shown.

#include <string>

namespace profiles {

enum class ProfileError {
    kNone,
    kOpen,           // the file cannot be read, or a scene file is not JSON
    kLoad,           // a key is missing, mistyped, of the wrong size or out of range
    kModelMismatch,  // "model" names another amplifier
    kCreate,         // the file cannot be written
};

// The message text key of an error ("${profile_load_error}" ...); empty for kNone.
const char* MessageKey(ProfileError error);
// The same in plain English, for the command-line tool, which has no language files.
const char* ErrorText(ProfileError error);

// Shown after a save that was written.
inline constexpr const char* kSaveOkKey = "${profile_save_ok}";

// An error with what went wrong, for logs and the service tool.
struct ProfileFailure {
    ProfileError error = ProfileError::kNone;
    std::string detail;

    explicit operator bool() const { return error != ProfileError::kNone; }
};

}  // namespace profiles
