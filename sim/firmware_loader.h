#pragma once
// The MCU's side of a firmware upgrade: entering its loader, then the start, the blocks and the
// finish of one image, with the faults a test asks for. Plain logic under the amplifier's lock;
// what becomes of the USB device afterwards is the amplifier's business (LoaderAction).

#include <cstdint>
#include <optional>
#include <vector>

#include "link/frame.h"
#include "link/upgrade.h"
#include "sim/device_state.h"
#include "sim/requests.h"

namespace sim {

// What can go wrong at one DATA frame of an upgrade.
enum class UpgradeFault {
    RefuseStart,  // the start is answered NOT_READY (at no block: it hits the start)
    NotReady,     // answered NOT_READY, then READY in a report of its own
    LoseAcks,     // from this block on nothing is acknowledged
    Unplug,       // the cable is pulled as the block arrives
    PowerCut,     // the amplifier loses power as the block arrives and comes back by itself
};

// What the MCU does with its USB device after a frame.
enum class LoaderAction {
    None,
    RestartIntoLoader,  // restarts into its loader once the answer is out
    Restart,            // restarts once the answer (if any) is out; its images pick the mode
    PullCable,
    CutPower,
};

struct LoaderReply {
    std::optional<InputReport> answer;
    std::optional<InputReport> followUp;  // a report of its own right after the answer
    LoaderAction action = LoaderAction::None;
};

class FirmwareLoader {
  public:
    // The upgrade steps and the reboot, written.
    static bool Handles(const dsplink::FrameView& frame);
    LoaderReply Handle(DeviceState& state, const dsplink::FrameView& frame);

    // `fault` hits DATA frame `block` (counted from 0) of the next session.
    void FailAt(int block, UpgradeFault fault);
    // The transfer under way is lost (restart, power or USB gone).
    void Reset() { mSession.reset(); }

  private:
    struct Fault {
        int block = 0;
        UpgradeFault fault = UpgradeFault::NotReady;
    };
    struct Session {
        dsplink::UpgradeTarget target = dsplink::UPG_TARGET_NONE;
        std::vector<uint8_t> body;  // up to the highest byte written
        std::vector<bool> written;
        int blocks = 0;  // DATA frames so far
        std::optional<Fault> fault;
        bool silent = false;
    };

    LoaderReply Start(DeviceState& state, dsplink::UpgradeTarget target,
                      const dsplink::FrameView& frame);
    LoaderReply Block(dsplink::UpgradeTarget target, const dsplink::FrameView& frame);
    LoaderReply Finish(DeviceState& state, dsplink::UpgradeTarget target,
                       const dsplink::FrameView& frame);

    std::optional<Session> mSession;
    std::optional<Fault> mNextFault;
};

// The handshake status the MCU comes back with after a restart: its application runs only when
// told nothing else and both the application and the DSP image are whole.
uint8_t StatusAfterRestart(const DeviceState& state, bool intoLoader);

}  // namespace sim
