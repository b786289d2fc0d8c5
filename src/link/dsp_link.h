#pragma once
// DspLink: the one connection to the amplifier. It writes framed commands, reads one reply
// report per request, runs queued commands on McuCmdThread, and hands decoded replies to the
// registered targets. Operations are named as the device log names them.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/clock.h"
#include "link/command_queue.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/protocol.h"
#include "link/reply_decoders.h"
#include "link/reply_match.h"
#include "link/reply_target.h"
#include "link/transport.h"
#include "link/upgrade.h"
#include "shell/identity.h"

namespace dsplink {

// One channel's compressor as Compressor_Ctrl2 sends it.
struct CompressorChannel {
    float threshold = 0;   // dB
    int32_t attack = 0;    // ms
    uint32_t release = 0;  // ms
};

// How a request sent to the amplifier ended.
enum class RequestOutcome {
    Answered,
    Refused,       // the amplifier answered that it cannot
    NoAnswer,      // no answer of its own after every try
    Disconnected,  // the link closed before the answer came
};

// A request that did not get its answer, as the failure trace reports it.
struct RequestFailure {
    std::string request;  // DescribeRequest
    RequestOutcome outcome = RequestOutcome::NoAnswer;
    int tries = 0;  // times it was sent
};

class DspLink : private ReplyContext {
  public:
    // Called with '>' for each frame written and '<' for each frame received, wire bytes from
    // 0xAA through the checksum; valid is false for a received frame that failed its checksum.
    using FrameTrace =
        std::function<void(char direction, std::span<const uint8_t> wire, bool valid)>;
    // Called on the requesting thread for each request (sent at once or queued) that did not
    // get its answer; requests made while the link is closed are not sent and not reported.
    using FailureTrace = std::function<void(const RequestFailure& failure)>;

    DspLink(std::unique_ptr<HidTransport> transport, Clock& clock, uint8_t model = shell::kModelId,
            int channels = 12);
    ~DspLink() override;
    DspLink(const DspLink&) = delete;
    DspLink& operator=(const DspLink&) = delete;

    // Transport. A transfer that fails because the device is gone closes the link at once
    // (every waiting and queued request fails) and posts WM_DEVICE_DISCONNECT to the main
    // target; Open makes a new handle when the device is back.
    OpenResult Open();
    void CloseHIDDevice(bool notify);
    bool IsOpen() const;
    bool SendCtrlCommand(uint8_t type, uint8_t subcmd, uint8_t optype,
                         std::span<const uint8_t> payload);
    bool ReadHIDData(int timeoutMs);

    void SetAsyncMode(bool on) { mAsyncMode = on; }
    bool AsyncMode() const { return mAsyncMode; }
    // No queued command is waiting or being exchanged.
    bool QueueIdle() const { return mPending == 0; }
    // Sets a reply target (nullptr clears it). Setting the main target also sets queueIdle.
    void SetTarget(ReplyTargetId id, ReplyTarget* target);
    void SetFrameTrace(FrameTrace trace);
    void SetFailureTrace(FailureTrace trace);
    LinkState& State() override { return mState; }
    Clock& GetClock() { return mClock; }

    // Handshake.
    bool PC_Connect(uint8_t attached);
    bool Hand_Connect();

    // Audio path writes: send at once and read one reply, queue, or drop (see Issue).
    bool Source_Switch_Ctrl(int source, bool sendNow);
    bool Main_Volume_Ctrl(float volume, bool sendNow);
    bool Mute_Ctrl(int mute, bool sendNow);
    bool Filter_Ctrl(int scene, int source, int channel, int filterIndex, int type, int freq,
                     int slope, bool sendNow);
    bool EQ_Ctrl(int scene, int source, int channel, int band, int freq, float q, float gain,
                 bool sendNow);
    // Per-channel writes take one value per channel from first to last.
    bool Delay_Ctrl(int scene, int source, int first, int last, std::span<const float> delays,
                    bool sendNow);
    bool Trim_Ctrl(int scene, int source, int first, int last, std::span<const float> trims,
                   bool sendNow);
    bool Mute_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> mutes,
                      bool sendNow);
    bool Phase_Ctrl(int scene, int source, int first, int last, std::span<const int> phases,
                    bool sendNow);
    bool Mix_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> masks,
                     bool sendNow);
    bool CH_Type_Ctrl(int scene, int source, int first, int last, std::span<const int> types,
                      bool sendNow);
    bool CH_Link_Ctrl(int scene, int link, std::span<const std::pair<int, int>> pairs,
                      bool sendNow);
    bool CH_Lock_Ctrl(int scene, int lock, bool sendNow);
    bool PEQ_Reset_Ctrl(int scene, int source, std::span<const int> channels, bool sendNow);
    bool PEQ_Bypass_Ctrl(int scene, int source, int first, int last, std::span<const int> bypass,
                         bool sendNow);
    bool Input_Phase_Ctrl(int scene, int source, int first, int last, std::span<const int> phases,
                          bool sendNow);
    bool Input_Mix_Trim_Ctrl(int scene, int source, int input, int firstOutput, int lastOutput,
                             std::span<const int> trims, bool sendNow);
    bool Input_Ch_Threshold_Ctrl(int threshold, bool sendNow);
    bool Solo_Ctrl(int scene, int source, int first, int last, std::span<const int> solo,
                   bool sendNow);
    bool Set_AUTO_ON(int selector, int on, bool sendNow);
    bool Compressor_Ctrl(int scene, int source, int channel, int bypass, float noise, float ratio,
                         float knee, int attack, int release, bool sendNow);
    bool Amp_Mute_Ctrl(int mute, bool sendNow);
    bool Rem_Out_Ctrl(int rem1, int rem2, bool sendNow);
    bool Cross_Source_Mix_Ctrl(int scene, int source, int channel, int secondSource,
                               int secondChannel, int secondGain, bool sendNow);
    bool Compressor_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> on,
                            bool sendNow);
    bool Compressor_Ctrl2(int scene, int source, int first, int last,
                          std::span<const CompressorChannel> channels, bool sendNow);
    bool Spk_Ohm_Ctrl(int code, bool sendNow);
    bool Output_Bridge_Ctrl(int scene, int source, std::span<const int> flags, bool sendNow);
    bool Cross_Source_Mix_Ctrl_CS47048(int scene, int source, int secondSource, int secondChannel,
                                       int channel, bool sendNow);
    bool Noise_Gate_Ctrl(int on, bool sendNow);

    // Audio path reads: send at once and read one reply, decoded on this thread.
    bool Get_Source();
    bool Get_Main_Volume();
    bool Get_Subwoofer_Volume();
    bool Get_Mute();
    bool Get_Filter(int scene, int source, int first, int last);
    bool Get_EQ(int scene, int source, int channel, int firstBand, int lastBand);
    bool Get_Delay(int scene, int source, int first, int last);
    bool Get_Trim(int scene, int source, int first, int last);
    bool Get_Mute_Ch(int scene, int source, int first, int last);
    bool Get_Phase(int scene, int source, int first, int last);
    bool Get_Mix_Ch(int scene, int source, int firstOutput, int lastOutput);
    bool Get_CH_Type(int scene, int source, int first, int last);
    bool Get_CH_Link(int scene);
    bool Get_CH_Lock(int scene);
    bool Get_PEQ_Bypass(int scene, int source, int first, int last);
    bool Get_Input_Mix_CH_Trim(int scene, int source, int input, int firstOutput, int lastOutput);
    bool Get_Input_Threshold(int scene, int source, bool sendNow);
    bool Get_Input_Noise(int first, int last, bool sendNow);
    bool Get_Ch_Solo(int scene, int source, int first, int last);
    bool Get_Speaker_Config();
    bool Get_Amp_Mute();
    bool Get_InDistort(int scene, int source, int first, int last);
    bool Get_OutDistort(int scene, int source, int first, int last);
    bool Get_Rem_Out();
    bool Get_Spk_Ohm();
    bool Get_Ouput_Bridge(int scene, int source, int count);
    bool Get_Mix_Source2(int scene, int source, int channel);
    bool Get_Noise_Gate();

    // MCU settings.
    bool Set_Acc(int delay, bool sendNow);
    bool Get_Acc();
    bool Set_Power_Off_Time(int ms, bool sendNow);
    bool MCU_Factory_Reset_Ctrl();

    // Scenes in flash.
    bool SaveScene(int scene, int immediately);
    bool ReadScene(int fromScene, int toScene);
    bool DeleteScene(int scene);
    // At most 16 name bytes are sent.
    bool SetSceneName(int scene, std::span<const uint8_t> name);
    bool Get_Scene_Name(int scene);
    bool Get_Scene_Id();
    bool Get_Scene_Valid();

    // Room calibration.
    bool IRC_Ctrl(int on, int ircch, int irc_eqmode, bool sendNow);
    bool IRC_Get();
    bool IRC_Get_Distance(int first, int last);
    bool IRC_Get_EQ(int channel, int firstBand, int lastBand);
    bool IRC_Get_Spectrum(int channel, int firstBand, int lastBand);
    bool IRC_Sel_Test_Module(int module, bool sendNow);
    bool IRC_Active_Bypass_Ctrl(int selector, int bypass, bool sendNow);

    // Speaker auto-configuration and DSP memory.
    static constexpr size_t kAutoSettingSize = 52;
    bool CS_Auto_Setting_Ctrl(std::span<const uint8_t, kAutoSettingSize> record);
    bool Set_MemData(uint32_t address, uint32_t data, bool sendNow);
    bool Get_MemData(uint32_t address);

    // Firmware upgrade: one image at a time, with queued mode off and the queue idle.
    // UpgradeStart checks the image at `path` and brings the amplifier into upgrade mode
    // (an UpgradeResult); then UpgradeStep is called until it returns kUpgradeStepFinished or
    // kUpgradeStepFailed, each call giving the percentage sent so far.
    int UpgradeStart(const std::string& path);
    int UpgradeStep();

    // Karaoke effects.
    bool KTV_Mic_Vol_Ctrl(int value, bool sendNow);
    bool KTV_Music_Vol_Ctrl(int value, bool sendNow);
    bool KTV_Howling_Ctrl(int value, bool sendNow);
    bool KTV_Echo_Level_Ctrl(int value, bool sendNow);
    bool KTV_Echo_Delay_Ctrl(int value, bool sendNow);
    bool KTV_Reverb_Level_Ctrl(int value, bool sendNow);
    bool KTV_Reverb_Time_Ctrl(int value, bool sendNow);
    bool KTV_Voice_Changer_Ctrl(int value, bool sendNow);
    bool KTV_Bass_Gain_Ctrl(int value, bool sendNow);
    bool KTV_Treble_Gain_Ctrl(int value, bool sendNow);

  private:
    struct Waiter;

    // The common shape of an operation: with sendNow, exchange it here (true when it got its
    // answer); else queue when asyncMode is on (true), or drop (false).
    bool Issue(uint8_t type, uint8_t subcmd, uint8_t optype, Payload payload, bool sendNow,
               int timeoutMs = kReplyTimeoutMs, int attempts = kRequestAttempts);
    bool Request(uint8_t type, uint8_t subcmd, uint8_t optype, Payload payload,
                 int timeoutMs = kReplyTimeoutMs, int attempts = kRequestAttempts) {
        return Issue(type, subcmd, optype, std::move(payload), true, timeoutMs, attempts);
    }
    // Writes the request and reads until its own answer arrives, up to `attempts` times within
    // timeoutMs in all.
    RequestOutcome Exchange(const QueuedCommand& request, int timeoutMs, int attempts);
    // Reads at most one report within timeoutMs and parses it; returns early once `waiter`
    // (may be null) has its answer or a damaged frame. True when bytes arrived.
    // With `bytes`, the report read is copied there.
    bool ReadReport(int timeoutMs, const Waiter* waiter, std::vector<uint8_t>* bytes = nullptr);
    // After a failed transfer, under mIoLock: whether the device itself is gone.
    bool TransportLostLocked();
    // Closes a device that is gone and reports it; once, however many threads notice.
    void DropLostDevice();
    // Closes the handle and logs the line; false when it was closed already.
    bool ReleaseHandle(const char* logLine);
    bool ClaimWrite();
    void McuCmdThread();
    void OnFrame(const FrameView& frame, bool valid, std::span<const uint8_t> wire);
    void packet_process(const FrameView& frame);
    void Post(ReplyTargetId target, LinkMessage message) override;

    // Firmware upgrade (upgrade.cpp). The checks return an UpgradeResult.
    int MCUUpgParsingFile(const std::string& path);
    int MCUUpgBLParsingFile(const std::string& path);
    int CopyFileToBuffer(const std::string& path, UpgradeTarget target);
    int FlashUpgParsingFile(const std::string& path);
    // Sends the start and reads its acknowledgement; UPG_START_FAIL when it was refused.
    int SendUpgradeStart();
    // The steps: send the next block or the finish, read an acknowledgement, end the upgrade.
    int SendUpgradeBlock();
    int ReadUpgradeAck();
    int EndUpgrade();
    int UpgradeProgress() const;
    // Frees the buffers and leaves no upgrade running.
    void AbandonUpgrade();
    // An OP_ACK of CMD_MCU or CMD_FLASH, read on whichever thread reads.
    void OnUpgradeAck(const FrameView& frame);

    std::unique_ptr<HidTransport> mTransport;
    Clock& mClock;
    LinkState mState;
    FrameParser mParser;

    // Guards transport calls so that a close never runs inside a write or a read.
    mutable std::mutex mIoLock;
    std::atomic<bool> mOpen{false};
    std::atomic<bool> WRITE_ROPRT{false};
    std::atomic<bool> mAsyncMode{false};
    std::atomic<int> mPending{0};
    std::atomic<bool> mThreadRunning{true};
    std::atomic<uint32_t> mReadRequestCount{0};
    std::atomic<int> mHandleId{0};
    // Reads are one at a time by the controller's rule; this keeps the parser safe regardless.
    std::mutex mParserLock;
    // Requests waiting for their answers, guarded by mParserLock.
    std::vector<Waiter*> mWaiters;

    std::mutex mTargetLock;
    std::array<ReplyTarget*, kReplyTargetCount> mTargets{};
    std::mutex mTraceLock;
    FrameTrace mTrace;
    FailureTrace mFailureTrace;

    // Firmware upgrade: touched by the thread that runs it, apart from the atomics, which the
    // acknowledgements update.
    std::atomic<UpgradeTarget> upgradeTarget{UPG_TARGET_NONE};
    int mUpgReadPhase = 0;
    // MCU and bootloader body, sent from the end backwards.
    std::vector<uint8_t> mUpgImage;
    size_t mUpgImageTotal = 0;
    size_t mUpgImageRemaining = 0;
    // DSP flash body, sent forwards.
    std::vector<uint8_t> mUpgDspImage;
    size_t mUpgDspTotal = 0;
    size_t mUpgDspSent = 0;
    std::array<uint8_t, 4> mUpgStartParams{};
    // When the start or the last block went out, or its last acknowledgement came.
    std::atomic<int64_t> mUpgAckWaitSince{0};
    int mUpgEmptyReads = 0;

    CommandQueue mQueue;
    std::thread mWorker;
};

}  // namespace dsplink
