#pragma once
// Sends a loaded profile to the amplifier, every command at once with its reply awaited.
// Besides the sound settings this sends what the file holds of the link and lock state, the
// input phases, threshold and ACC, so that the amplifier ends up with the file's contents.

#include <functional>

#include "link/dsp_link.h"
#include "model/profile_record.h"

namespace model {

// Called after each set is sent and every command of it answered: sets done so far and sets
// in all.
using SendProgress = std::function<void(int done, int total)>;
// Polled between commands: true stops the send where it is (shutdown, device gone).
using SendStopped = std::function<bool()>;

// Both sends stop at the first command that is not answered (after the link's tries) and
// return whether every command was answered.

// A scene profile: the record becomes the live set. Also sends "bridgeOutputs".
bool SendSceneProfile(dsplink::DspLink& link, const ProfileRecord& live,
                      const SendProgress& progress = {}, const SendStopped& stopped = {});

// A whole profile: stored scenes 1..10 with their names, each saved in the amplifier, then
// the live set.
bool SendWholeProfile(dsplink::DspLink& link, const ProfileRecord& live, const SceneTable& scenes,
                      const SendProgress& progress = {}, const SendStopped& stopped = {});

// Sends the live-set commands (scene 0) whose values differ between from and to, so that an
// amplifier holding from ends up holding to. now: wait for each answer (true) or queue (false).
// Returns false when a command was not taken (stops there).
bool SendProfileDifference(dsplink::DspLink& link, const ProfileRecord& from,
                           const ProfileRecord& to, bool now, const SendStopped& stopped = {});

}  // namespace model
