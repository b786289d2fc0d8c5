#include "sim/firmware_loader.h"

#include <algorithm>
#include <span>
#include <utility>

#include "link/protocol.h"
#include "link/subcommands.h"
#include "sim/test_firmware.h"

namespace sim {

using dsplink::UpgradeTarget;

namespace {

using Bytes = std::span<const uint8_t>;

enum class StepKind { Enter, Start, Data, Finish, Reboot };

struct Step {
    StepKind kind;
    UpgradeTarget target;
};

std::optional<Step> StepOf(const dsplink::FrameView& frame) {
    using namespace dsplink;
    if (frame.optype() != OP_WRITE) {
        return std::nullopt;
    }
    if (frame.type == CMD_FLASH) {
        switch (frame.subcmd()) {
            case FLASH_UPG_START:
                return Step{StepKind::Start, UPG_TARGET_FLASH};
            case FLASH_UPG_DATA:
                return Step{StepKind::Data, UPG_TARGET_FLASH};
            case FLASH_UPG_FINISH:
                return Step{StepKind::Finish, UPG_TARGET_FLASH};
            default:
                return std::nullopt;
        }
    }
    if (frame.type != CMD_MCU) {
        return std::nullopt;
    }
    switch (frame.subcmd()) {
        case MCU_ENTER_UPG:
            // The DSP flash image enters this way too: it is written by the same loader.
            return Step{StepKind::Enter, UPG_TARGET_MCU};
        case MCU_UPG_START:
            return Step{StepKind::Start, UPG_TARGET_MCU};
        case MCU_UPG_DATA:
            return Step{StepKind::Data, UPG_TARGET_MCU};
        case MCU_UPG_FINISH:
            return Step{StepKind::Finish, UPG_TARGET_MCU};
        case MCU_BL_ENTER_UPG:
            return Step{StepKind::Enter, UPG_TARGET_BOOTLOADER};
        case MCU_BL_UPG_START:
            return Step{StepKind::Start, UPG_TARGET_BOOTLOADER};
        case MCU_BL_UPG_DATA:
            return Step{StepKind::Data, UPG_TARGET_BOOTLOADER};
        case MCU_BL_UPG_FINISH:
            return Step{StepKind::Finish, UPG_TARGET_BOOTLOADER};
        case MCU_REBOOT:
            return Step{StepKind::Reboot, UPG_TARGET_NONE};
        default:
            return std::nullopt;
    }
}

bool& Intact(DeviceState& state, UpgradeTarget target) {
    switch (target) {
        case dsplink::UPG_TARGET_FLASH:
            return state.flashImageIntact;
        case dsplink::UPG_TARGET_BOOTLOADER:
            return state.bootloaderIntact;
        default:
            return state.mcuImageIntact;
    }
}

LoaderReply Acked(const dsplink::FrameView& frame, bool taken) {
    LoaderReply reply;
    reply.answer = Acknowledge(frame.type, frame.subcmd(), frame.payload(), taken);
    return reply;
}

uint32_t U32(Bytes p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The data of a block: MCU and bootloader blocks are always a full 32 bytes, DSP flash blocks
// 1 to 50 bytes after their count. Nothing for a block of any other shape.
std::optional<Bytes> BlockData(UpgradeTarget target, Bytes p) {
    if (target == dsplink::UPG_TARGET_FLASH) {
        if (p.size() < 5 || p[4] == 0 || p[4] > dsplink::kFlashBlockMax || p.size() != 5u + p[4]) {
            return std::nullopt;
        }
        return p.subspan(5);
    }
    if (p.size() != 4 + dsplink::kMcuBlockSize) {
        return std::nullopt;
    }
    return p.subspan(4);
}

}  // namespace

bool FirmwareLoader::Handles(const dsplink::FrameView& frame) {
    return StepOf(frame).has_value();
}

void FirmwareLoader::FailAt(int block, UpgradeFault fault) {
    mNextFault = Fault{block, fault};
}

LoaderReply FirmwareLoader::Handle(DeviceState& state, const dsplink::FrameView& frame) {
    const std::optional<Step> step = StepOf(frame);
    if (!step) {
        return LoaderReply{};
    }
    switch (step->kind) {
        case StepKind::Enter: {
            LoaderReply reply = Acked(frame, true);
            // The application hands over to the loader; the loader itself just goes on.
            if (step->target == dsplink::UPG_TARGET_MCU &&
                state.handshakeStatus != kStatusAbnormal) {
                reply.action = LoaderAction::RestartIntoLoader;
            }
            return reply;
        }
        case StepKind::Start:
            return Start(state, step->target, frame);
        case StepKind::Data:
            return Block(step->target, frame);
        case StepKind::Finish:
            return Finish(state, step->target, frame);
        case StepKind::Reboot:
            return LoaderReply{std::nullopt, std::nullopt, LoaderAction::Restart};
    }
    return LoaderReply{};
}

LoaderReply FirmwareLoader::Start(DeviceState& state, UpgradeTarget target,
                                  const dsplink::FrameView& frame) {
    if (frame.payload().size() != 4) {
        return Acked(frame, false);
    }
    std::optional<Fault> fault = std::exchange(mNextFault, std::nullopt);
    if (fault && fault->fault == UpgradeFault::RefuseStart) {
        return Acked(frame, false);
    }
    mSession = Session{};
    mSession->target = target;
    mSession->fault = fault;
    // The image is erased before the first block is written.
    Intact(state, target) = false;
    return Acked(frame, true);
}

LoaderReply FirmwareLoader::Block(UpgradeTarget target, const dsplink::FrameView& frame) {
    if (!mSession || mSession->target != target) {
        return Acked(frame, false);
    }
    Session& s = *mSession;
    std::optional<UpgradeFault> fault;
    if (s.fault && s.fault->block == s.blocks) {
        fault = s.fault->fault;
        s.fault.reset();
    }
    ++s.blocks;
    if (fault == UpgradeFault::Unplug) {
        return LoaderReply{std::nullopt, std::nullopt, LoaderAction::PullCable};
    }
    if (fault == UpgradeFault::PowerCut) {
        return LoaderReply{std::nullopt, std::nullopt, LoaderAction::CutPower};
    }
    if (fault == UpgradeFault::LoseAcks) {
        s.silent = true;
    }

    const Bytes p = frame.payload();
    const std::optional<Bytes> data = p.size() < 4 ? std::nullopt : BlockData(target, p);
    const uint64_t offset = data ? U32(p) : 0;
    const bool taken = data && offset + data->size() <= dsplink::kImageMaxSize;
    if (taken) {
        const size_t end = static_cast<size_t>(offset + data->size());
        if (end > s.body.size()) {
            s.body.resize(end);
            s.written.resize(end, false);
        }
        std::copy(data->begin(), data->end(), s.body.begin() + static_cast<std::ptrdiff_t>(offset));
        std::fill_n(s.written.begin() + static_cast<std::ptrdiff_t>(offset), data->size(), true);
    }
    if (s.silent) {
        return LoaderReply{};
    }
    LoaderReply reply = Acked(frame, taken && fault != UpgradeFault::NotReady);
    if (taken && fault == UpgradeFault::NotReady) {
        reply.followUp = Acknowledge(frame.type, frame.subcmd(), p, true);
    }
    return reply;
}

LoaderReply FirmwareLoader::Finish(DeviceState& state, UpgradeTarget target,
                                   const dsplink::FrameView& frame) {
    if (!mSession || mSession->target != target) {
        return Acked(frame, false);
    }
    const Session s = std::move(*mSession);
    mSession.reset();
    const auto writtenUpTo = [&s](size_t end) {
        return end > 0 && end <= s.written.size() &&
               std::all_of(s.written.begin(), s.written.begin() + static_cast<std::ptrdiff_t>(end),
                           [](bool w) { return w; });
    };
    // Our own images say how long they are; any other body must arrive without a gap.
    const std::optional<TestFirmwareInfo> info =
        writtenUpTo(kTestFirmwareHeaderSize) ? ParseTestFirmwareBody(s.body) : std::nullopt;
    const bool complete =
        info ? info->target == target && writtenUpTo(info->bodySize) : writtenUpTo(s.body.size());
    if (complete) {
        Intact(state, target) = true;
        if (info) {
            switch (target) {
                case dsplink::UPG_TARGET_MCU:
                    state.masterVersion = info->major;
                    state.slaveVersion = info->minor;
                    break;
                case dsplink::UPG_TARGET_FLASH:
                    state.dspFlashVersion = {info->major, info->minor, 0, 0};
                    break;
                default:
                    state.bootloaderVersion = info->major;
                    break;
            }
        }
    }
    LoaderReply reply;
    if (!s.silent) {
        reply = Acked(frame, true);
    }
    // A new application starts at once; a DSP image waits for the reboot, a bootloader for
    // nothing.
    if (target == dsplink::UPG_TARGET_MCU) {
        reply.action = LoaderAction::Restart;
    }
    return reply;
}

uint8_t StatusAfterRestart(const DeviceState& state, bool intoLoader) {
    const bool application = !intoLoader && state.mcuImageIntact && state.flashImageIntact;
    return application ? 0x00 : kStatusAbnormal;
}

}  // namespace sim
