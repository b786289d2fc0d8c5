#pragma once
// The settings and service reads of the small tool windows: the input noise threshold, the
// power-off delay, the input noise meters, DSP memory words and the speaker auto-configuration
// record. Each edit clamps, stores, tells the windows, then sends queued (dropped while not
// connected); a value that does not change sends nothing. Meter and memory replies arrive on
// the reading thread and are handed to the manager's thread. Runs on the manager's thread.

#include <QObject>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "link/dsp_link.h"
#include "link/reply_target.h"
#include "model/model_changes.h"
#include "model/profile_record.h"

namespace dsplink {
struct InputNoiseRecord;
}  // namespace dsplink

namespace model {

// The threshold's lowest step means "off" and is shown as "${off}".
inline constexpr int MIN_INPUT_THRESHOLD = -81;
inline constexpr int MAX_INPUT_THRESHOLD = -40;
inline constexpr int MIN_POWER_OFF_DELAY = 0;
inline constexpr int MAX_POWER_OFF_DELAY = 1000;
// What a meter shows before the amplifier reported a level (dB).
inline constexpr float NOISE_FLOOR = -100.0f;
// Inputs a noise reply can name.
inline constexpr int NOISE_INPUTS = 16;
inline constexpr size_t AUTO_SETTING_SIZE = dsplink::DspLink::kAutoSettingSize;
inline constexpr int AUTO_SWITCHES = 11;
inline constexpr int AUTO_FACTORS = 9;
// The four list choices: mode, front, surround, subwoofer.
inline constexpr int AUTO_CHOICES = 4;

// A typed whole number with an optional unit ("-52", "-52dBu", " -52 dB "); offText (the
// resolved "${off}") reads as offValue. Anything else is not a number.
std::optional<int> ParseUnitInteger(std::string_view text, std::string_view unit,
                                    std::string_view offText = {}, int offValue = 0);
// The memory window's numbers: "0x"/"0X" hexadecimal, a leading "0" octal, else decimal; the
// longest run of digits of that base counts, wrapped to 32 bits; no digits reads as 0.
uint32_t ParseMemNumber(std::string_view text);

struct MemWord {
    uint32_t address = 0;
    uint32_t data = 0;
};

class ToolOperations {
  public:
    ToolOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes);
    ~ToolOperations();
    ToolOperations(const ToolOperations&) = delete;
    ToolOperations& operator=(const ToolOperations&) = delete;

    bool Connected() const { return mLink.IsOpen(); }

    // ---- input noise threshold (dB) ----
    int InputThreshold() const;
    void SetInputThreshold(int dB);
    // False when the text is not a number: nothing changes.
    bool SetInputThresholdEdit(std::string_view text, std::string_view offText);
    void StepInputThreshold(bool up);

    // ---- power-off delay (ms) ----
    int PowerOffDelay() const;
    void SetPowerOffDelay(int ms);
    bool SetPowerOffDelayEdit(std::string_view text);
    void StepPowerOffDelay(bool up);

    // ---- noise meters ----
    // Asks for the levels of inputs 0..count-1; false when nothing was queued.
    bool PollInputNoise(int count);
    // The last level of an input; NOISE_FLOOR before any reply and outside 0..15.
    float InputNoise(int input) const;
    void ResetInputNoise();

    // ---- DSP memory ----
    // Sent at once; false when not connected or unanswered. The reply comes as MemoryWord.
    bool ReadMemWord(uint32_t address);
    // Queued; false when it could not be queued.
    bool WriteMemWord(uint32_t address, uint32_t data);
    std::optional<MemWord> LastMemWord() const { return mMemWord; }

    // ---- speaker auto-configuration ----
    const std::array<uint8_t, AUTO_SETTING_SIZE>& AutoSetting() const { return mAuto; }
    // Byte 0: the scene the record is for; not sent by itself.
    void SetAutoScene(int scene);
    bool AutoSwitch(int index) const;
    float AutoFactor(int index) const;
    int AutoChoice(int which) const;
    void SetAutoSwitch(int index, bool on);
    void SetAutoFactor(int index, float factor);
    void SetAutoChoice(int which, int item);
    // All switches on, factors 1.0, mode 0, the arrangements 5; sent once.
    void RestoreAutoSetting();

  private:
    class Receiver;

    void Tell(ChangeKind kind);
    void OnNoise(const dsplink::InputNoiseRecord& record);
    void OnMemWord(const MemWord& word);
    void SendAutoSetting();
    void PutFactor(int index, float factor);

    ProfileRecord& mLive;
    dsplink::DspLink& mLink;
    ModelChanges& mChanges;
    std::array<float, NOISE_INPUTS> mNoise{};
    std::optional<MemWord> mMemWord;
    std::array<uint8_t, AUTO_SETTING_SIZE> mAuto{};
    // Replies are handed over through this object's event queue; whatever is still queued when
    // it goes is dropped with it.
    QObject mContext;
    std::unique_ptr<Receiver> mReceiver;
};

}  // namespace model
