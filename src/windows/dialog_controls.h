#pragma once
// The names the dialogs' layouts (msg, msg_checkbox, msg_name, loading, about) give their
// controls, and the common ones every dialog layout shares: one place for the code that looks
// them up, the code that binds their notifications and the tests.

namespace dialog_controls {

inline constexpr char kMessageTitle[] = "MessageTitle";
inline constexpr char kMessageText[] = "MessageText";
inline constexpr char kConfirmBtn[] = "confirm_btn";
inline constexpr char kCancelBtn[] = "cancel_btn";
inline constexpr char kThirdBtn[] = "third_btn";
inline constexpr char kCloseBtn[] = "closebtn";
inline constexpr char kCheckBox0[] = "check_box_0";
inline constexpr char kCheckBox1[] = "check_box_1";
inline constexpr char kNameEdt[] = "name_edt";
inline constexpr char kBusyIndicator[] = "busy_indicator";
// The about window.
inline constexpr char kFwVersion[] = "fw_version";
inline constexpr char kSoftVersion[] = "soft_version";
inline constexpr char kInnerFwVersion[] = "inner_fw_version";
inline constexpr char kCompanyTitle[] = "company_title";
inline constexpr char kWebBtnPrefix[] = "web_btn";

}  // namespace dialog_controls
