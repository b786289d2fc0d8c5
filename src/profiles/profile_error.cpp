#include "profiles/profile_error.h"

namespace profiles {

const char* MessageKey(ProfileError error) {
    switch (error) {
        case ProfileError::kOpen:
            return "${profile_open_error}";
        case ProfileError::kLoad:
            return "${profile_load_error}";
        case ProfileError::kModelMismatch:
            return "${software_not_match}";
        case ProfileError::kCreate:
            return "${profile_create_error}";
        case ProfileError::kNone:
            break;
    }
    return "";
}

const char* ErrorText(ProfileError error) {
    switch (error) {
        case ProfileError::kOpen:
            return "cannot open the file";
        case ProfileError::kLoad:
            return "not a valid profile";
        case ProfileError::kModelMismatch:
            return "made for another amplifier model";
        case ProfileError::kCreate:
            return "cannot create the file";
        case ProfileError::kNone:
            break;
    }
    return "";
}

}  // namespace profiles
