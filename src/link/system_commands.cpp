// Operations outside the audio path: MCU settings, scenes in flash, room calibration, the
// speaker auto-configuration record, raw DSP memory and the karaoke effects.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "link/command_payloads.h"
#include "link/dsp_link.h"
#include "link/encoding.h"
#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink {
namespace {

using payloads::Bytes;

// The device keeps 16 name bytes per scene.
constexpr size_t kSceneNameBytes = 16;

}  // namespace

// ---- MCU settings ----

bool DspLink::Set_Acc(int delay, bool sendNow) {
    runlog::Log("Set_Acc delay:%d\n", delay);
    return Issue(CMD_MCU, MCU_ACC, OP_WRITE, Bytes({delay}), sendNow);
}

bool DspLink::Get_Acc() {
    runlog::Log("Get_Acc\n");
    return Request(CMD_MCU, MCU_ACC, OP_READ, {});
}

bool DspLink::Set_Power_Off_Time(int ms, bool sendNow) {
    runlog::Log("Set_Power_Off_Time = %dms\n", ms);
    return Issue(CMD_MCU, MCU_POWER_OFF_TIME, OP_WRITE,
                 PayloadWriter().U16(static_cast<uint32_t>(ms)).Take(), sendNow);
}

bool DspLink::MCU_Factory_Reset_Ctrl() {
    runlog::Log("MCU_Factory_Reset_Ctrl\n");
    // The MCU answers only once the restore is done; written again, it would start over.
    return Request(CMD_MCU, MCU_FACTORY_RESET, OP_WRITE, {}, kFactoryResetTimeoutMs, 1);
}

// ---- Scenes in flash ----

bool DspLink::SaveScene(int scene, int immediately) {
    runlog::Log("SaveScene scene(%d) immediately=%d\n", scene, immediately);
    return Request(CMD_FLASH, FLASH_SCENE_SAVE, OP_WRITE, Bytes({scene, immediately}),
                   kSceneTimeoutMs);
}

bool DspLink::ReadScene(int fromScene, int toScene) {
    runlog::Log("ReadScene from scene(%d) to scene(%d)\n", fromScene, toScene);
    return Request(CMD_FLASH, FLASH_SCENE_READ, OP_WRITE, Bytes({fromScene, toScene}),
                   kSceneTimeoutMs);
}

bool DspLink::DeleteScene(int scene) {
    runlog::Log("DeleteScene scene(%d)\n", scene);
    return Request(CMD_FLASH, FLASH_SCENE_DELETE, OP_WRITE, Bytes({scene}), kSceneTimeoutMs);
}

bool DspLink::SetSceneName(int scene, std::span<const uint8_t> name) {
    const auto sent = name.first(std::min(name.size(), kSceneNameBytes));
    const std::string text(sent.begin(), sent.end());
    runlog::Log("SetSceneName scene(%d), len(%d), (name)%s\n", scene, static_cast<int>(sent.size()),
                text.c_str());
    PayloadWriter w;
    w.Byte(scene).Byte(static_cast<int>(sent.size())).Bytes(sent);
    return Request(CMD_FLASH, FLASH_SCENE_NAME, OP_WRITE, w.Take());
}

bool DspLink::Get_Scene_Name(int scene) {
    runlog::Log("Get_Scene_Name scene(%d)\n", scene);
    return Request(CMD_FLASH, FLASH_SCENE_NAME, OP_READ, Bytes({scene}));
}

bool DspLink::Get_Scene_Id() {
    runlog::Log("Get_Scene_Id\n");
    return Request(CMD_FLASH, FLASH_SCENE_ID, OP_READ, {});
}

bool DspLink::Get_Scene_Valid() {
    runlog::Log("Get_Scene_Valid\n");
    return Request(CMD_FLASH, FLASH_SCENE_VALID, OP_READ, {});
}

// ---- Room calibration ----

bool DspLink::IRC_Ctrl(int on, int ircch, int irc_eqmode, bool sendNow) {
    runlog::Log("IRC_Ctrl: on(%d), ircch=0x%x, irc_eqmode = %d, syncMode(%d)\n", on,
                static_cast<unsigned>(ircch), irc_eqmode, sendNow ? 1 : 0);
    PayloadWriter w;
    w.Byte(on).U16(static_cast<uint32_t>(ircch)).Byte(irc_eqmode);
    return Issue(CMD_DSP, DSP_IRC_CTRL, OP_WRITE, w.Take(), sendNow);
}

bool DspLink::IRC_Get() {
    runlog::Log("IRC_Get\n");
    return Request(CMD_DSP, DSP_IRC_CTRL, OP_READ, {});
}

bool DspLink::IRC_Get_Distance(int first, int last) {
    runlog::Log("IRC_Get_Distance from ch(%d) to ch_end(%d)\n", first, last);
    return Request(CMD_DSP, DSP_IRC_DISTANCE, OP_READ, Bytes({first, last}));
}

bool DspLink::IRC_Get_EQ(int channel, int firstBand, int lastBand) {
    runlog::Log("IRC_Get_EQ: from band(%d) to band_end(%d) @channel(%d)\n", firstBand, lastBand,
                channel);
    return Request(CMD_DSP, DSP_IRC_EQ, OP_READ, Bytes({channel, firstBand, lastBand}));
}

bool DspLink::IRC_Get_Spectrum(int channel, int firstBand, int lastBand) {
    runlog::Log("IRC_Get_Spectrum: from band(%d) to band_end(%d) @channel(%d)\n", firstBand,
                lastBand, channel);
    return Request(CMD_DSP, DSP_IRC_SPECTRUM, OP_READ, Bytes({channel, firstBand, lastBand}));
}

bool DspLink::IRC_Sel_Test_Module(int module, bool sendNow) {
    runlog::Log("IRC_Sel_Test_Module: Module(0x%x), syncMode(%d)\n", static_cast<unsigned>(module),
                sendNow ? 1 : 0);
    return Issue(CMD_DSP, DSP_IRC_SEL_TEST_MODULE, OP_WRITE, Bytes({module}), sendNow);
}

bool DspLink::IRC_Active_Bypass_Ctrl(int selector, int bypass, bool sendNow) {
    runlog::Log("IRC_Active_Bypass_Ctrl: selector(%d), bypass(%d), syncMode(%d)\n", selector,
                bypass, sendNow ? 1 : 0);
    return Issue(CMD_DSP, DSP_IRC_ACTIVE_BYPASS_CONTROL, OP_WRITE, Bytes({selector, bypass}),
                 sendNow);
}

// ---- Speaker auto-configuration and DSP memory ----

bool DspLink::CS_Auto_Setting_Ctrl(std::span<const uint8_t, kAutoSettingSize> record) {
    runlog::Log("CS_Auto_Setting_Ctrl: len(%d)\n", static_cast<int>(record.size()));
    // Only ever queued: the window sends it while the UI is live and never waits for the reply.
    return Issue(CMD_DSP, DSP_CS_AUTO_SETTING, OP_WRITE, Payload(record.begin(), record.end()),
                 false);
}

bool DspLink::Set_MemData(uint32_t address, uint32_t data, bool sendNow) {
    runlog::Log("Set_MemData: addr(0x%08x), data(0x%08x)\n", address, data);
    return Issue(CMD_DSP, DSP_MEM_DATA, OP_WRITE, PayloadWriter().U32Le(address).U32Le(data).Take(),
                 sendNow);
}

bool DspLink::Get_MemData(uint32_t address) {
    Payload payload = PayloadWriter().U32Le(address).U32Le(0).Take();
    runlog::Log("Get_MemData: addr(0x%08x), data(0x%08x)\n", address, 0u);
    runlog::Log("addr %02x, %02x, %02x, %02x\n", payload[0], payload[1], payload[2], payload[3]);
    runlog::Log("data %02x, %02x, %02x, %02x\n", payload[4], payload[5], payload[6], payload[7]);
    return Request(CMD_DSP, DSP_MEM_DATA, OP_READ, std::move(payload));
}

// ---- Karaoke effects (no log lines of their own) ----

bool DspLink::KTV_Mic_Vol_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_MIC_VOL, OP_WRITE, Bytes({value}), sendNow);
}

bool DspLink::KTV_Music_Vol_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_MUSIC_VOL, OP_WRITE, Bytes({value}), sendNow);
}

bool DspLink::KTV_Howling_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_HOWLING, OP_WRITE, Bytes({value}), sendNow);
}

bool DspLink::KTV_Echo_Level_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_ECHO_LEVEL, OP_WRITE, Bytes({value}), sendNow);
}

bool DspLink::KTV_Echo_Delay_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_ECHO_DELAY, OP_WRITE,
                 PayloadWriter().U16(static_cast<uint32_t>(value)).Take(), sendNow);
}

bool DspLink::KTV_Reverb_Level_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_REVERB_LEVEL, OP_WRITE, Bytes({value}), sendNow);
}

bool DspLink::KTV_Reverb_Time_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_REVERB_TIME, OP_WRITE, Bytes({value}), sendNow);
}

bool DspLink::KTV_Voice_Changer_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_VOICE_CHANGER, OP_WRITE, Bytes({value}), sendNow);
}

bool DspLink::KTV_Bass_Gain_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_BASS_GAIN, OP_WRITE, Bytes({value}), sendNow);
}

bool DspLink::KTV_Treble_Gain_Ctrl(int value, bool sendNow) {
    return Issue(CMD_KTV, KTV_TREBLE_GAIN, OP_WRITE, Bytes({value}), sendNow);
}

}  // namespace dsplink
