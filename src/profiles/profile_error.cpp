#include "profile_error.h"

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

}  // namespace profiles
