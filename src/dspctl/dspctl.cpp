#include "dspctl/dspctl.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "dspctl/firmware_command.h"
#include "dspctl/profile_commands.h"
#include "dspctl/reply_printer.h"
#include "dspctl/request_failures.h"
#include "link/dsp_link.h"
#include "link/reply_records.h"
#include "link/state_read.h"
#include "platform/hid_transport.h"
#include "shell/identity.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace dspctl {
namespace {

using namespace dsplink;

// Replies are printed in the order they were decoded, on the reading thread.
class PrintingTarget : public ReplyTarget {
  public:
    PrintingTarget(std::FILE* out, bool print) : mOut(out), mPrint(print) {}
    // Replies also go to the model, as in the program, for the commands that need its state.
    void SetSync(model::ModelSync* sync) { mSync = sync; }
    void Post(LinkMessage message) override {
        std::lock_guard<std::mutex> guard(mLock);
        if (auto* info = dynamic_cast<McuHandshakeInfo*>(message.record.get())) {
            mHandshake = *info;
            mHaveHandshake = true;
        }
        if (message.message == WM_DEVICE_ABNORMAL) {
            mAbnormal = true;
        }
        // The tool reports a disconnect itself, with what it cut off.
        if (mPrint && message.message != WM_DEVICE_DISCONNECT) {
            std::fprintf(mOut, "%s\n", DescribeReply(message).c_str());
        }
        if (mSync) {
            mSync->Dispatch(std::move(message));
        }
    }
    // Before a new handshake, so that only its answer counts.
    void ForgetHandshake() {
        std::lock_guard<std::mutex> guard(mLock);
        mHaveHandshake = false;
        mAbnormal = false;
    }
    bool HaveHandshake() const { return mHaveHandshake; }
    bool Abnormal() const { return mAbnormal; }
    const McuHandshakeInfo& Handshake() const { return mHandshake; }

  private:
    std::mutex mLock;
    std::FILE* mOut;
    bool mPrint;
    std::atomic<bool> mHaveHandshake{false};
    std::atomic<bool> mAbnormal{false};
    McuHandshakeInfo mHandshake;
    model::ModelSync* mSync = nullptr;
};

void PrintFrame(std::FILE* out, char direction, std::span<const uint8_t> wire, bool valid) {
    std::string line(1, direction);
    for (uint8_t b : wire) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    if (!valid) {
        line += "   (bad checksum)";
    }
    std::fprintf(out, "%s\n", line.c_str());
}

const char* OpenProblem(OpenResult result) {
    switch (result) {
        case OpenResult::NotFound:
            return "No amplifier found: check that it is plugged in and powered (USB ID "
                   "0483:5750), or use --simulate.";
        case OpenResult::NoAccess:
            return "An amplifier is plugged in but this user may not open it (permission "
                   "denied). Install the udev rule packaging/udev/70-orn-dsp.rules into "
                   "/etc/udev/rules.d/, reload udev and plug the amplifier in again.";
        case OpenResult::BadIdentity:
            return "A device with the amplifier's USB ID was found but did not identify itself; "
                   "unplug it and plug it in again.";
        case OpenResult::Opened:
            break;
    }
    return "";
}

// After an image is written the amplifier restarts: wait for it and say what it runs now.
int AwaitRestart(DspLink& link, Clock& clock, PrintingTarget& target, std::FILE* out,
                 std::FILE* err) {
    constexpr int kPauseMs = 500;
    constexpr int kTries = 60;
    link.CloseHIDDevice(false);
    std::fprintf(out, "Waiting for the amplifier to restart...\n");
    for (int i = 0; i < kTries; ++i) {
        clock.SleepMs(kPauseMs);
        if (link.Open() != OpenResult::Opened) {
            continue;
        }
        target.ForgetHandshake();
        link.PC_Connect(1);
        if (!link.Hand_Connect()) {
            link.CloseHIDDevice(false);
            continue;
        }
        if (target.Abnormal()) {
            std::fprintf(out,
                         "The amplifier is back in its loader: the MCU and the DSP firmware "
                         "must both be whole, so write the other image as well.\n");
        } else if (target.HaveHandshake()) {
            const McuHandshakeInfo& info = target.Handshake();
            std::fprintf(out, "The amplifier is back: model %d, firmware %d.%d\n", info.model,
                         info.masterVersion, info.slaveVersion);
        }
        return kExitOk;
    }
    std::fprintf(err,
                 "The amplifier did not come back within %d s; unplug it and plug it in "
                 "again.\n",
                 kPauseMs * kTries / 1000);
    return kExitNoAmplifier;
}

}  // namespace

int Run(const Options& options, std::FILE* out, std::FILE* err) {
    // A profile is checked whole before the amplifier is touched.
    RestoreFile restore;
    if (options.command == "restore" && !LoadRestoreFile(options.args.at(0), restore, err)) {
        return kExitFile;
    }
    profiles::FilterText filters;
    if (options.command == "import" && !LoadFilterFile(options.args.at(1), filters, err)) {
        return kExitFile;
    }
    const bool firmware = options.command == "firmware";
    if (firmware && !CheckFirmwareFile(options.args.at(0), err)) {
        return kExitFile;
    }

    SystemClock systemClock;
    Clock& clock = options.clock ? *options.clock : systemClock;
    std::unique_ptr<HidTransport> transport;
    if (options.simulate) {
        auto amplifier =
            options.amplifier ? options.amplifier : std::make_shared<sim::VirtualAmplifier>();
        transport = std::make_unique<sim::SimTransport>(std::move(amplifier), clock);
    } else {
        transport = platform::MakeHidTransport();
    }
    const bool dump = options.command == "dump";
    PrintingTarget target(out, dump);  // outlives the link that posts to it
    const auto state = std::make_unique<model::ModelState>();
    model::ModelSync sync(*state);
    const bool filterCommand = options.command == "import" || options.command == "export";
    if (options.command == "backup" || options.command == "scene" || filterCommand) {
        target.SetSync(&sync);
    }
    DspLink link(std::move(transport), clock);
    const RequestFailures failures(link);
    link.SetTarget(ReplyTargetId::Main, &target);
    link.SetTarget(ReplyTargetId::Scene, &target);
    if (options.trace) {
        link.SetFrameTrace([out](char direction, std::span<const uint8_t> wire, bool valid) {
            PrintFrame(out, direction, wire, valid);
        });
    }

    const OpenResult opened = link.Open();
    if (opened != OpenResult::Opened) {
        std::fprintf(err, "%s\n", OpenProblem(opened));
        return kExitNoAmplifier;
    }
    link.PC_Connect(1);
    const bool answered = link.Hand_Connect();
    int exitCode = kExitOk;
    auto writeFirmware = [&] {
        bool restarts = false;
        const int written = RunFirmwareTransfer(link, options.args.at(0), restarts, out, err);
        return written == kExitOk && restarts ? AwaitRestart(link, clock, target, out, err)
                                              : written;
    };
    if (firmware && answered && target.Abnormal()) {
        // Writing an image is the way back from the loader.
        std::fprintf(out, "The amplifier runs its loader (recovery mode).\n");
        exitCode = writeFirmware();
    } else if (!answered || target.Abnormal() || !target.HaveHandshake()) {
        std::fprintf(err, "%s\n",
                     !answered           ? "The amplifier did not answer the handshake."
                     : target.Abnormal() ? "The amplifier answered but is not in its normal "
                                           "mode (it may be waiting for a firmware update)."
                                         : "The amplifier's answer to the handshake was not "
                                           "understood.");
        exitCode = kExitNoAmplifier;
    } else {
        const McuHandshakeInfo& info = target.Handshake();
        const bool supported = info.model == shell::kModelId;
        std::fprintf(out, "Model: %d", info.model);
        if (!supported) {
            std::fprintf(out, " (not the supported model %d)", shell::kModelId);
        }
        std::fprintf(out, "\nFirmware: %d.%d\n", info.masterVersion, info.slaveVersion);
        if (!supported) {
            exitCode = kExitNoAmplifier;
        } else if (firmware) {
            exitCode = writeFirmware();
        } else if (dump) {
            const int missing = ReadLiveState(link);
            if (missing > 0) {
                std::fprintf(err, "%d of the reads got no answer; the dump is incomplete.\n",
                             missing);
                exitCode = kExitNoAmplifier;
            }
        } else if (options.command == "backup") {
            exitCode = RunBackup(link, clock, *state, options.args.at(0), out, err);
        } else if (options.command == "restore") {
            exitCode = RunRestore(link, restore, out, err);
        } else if (options.command == "scene") {
            exitCode = RunScene(link, *state, options.args, out, err);
        } else if (filterCommand) {
            const int output = std::stoi(options.args.at(0)) - 1;
            exitCode = options.command == "import"
                           ? RunFilterImport(link, *state, output, filters, out, err)
                           : RunFilterExport(link, *state, output, options.args.at(1), out, err);
        }
    }
    if (exitCode == kExitNoAmplifier) {
        failures.Print(err);
    }
    link.CloseHIDDevice(true);
    return exitCode;
}

}  // namespace dspctl
