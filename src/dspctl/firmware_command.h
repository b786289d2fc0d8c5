#pragma once
// "firmware FILE": the image is checked before the amplifier is touched, written with a
// progress bar, and the amplifier waited for while it restarts.

#include <cstdio>
#include <string>

#include "link/dsp_link.h"

namespace dspctl {

// The checks UpgradeStart makes, with the reason in words; false when the file is unusable.
bool CheckFirmwareFile(const std::string& path, std::FILE* err);

// Writes the image over an open link (the amplifier in its application or its loader).
// kExitOk once the whole image is written; restarts tells whether the amplifier now restarts
// (everything but a bootloader image).
int RunFirmwareTransfer(dsplink::DspLink& link, const std::string& path, bool& restarts,
                        std::FILE* out, std::FILE* err);

}  // namespace dspctl
