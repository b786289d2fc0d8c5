#pragma once
// Who this program is and which firmware it carries: shown in the About window and on the main
// page, and compared with what a connected amplifier reports.

namespace shell {

inline constexpr char kModelName[] = "ORN14.60DSP";
inline constexpr int kModelId = 78;
inline constexpr char kSoftwareVersion[] = "v6.8.7";
// The firmware built into the program; an amplifier with an older one is offered an update.
inline constexpr int kBuiltInFirmwareMajor = 16;
inline constexpr int kBuiltInFirmwareMinor = 24;
inline constexpr char kCaption[] = "ORN14.60 DSP Audio";

}  // namespace shell
