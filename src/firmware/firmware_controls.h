#pragma once
// The names the update windows' layouts (update_fw.xml, force_update.xml) give their controls.

namespace firmware_controls {

// Shared by both windows.
inline constexpr char kUpdateBtn[] = "update_btn";
inline constexpr char kCancelBtn[] = "cancel_btn";
inline constexpr char kCloseBtn[] = "closebtn";
inline constexpr char kUpdateTips[] = "update_tips";

// Manual update.
inline constexpr char kFilePathEdt[] = "file_path_edt";
inline constexpr char kFileBtn[] = "file_btn";
inline constexpr char kProgress[] = "progress";

// Forced update.
inline constexpr char kMcuFile[] = "mcu_file";
inline constexpr char kFlashFile[] = "flash_file";
inline constexpr char kMcuProgress[] = "mcu_progress";
inline constexpr char kFlashProgress[] = "flash_progress";
inline constexpr char kCheckBoxFactory[] = "check_box_facotry";

}  // namespace firmware_controls
