// The service tool when the amplifier or the cable misbehaves, judged by exit code, what it
// says, the file it leaves and the amplifier's state: one bad answer costs a try and nothing
// else; an amplifier that stops answering or is unplugged ends the command with exit 1 and the
// request that failed, at once, without saving anything or claiming what was not taken; once
// plugged back in, the same command works.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dspctl_test_support.h"
#include "link/protocol.h"
#include "profiles/profile_files.h"
#include "profiles/profile_writer.h"

namespace {

using dspctl_test::Result;
using sim::ReplyFault;

class DspctlFaults : public dspctl_test::ToolTest {
  protected:
    static std::string Text(const std::string& path) {
        std::string text;
        EXPECT_FALSE(profiles::LoadFromFile(path, text)) << path;
        return text;
    }
    static std::shared_ptr<sim::VirtualAmplifier> Amplifier() {
        auto amp = std::make_shared<sim::VirtualAmplifier>();
        amp->Modify(dspctl_test::Customise);
        return amp;
    }
    // Runs with the cable pulled at answer `at`; checks the common report of a cut-off run
    // and that nothing waited out a time-out once the cable was gone.
    Result Unplugged(const std::shared_ptr<sim::VirtualAmplifier>& amp, uint64_t at,
                     std::vector<const char*> args) {
        int64_t unpluggedAt = -1;
        amp->SetHotplugCallbacks({}, [&] { unpluggedAt = mClock.NowMs(); });
        amp->FaultAnswer(static_cast<int>(at), ReplyFault::Unplug);
        const Result r = Tool(amp, std::move(args));
        amp->SetHotplugCallbacks({}, {});
        EXPECT_EQ(r.code, dspctl::kExitNoAmplifier);
        EXPECT_NE(r.err.find("Cut off: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("The amplifier was disconnected.\n"), std::string::npos) << r.err;
        EXPECT_GE(unpluggedAt, 0);
        EXPECT_LT(mClock.NowMs() - unpluggedAt, dsplink::kReplyTimeoutMs);
        amp->PlugIn();
        return r;
    }
};

TEST_F(DspctlFaults, ABackupSavesTheSameFileDespiteOneBadAnswer) {
    auto clean = Amplifier();
    ASSERT_EQ(Tool(clean, {"backup", PathOf("clean.wpf").c_str()}).code, 0);
    const std::string reference = Text(PathOf("clean.wpf"));
    const uint64_t answers = clean->Answers();
    // The handshake, inside the first stored scene, the return to the live set, the last read.
    for (const uint64_t at : {uint64_t{0}, uint64_t{60}, answers - 163, answers - 1}) {
        for (const ReplyFault fault : {ReplyFault::Drop, ReplyFault::Corrupt, ReplyFault::Split}) {
            SCOPED_TRACE(testing::Message()
                         << "answer " << at << " fault " << static_cast<int>(fault));
            auto amp = Amplifier();
            amp->FaultAnswer(static_cast<int>(at), fault);
            const Result r = Tool(amp, {"backup", PathOf("faulty.wpf").c_str()});
            ASSERT_EQ(r.code, 0) << r.err;
            EXPECT_TRUE(Text(PathOf("faulty.wpf")) == reference);
        }
    }
}

TEST_F(DspctlFaults, ABackupCutOffSavesNothingAndWorksOncePluggedBackIn) {
    auto clean = Amplifier();
    ASSERT_EQ(Tool(clean, {"backup", PathOf("clean.wpf").c_str()}).code, 0);
    const std::string reference = Text(PathOf("clean.wpf"));
    const uint64_t answers = clean->Answers();
    // The previous backup, of another device, stays as it was.
    const std::string path = PathOf("backup.wpf");
    ASSERT_EQ(Tool(std::make_shared<sim::VirtualAmplifier>(), {"backup", path.c_str()}).code, 0);
    const std::string previous = Text(path);
    for (const uint64_t at : {uint64_t{1}, answers / 2, answers - 1}) {
        SCOPED_TRACE(at);
        auto amp = Amplifier();
        const Result cut = Unplugged(amp, at, {"backup", path.c_str()});
        EXPECT_NE(cut.err.find("nothing was saved and " + path + " is as it was"),
                  std::string::npos)
            << cut.err;
        EXPECT_EQ(cut.out.find("Saved"), std::string::npos);
        EXPECT_TRUE(Text(path) == previous);

        const Result again = Tool(amp, {"backup", PathOf("again.wpf").c_str()});
        ASSERT_EQ(again.code, 0) << again.err;
        EXPECT_TRUE(Text(PathOf("again.wpf")) == reference);
    }

    // An amplifier that stops answering: the read that failed is named.
    auto silent = Amplifier();
    for (int k = 0; k < dsplink::kRequestAttempts; ++k) {
        silent->FaultAnswer(20 + k, ReplyFault::Drop);  // an EQ read of stored scene 1
    }
    const Result mute = Tool(silent, {"backup", path.c_str()});
    EXPECT_EQ(mute.code, dspctl::kExitNoAmplifier);
    EXPECT_NE(mute.err.find("No answer after 3 tries: DSP_EQ_CH read 01 00 "), std::string::npos)
        << mute.err;
    EXPECT_EQ(mute.err.find("disconnected"), std::string::npos) << mute.err;
    EXPECT_TRUE(Text(path) == previous);
}

TEST_F(DspctlFaults, ADumpNamesTheReadsThatFailed) {
    auto clean = Amplifier();
    const Result reference = Tool(clean, {"dump"});
    ASSERT_EQ(reference.code, 0);
    const uint64_t answers = clean->Answers();

    auto amp = Amplifier();
    // Every try of the first read after the handshake.
    for (int k = 1; k <= dsplink::kRequestAttempts; ++k) {
        amp->FaultAnswer(k, ReplyFault::Drop);
    }
    const Result silent = Tool(amp, {"dump"});
    EXPECT_EQ(silent.code, dspctl::kExitNoAmplifier);
    EXPECT_NE(silent.err.find("No answer after 3 tries: DSP_SOURCE_SWITCH read\n"),
              std::string::npos)
        << silent.err;
    EXPECT_NE(silent.err.find("1 of the reads got no answer; the dump is incomplete."),
              std::string::npos)
        << silent.err;

    for (const uint64_t at : {uint64_t{0}, answers / 2, answers - 1}) {
        SCOPED_TRACE(at);
        auto device = Amplifier();
        const Result cut = Unplugged(device, at, {"dump"});
        EXPECT_NE(cut.err.find(at == 0 ? "did not answer the handshake" : "the dump is incomplete"),
                  std::string::npos)
            << cut.err;
        EXPECT_EQ(cut.out.find("1245"), std::string::npos) << "the disconnect is not a reply";
        const Result again = Tool(device, {"dump"});
        ASSERT_EQ(again.code, 0) << again.err;
        EXPECT_TRUE(again.out == reference.out);
    }
}

TEST_F(DspctlFaults, ARestoreStopsAtTheFirstCommandNotTakenAndSaysHowFar) {
    auto source = Amplifier();
    ASSERT_EQ(Tool(source, {"backup", PathOf("all.wpf").c_str()}).code, 0);
    auto clean = std::make_shared<sim::VirtualAmplifier>();
    const Result whole = Tool(clean, {"restore", PathOf("all.wpf").c_str()});
    ASSERT_EQ(whole.code, 0) << whole.err;
    const uint64_t answers = clean->Answers();
    const sim::DeviceState restored = clean->Snapshot();

    // One bad answer: the whole profile still arrives.
    for (const ReplyFault fault : {ReplyFault::Drop, ReplyFault::Corrupt, ReplyFault::Split}) {
        SCOPED_TRACE(static_cast<int>(fault));
        auto amp = std::make_shared<sim::VirtualAmplifier>();
        amp->FaultAnswer(static_cast<int>(answers / 3), fault);
        const Result r = Tool(amp, {"restore", PathOf("all.wpf").c_str()});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.out.find("Sent the live set (100%)"), std::string::npos);
        EXPECT_EQ(amp->Snapshot(), restored);
    }

    // Cut off halfway through the third of eleven sets, and in the last command of all.
    auto third = std::make_shared<sim::VirtualAmplifier>();
    const Result cut =
        Unplugged(third, (answers - 1) * 5 / 22, {"restore", PathOf("all.wpf").c_str()});
    EXPECT_NE(cut.out.find("Sent scene 2 of 10"), std::string::npos) << cut.out;
    EXPECT_EQ(cut.out.find("Sent scene 3 of 10"), std::string::npos) << cut.out;
    EXPECT_NE(cut.err.find("The restore stopped after 2 of 11 sets"), std::string::npos) << cut.err;
    auto last = std::make_shared<sim::VirtualAmplifier>();
    const Result end = Unplugged(last, answers - 1, {"restore", PathOf("all.wpf").c_str()});
    EXPECT_NE(end.out.find("Sent scene 10 of 10"), std::string::npos) << end.out;
    EXPECT_EQ(end.out.find("100%"), std::string::npos) << end.out;
    EXPECT_NE(end.err.find("stopped after 10 of 11 sets"), std::string::npos) << end.err;
    // Plugged back in, the same restore goes through.
    const Result again = Tool(last, {"restore", PathOf("all.wpf").c_str()});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(last->Snapshot(), restored);

    // A scene profile is one set.
    const auto live =
        profiles::LoadWholeProfile(PathOf("all.wpf"), model::ProfileRecord(), model::SceneTable());
    ASSERT_TRUE(live.Ok());
    ASSERT_FALSE(profiles::SaveToFile(PathOf("live.spf"), profiles::WriteSceneProfile(*live.live)));
    const Result scene = Unplugged(std::make_shared<sim::VirtualAmplifier>(), 200,
                                   {"restore", PathOf("live.spf").c_str()});
    EXPECT_EQ(scene.out.find("Sent the live set"), std::string::npos) << scene.out;
    EXPECT_NE(scene.err.find("stopped after 0 of 1 sets"), std::string::npos) << scene.err;
}

}  // namespace
