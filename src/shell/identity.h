#pragma once
// Who this program is, which amplifier it serves and which firmware it carries: the one place
// for these values. Plain constants, so the link and the virtual amplifier use them as well as
// the windows.

namespace shell {

inline constexpr char kModelName[] = "ORN14.60DSP";
// The model byte of the handshake, the profile files and the firmware images.
inline constexpr int kModelId = 78;
inline constexpr char kSoftwareVersion[] = "v6.8.7";
// The firmware built into the program; an amplifier with an older one is offered an update.
inline constexpr int kBuiltInFirmwareMajor = 16;
inline constexpr int kBuiltInFirmwareMinor = 24;
inline constexpr char kCaption[] = "ORN14.60 DSP Audio";

}  // namespace shell
