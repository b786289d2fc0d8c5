// MCU settings, scenes, calibration, memory and karaoke operations through a real DspLink over
// the scripted transport: wire bytes, the queueing rules and each operation's time-out.

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "link/dsp_link.h"
#include "link_test_rig.h"

namespace {

using namespace link_test;
using dsplink::DspLink;

constexpr uint8_t kDsp = 1;
constexpr uint8_t kFlash = 2;
constexpr uint8_t kMcu = 3;
constexpr uint8_t kKtv = 7;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

TEST(SystemCommandsWire, McuSettingsAndScenes) {
    ExpectRows({
        {"Set_Acc", [](DspLink& l) { return l.Set_Acc(5, true); }, {kMcu, 0x92, W, {0x05}}},
        {"Get_Acc", [](DspLink& l) { return l.Get_Acc(); }, {kMcu, 0x92, R, {}}},
        {"Set_Power_Off_Time",
         [](DspLink& l) { return l.Set_Power_Off_Time(1500, true); },
         {kMcu, 0x91, W, {0x05, 0xDC}}},
        {"MCU_Factory_Reset_Ctrl",
         [](DspLink& l) { return l.MCU_Factory_Reset_Ctrl(); },
         {kMcu, 0x90, W, {}}},
        {"SaveScene",
         [](DspLink& l) { return l.SaveScene(3, 1); },
         {kFlash, 0x08, W, {0x03, 0x01}}},
        {"ReadScene",
         [](DspLink& l) { return l.ReadScene(0, 9); },
         {kFlash, 0x09, W, {0x00, 0x09}}},
        {"DeleteScene", [](DspLink& l) { return l.DeleteScene(4); }, {kFlash, 0x0A, W, {0x04}}},
        {"SetSceneName five letters",
         [](DspLink& l) { return l.SetSceneName(2, Text("Drive")); },
         {kFlash, 0x0B, W, Concat({0x02, 0x05}, Text("Drive"))}},
        {"SetSceneName empty",
         [](DspLink& l) { return l.SetSceneName(2, Bytes{}); },
         {kFlash, 0x0B, W, {0x02, 0x00}}},
        {"SetSceneName sixteen bytes",
         [](DspLink& l) { return l.SetSceneName(9, Text("ABCDEFGHIJKLMNOP")); },
         {kFlash, 0x0B, W, Concat({0x09, 0x10}, Text("ABCDEFGHIJKLMNOP"))}},
        {"SetSceneName longer name is cut to 16",
         [](DspLink& l) { return l.SetSceneName(7, Text("Evening drive, long trip")); },
         {kFlash, 0x0B, W, Concat({0x07, 0x10}, Text("Evening drive, l"))}},
        {"Get_Scene_Name",
         [](DspLink& l) { return l.Get_Scene_Name(5); },
         {kFlash, 0x0B, R, {0x05}}},
        {"Get_Scene_Id", [](DspLink& l) { return l.Get_Scene_Id(); }, {kFlash, 0x0E, R, {}}},
        {"Get_Scene_Valid", [](DspLink& l) { return l.Get_Scene_Valid(); }, {kFlash, 0x0F, R, {}}},
    });
}

TEST(SystemCommandsWire, CalibrationAndMemory) {
    ExpectRows({
        {"IRC_Ctrl",
         [](DspLink& l) { return l.IRC_Ctrl(1, 0x0FFF, 2, true); },
         {kDsp, 0x13, W, {0x01, 0x0F, 0xFF, 0x02}}},
        {"IRC_Get", [](DspLink& l) { return l.IRC_Get(); }, {kDsp, 0x13, R, {}}},
        {"IRC_Get_Distance",
         [](DspLink& l) { return l.IRC_Get_Distance(0, 11); },
         {kDsp, 0x14, R, {0x00, 0x0B}}},
        {"IRC_Get_EQ",
         [](DspLink& l) { return l.IRC_Get_EQ(3, 0, 9); },
         {kDsp, 0x16, R, {0x03, 0x00, 0x09}}},
        {"IRC_Get_Spectrum",
         [](DspLink& l) { return l.IRC_Get_Spectrum(3, 10, 19); },
         {kDsp, 0x1A, R, {0x03, 0x0A, 0x13}}},
        {"IRC_Sel_Test_Module",
         [](DspLink& l) { return l.IRC_Sel_Test_Module(0x21, true); },
         {kDsp, 0x1E, W, {0x21}}},
        {"IRC_Active_Bypass_Ctrl",
         [](DspLink& l) { return l.IRC_Active_Bypass_Ctrl(4, 1, true); },
         {kDsp, 0x3C, W, {0x04, 0x01}}},
        {"Set_MemData",
         [](DspLink& l) { return l.Set_MemData(0x1234, 1, true); },
         {kDsp, 0x42, W, {0x34, 0x12, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}}},
        {"Set_MemData full words",
         [](DspLink& l) { return l.Set_MemData(0xDEADBEEF, 0x01020304, true); },
         {kDsp, 0x42, W, {0xEF, 0xBE, 0xAD, 0xDE, 0x04, 0x03, 0x02, 0x01}}},
        {"Get_MemData",
         [](DspLink& l) { return l.Get_MemData(0x89ABCDEF); },
         {kDsp, 0x42, R, {0xEF, 0xCD, 0xAB, 0x89, 0x00, 0x00, 0x00, 0x00}}},
    });
}

// A karaoke effect write of one value, sent at once.
Row KtvWrite(const char* name, bool (DspLink::*op)(int, bool), int value, uint8_t subcmd,
             Bytes payload) {
    return {name,
            [op, value](DspLink& l) { return (l.*op)(value, true); },
            {kKtv, subcmd, W, std::move(payload)}};
}

TEST(SystemCommandsWire, Karaoke) {
    ExpectRows({
        KtvWrite("KTV_Mic_Vol_Ctrl", &DspLink::KTV_Mic_Vol_Ctrl, 15, 0x01, {0x0F}),
        KtvWrite("KTV_Music_Vol_Ctrl", &DspLink::KTV_Music_Vol_Ctrl, 30, 0x02, {0x1E}),
        KtvWrite("KTV_Howling_Ctrl", &DspLink::KTV_Howling_Ctrl, 2, 0x03, {0x02}),
        KtvWrite("KTV_Echo_Level_Ctrl", &DspLink::KTV_Echo_Level_Ctrl, 40, 0x04, {0x28}),
        KtvWrite("KTV_Echo_Delay_Ctrl u16", &DspLink::KTV_Echo_Delay_Ctrl, 300, 0x05, {0x01, 0x2C}),
        KtvWrite("KTV_Reverb_Level_Ctrl", &DspLink::KTV_Reverb_Level_Ctrl, 50, 0x06, {0x32}),
        KtvWrite("KTV_Reverb_Time_Ctrl", &DspLink::KTV_Reverb_Time_Ctrl, 7, 0x07, {0x07}),
        KtvWrite("KTV_Voice_Changer_Ctrl", &DspLink::KTV_Voice_Changer_Ctrl, 3, 0x08, {0x03}),
        KtvWrite("KTV_Bass_Gain_Ctrl signed", &DspLink::KTV_Bass_Gain_Ctrl, -6, 0x09, {0xFA}),
        KtvWrite("KTV_Treble_Gain_Ctrl signed", &DspLink::KTV_Treble_Gain_Ctrl, -12, 0x0A, {0xF4}),
    });
}

std::array<uint8_t, DspLink::kAutoSettingSize> AutoRecord() {
    std::array<uint8_t, DspLink::kAutoSettingSize> record{};
    std::iota(record.begin(), record.end(), uint8_t{0xA0});
    return record;
}

TEST(SystemCommandsQueue, AutoSettingIsOnlyEverQueued) {
    const auto record = AutoRecord();
    {
        Rig rig;
        EXPECT_FALSE(rig.link->CS_Auto_Setting_Ctrl(record));
        rig.PassTime(500);
        EXPECT_TRUE(rig.script->Written().empty());
    }
    Rig rig;
    rig.link->SetAsyncMode(true);
    EXPECT_TRUE(rig.link->CS_Auto_Setting_Ctrl(record));
    ASSERT_TRUE(rig.WaitForWrites(1));
    EXPECT_EQ(Hex(rig.script->Written()[0]),
              Hex(Report({kDsp, 0x3D, W, Bytes(record.begin(), record.end())})));
}

TEST(SystemCommandsQueue, QueueableWritesFollowAsyncMode) {
    const std::vector<std::pair<const char*, Call>> calls{
        {"Set_Acc", [](DspLink& l) { return l.Set_Acc(5, false); }},
        {"Set_Power_Off_Time", [](DspLink& l) { return l.Set_Power_Off_Time(1500, false); }},
        {"IRC_Ctrl", [](DspLink& l) { return l.IRC_Ctrl(1, 3, 0, false); }},
        {"IRC_Sel_Test_Module", [](DspLink& l) { return l.IRC_Sel_Test_Module(1, false); }},
        {"IRC_Active_Bypass_Ctrl",
         [](DspLink& l) { return l.IRC_Active_Bypass_Ctrl(0, 1, false); }},
        {"Set_MemData", [](DspLink& l) { return l.Set_MemData(1, 2, false); }},
        {"KTV_Echo_Delay_Ctrl", [](DspLink& l) { return l.KTV_Echo_Delay_Ctrl(300, false); }},
        {"KTV_Bass_Gain_Ctrl", [](DspLink& l) { return l.KTV_Bass_Gain_Ctrl(-6, false); }},
    };
    Rig off;
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(call(*off.link));
    }
    off.PassTime(500);
    EXPECT_TRUE(off.script->Written().empty());

    Rig on;
    on.link->SetAsyncMode(true);
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(call(*on.link));
    }
    ASSERT_TRUE(on.WaitForWrites(calls.size()));
    const auto written = on.script->Written();
    EXPECT_EQ(Hex(written[1]), Hex(Report({kMcu, 0x91, W, {0x05, 0xDC}})));
    EXPECT_EQ(Hex(written[7]), Hex(Report({kKtv, 0x09, W, {0xFA}})));
}

TEST(SystemCommandsQueue, ScenesAndReadsSendAtOnceInAsyncMode) {
    Rig rig;
    rig.link->SetAsyncMode(true);
    EXPECT_TRUE(rig.link->SaveScene(1, 1));
    EXPECT_TRUE(rig.link->Get_Scene_Valid());
    EXPECT_TRUE(rig.link->Get_MemData(0x10));
    // All three written by this thread before returning; nothing went through the queue.
    EXPECT_EQ(rig.script->Written().size(), 3u);
    EXPECT_TRUE(rig.link->QueueIdle());
}

TEST(SystemCommandsTimeout, EachOperationWaitsItsOwnTime) {
    struct Case {
        const char* name;
        Call call;
        int64_t timeoutMs;
        // The reset's answer only comes when it is done: writing it again would start it over.
        size_t tries = dsplink::kRequestAttempts;
    };
    const std::vector<Case> cases{
        {"SaveScene", [](DspLink& l) { return l.SaveScene(0, 1); }, 20000},
        {"ReadScene", [](DspLink& l) { return l.ReadScene(0, 0); }, 20000},
        {"DeleteScene", [](DspLink& l) { return l.DeleteScene(0); }, 20000},
        {"SetSceneName", [](DspLink& l) { return l.SetSceneName(0, Text("x")); }, 10000},
        {"Get_Scene_Name", [](DspLink& l) { return l.Get_Scene_Name(0); }, 10000},
        {"Get_Scene_Id", [](DspLink& l) { return l.Get_Scene_Id(); }, 10000},
        {"Get_Scene_Valid", [](DspLink& l) { return l.Get_Scene_Valid(); }, 10000},
        {"MCU_Factory_Reset_Ctrl", [](DspLink& l) { return l.MCU_Factory_Reset_Ctrl(); }, 30000, 1},
        {"Get_Acc", [](DspLink& l) { return l.Get_Acc(); }, 10000},
        {"IRC_Get_EQ", [](DspLink& l) { return l.IRC_Get_EQ(0, 0, 6); }, 10000},
        {"Get_MemData", [](DspLink& l) { return l.Get_MemData(0); }, 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectTimesOut(c.call, c.timeoutMs, c.tries);
    }
}

TEST(SystemCommandsLog, OperationsLogTheirLines) {
    Rig rig;
    LogCapture log("system_commands_test.log");
    rig.link->Get_MemData(0x1234);
    rig.link->SetSceneName(2, Text("Drive"));
    rig.link->Set_Power_Off_Time(1500, true);
    rig.link->SaveScene(3, 1);
    rig.link->IRC_Ctrl(1, 0xFFF, 2, true);
    log.ExpectLines({
        "Get_MemData: addr(0x00001234), data(0x00000000)\n",
        "addr 34, 12, 00, 00\n",
        "data 00, 00, 00, 00\n",
        "SetSceneName scene(2), len(5), (name)Drive\n",
        "Set_Power_Off_Time = 1500ms\n",
        "SaveScene scene(3) immediately=1\n",
        "IRC_Ctrl: on(1), ircch=0xfff, irc_eqmode = 2, syncMode(1)\n",
    });
}

}  // namespace
