#pragma once
// Sends a loaded profile to the amplifier, every command at once with its reply awaited.
// Besides the sound settings this sends what the file holds of the link and lock state, the
// input phases, threshold and ACC, so that the amplifier ends up with the file's contents.

#include <functional>

#include "dsp_link.h"
#include "profile_record.h"

namespace profiles {

// Called after each set is sent: sets done so far and sets in all.
using SendProgress = std::function<void(int done, int total)>;

// A scene profile: the record becomes the live set. Also sends "bridgeOutputs".
// Returns how many commands got no reply.
int SendSceneProfile(dsplink::DspLink& link, const model::ProfileRecord& live,
                     const SendProgress& progress = {});

// A whole profile: stored scenes 1..10 with their names, each saved in the amplifier, then
// the live set. Returns how many commands got no reply.
int SendWholeProfile(dsplink::DspLink& link, const model::ProfileRecord& live,
                     const model::SceneTable& scenes, const SendProgress& progress = {});

}  // namespace profiles
