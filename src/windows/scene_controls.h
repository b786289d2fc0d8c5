#pragma once
// The names the scene window's layout (scene_profile.xml) gives its controls: one place for
// the code that looks them up, the code that binds their notifications and the tests.

namespace scene_controls {

inline constexpr char kListView[] = "listview";
inline constexpr char kListHeader[] = "list_header";
inline constexpr char kMessageTitle[] = "MessageTitle";
inline constexpr char kConfirmBtn[] = "confirm_btn";
inline constexpr char kCancelBtn[] = "cancel_btn";

}  // namespace scene_controls
