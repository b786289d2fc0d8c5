// The three short jobs of the service tool and the program (the read of the live set, the read
// of a stored scene, the send of a scene profile) against the virtual amplifier, with a fault on
// any one answer. A lost, damaged or split answer costs a try and nothing else: the model, or
// for the send the amplifier, ends exactly as without the fault. An unplug ends the job at once
// with the link closed, and once plugged back in the same job works again.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "dspctl_test_support.h"
#include "link/dsp_link.h"
#include "link/state_read.h"
#include "model/profile_send.h"
#include "model/reply_handlers.h"
#include "profiles/profile_writer.h"
#include "sim/sim_transport.h"

namespace {

using sim::ReplyFault;
using sim::VirtualAmplifier;

struct ToModel : dsplink::ReplyTarget {
    explicit ToModel(model::ModelSync& s) : sync(s) {}
    void Post(dsplink::LinkMessage message) override { sync.Dispatch(std::move(message)); }
    model::ModelSync& sync;
};

// A job on an open link; true when every request was answered.
using Job = std::function<bool(dsplink::DspLink&)>;
// What a job read into the model, as text to compare.
using Fingerprint = std::function<std::string(const model::ModelState&)>;

std::string LiveSceneFiveAndNames(const model::ModelState& state) {
    std::string text = profiles::WriteSceneProfile(state.live) +
                       profiles::WriteSceneProfile(state.scenes.records[4]);
    for (const auto& name : state.scenes.names) {
        text.append(name.begin(), name.end());
    }
    return text;
}

struct Outcome {
    bool complete = false;
    bool open = false;
    std::string model;
    int64_t afterUnplugMs = -1;
};

Outcome RunJob(const std::shared_ptr<VirtualAmplifier>& amp, const Job& job,
               const Fingerprint& fingerprint) {
    dsplink::ManualClock clock;
    const auto state = std::make_unique<model::ModelState>();
    model::ModelSync sync(*state);
    ToModel target(sync);
    int64_t unpluggedAt = -1;
    amp->SetHotplugCallbacks({}, [&] { unpluggedAt = clock.NowMs(); });
    Outcome outcome;
    {
        dsplink::DspLink link(std::make_unique<sim::SimTransport>(amp, clock), clock);
        link.SetTarget(dsplink::ReplyTargetId::Main, &target);
        EXPECT_EQ(link.Open(), dsplink::OpenResult::Opened);
        outcome.complete = job(link);
        outcome.open = link.IsOpen();
        if (unpluggedAt >= 0) {
            outcome.afterUnplugMs = clock.NowMs() - unpluggedAt;
        }
    }
    amp->SetHotplugCallbacks({}, {});
    if (fingerprint) {
        outcome.model = fingerprint(*state);
    }
    return outcome;
}

std::shared_ptr<VirtualAmplifier> Amplifier() {
    auto amp = std::make_shared<VirtualAmplifier>();
    amp->Modify(dspctl_test::Customise);
    return amp;
}

// A lost answer waits out a third of a time-out, which costs real time even on a virtual
// clock: those are tried at every few answers, the other faults at every answer.
bool Strided(uint64_t answer, uint64_t answers) {
    return answer % 9 == 0 || answer + 1 == answers;
}

// Runs `job` with each fault at each answer and compares with a run without faults, by the
// model (when the job reads) and by what the amplifier ends up holding. Plugging back in is
// tried where lost answers are.
void ExpectEveryFaultHandled(const Job& job, const Fingerprint& fingerprint) {
    auto clean = Amplifier();
    const Outcome reference = RunJob(clean, job, fingerprint);
    ASSERT_TRUE(reference.complete);
    const uint64_t answers = clean->Answers();
    ASSERT_GT(answers, 100u);
    const sim::DeviceState device = clean->Snapshot();
    for (const ReplyFault fault : {ReplyFault::Corrupt, ReplyFault::Split, ReplyFault::Drop}) {
        for (uint64_t k = 0; k < answers; ++k) {
            if (fault == ReplyFault::Drop && !Strided(k, answers)) {
                continue;
            }
            auto amp = Amplifier();
            amp->FaultAnswer(static_cast<int>(k), fault);
            const Outcome o = RunJob(amp, job, fingerprint);
            if (!o.complete || o.model != reference.model || amp->Snapshot() != device) {
                ADD_FAILURE() << "fault " << static_cast<int>(fault) << " at answer " << k;
                break;
            }
        }
    }
    for (uint64_t k = 0; k < answers; ++k) {
        auto amp = Amplifier();
        amp->FaultAnswer(static_cast<int>(k), ReplyFault::Unplug);
        const Outcome cut = RunJob(amp, job, fingerprint);
        // Nothing waited out a time-out once the cable was gone.
        if (cut.complete || cut.open || cut.afterUnplugMs < 0 ||
            cut.afterUnplugMs >= dsplink::kReplyTimeoutMs) {
            ADD_FAILURE() << "unplugged at answer " << k << ": " << cut.afterUnplugMs << " ms";
            break;
        }
        if (!Strided(k, answers)) {
            continue;
        }
        amp->PlugIn();
        const Outcome again = RunJob(amp, job, fingerprint);
        if (!again.complete || again.model != reference.model || amp->Snapshot() != device) {
            ADD_FAILURE() << "after plugging back in, unplugged at answer " << k;
            break;
        }
    }
}

TEST(StateReadFaults, TheLiveSetIsReadWholeDespiteAnyOneFault) {
    ExpectEveryFaultHandled([](dsplink::DspLink& l) { return dsplink::ReadLiveState(l) == 0; },
                            LiveSceneFiveAndNames);
}

TEST(StateReadFaults, AStoredSceneIsReadWholeDespiteAnyOneFault) {
    ExpectEveryFaultHandled(
        [](dsplink::DspLink& l) { return dsplink::ReadStoredScene(l, 5, {}) == 0; },
        LiveSceneFiveAndNames);
}

TEST(StateReadFaults, NoSettleWaitForASceneTheAmplifierDidNotSwitchTo) {
    for (const bool unplug : {false, true}) {
        SCOPED_TRACE(unplug);
        auto amp = Amplifier();
        for (int k = 0; k < (unplug ? 1 : dsplink::kRequestAttempts); ++k) {
            amp->FaultAnswer(k, unplug ? ReplyFault::Unplug : ReplyFault::Drop);
        }
        int settles = 0;
        const Outcome o =
            RunJob(amp,
                   [&](dsplink::DspLink& l) {
                       return dsplink::ReadStoredScene(l, 5, [&](int) { ++settles; }) == 0;
                   },
                   {});
        EXPECT_FALSE(o.complete);
        EXPECT_EQ(settles, 0);
    }
}

TEST(StateReadFaults, ASceneProfileIsSentWholeDespiteAnyOneFault) {
    // The record sent is the customised live set as a fresh amplifier reports it.
    auto source = Amplifier();
    model::ModelState read;
    {
        dsplink::ManualClock clock;
        model::ModelSync sync(read);
        ToModel target(sync);
        dsplink::DspLink link(std::make_unique<sim::SimTransport>(source, clock), clock);
        link.SetTarget(dsplink::ReplyTargetId::Main, &target);
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
        ASSERT_EQ(dsplink::ReadLiveState(link), 0);
    }
    const model::ProfileRecord record = read.live;
    ExpectEveryFaultHandled(
        [&record](dsplink::DspLink& l) { return model::SendSceneProfile(l, record); }, {});
}

}  // namespace
