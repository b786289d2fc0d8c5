#pragma once
// The names the scene window's layout (scene_profile.xml) gives its controls: one place for
// the code that looks them up, the code that binds their notifications and the tests.

#include "windows/dialog_controls.h"

namespace scene_controls {

inline constexpr char kListView[] = "listview";
inline constexpr char kListHeader[] = "list_header";
using dialog_controls::kCancelBtn;
using dialog_controls::kConfirmBtn;
using dialog_controls::kMessageTitle;

}  // namespace scene_controls
