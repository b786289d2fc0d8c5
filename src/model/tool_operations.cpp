#include "model/tool_operations.h"

#include <QMetaObject>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <string>

#include "link/reply_records.h"
#include "shell/run_log.h"

namespace model {

namespace {

constexpr size_t kSwitchOffset = 1;
constexpr size_t kFactorOffset = 12;
constexpr size_t kChoiceOffset = 48;
constexpr float kDefaultFactor = 1.0f;
constexpr std::array<uint8_t, AUTO_CHOICES> kDefaultChoices = {0, 5, 5, 5};

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<int> ParseUnitInteger(std::string_view text, std::string_view unit,
                                    std::string_view offText, int offValue) {
    text = Trimmed(text);
    if (!offText.empty() && SameIgnoringCase(text, Trimmed(offText))) {
        return offValue;
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        // Saturates: a long run of digits is far outside every range anyway.
        value = std::min(value * 10 + (text[digits] - '0'), 1'000'000'000LL);
    }
    if (digits == 0) {
        return std::nullopt;
    }
    const std::string_view rest = Trimmed(text.substr(digits));
    // The unit may be written in full or cut short ("dB" for "dBu").
    if (!rest.empty() &&
        !(rest.size() <= unit.size() && SameIgnoringCase(rest, unit.substr(0, rest.size())))) {
        return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

uint32_t ParseMemNumber(std::string_view text) {
    text = Trimmed(text);
    uint32_t base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == '0') {
        base = 8;
    }
    uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || static_cast<uint32_t>(digit) >= base) {
            break;
        }
        value = value * base + static_cast<uint32_t>(digit);
    }
    return value;
}

// Runs on the reading thread: copies what the manager's thread needs and hands it over.
class ToolOperations::Receiver : public dsplink::ReplyTarget {
  public:
    explicit Receiver(ToolOperations& owner) : mOwner(owner) {}

    void Post(dsplink::LinkMessage message) override {
        ToolOperations* owner = &mOwner;
        if (message.message == dsplink::WM_READ_DSP_VALUE) {
            const auto* r = dynamic_cast<const dsplink::InputNoiseRecord*>(message.record.get());
            if (r == nullptr) {
                return;
            }
            const dsplink::InputNoiseRecord copy = *r;
            QMetaObject::invokeMethod(
                &mOwner.mContext, [owner, copy] { owner->OnNoise(copy); }, Qt::QueuedConnection);
        } else if (message.message == dsplink::WM_READ_MEM_VALUE) {
            const auto* r = dynamic_cast<const dsplink::MemDataRecord*>(message.record.get());
            if (r == nullptr) {
                return;
            }
            MemWord word;
            for (int i = 3; i >= 0; --i) {
                word.address = (word.address << 8) | r->bytes[static_cast<size_t>(i)];
                word.data = (word.data << 8) | r->bytes[static_cast<size_t>(i + 4)];
            }
            QMetaObject::invokeMethod(
                &mOwner.mContext, [owner, word] { owner->OnMemWord(word); }, Qt::QueuedConnection);
        }
    }

  private:
    ToolOperations& mOwner;
};

ToolOperations::ToolOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes)
    : mLive(live), mLink(link), mChanges(changes), mReceiver(std::make_unique<Receiver>(*this)) {
    mNoise.fill(NOISE_FLOOR);
    // Until the user sets it, the record is what a restore would make of it.
    for (int i = 0; i < AUTO_SWITCHES; ++i) {
        mAuto[kSwitchOffset + static_cast<size_t>(i)] = 1;
    }
    for (int i = 0; i < AUTO_FACTORS; ++i) {
        PutFactor(i, kDefaultFactor);
    }
    std::copy(kDefaultChoices.begin(), kDefaultChoices.end(), mAuto.begin() + kChoiceOffset);
    mLink.SetTarget(dsplink::ReplyTargetId::Noise, mReceiver.get());
    mLink.SetTarget(dsplink::ReplyTargetId::Memory, mReceiver.get());
}

ToolOperations::~ToolOperations() {
    // Waits for a post in progress: none reaches the receiver after this.
    mLink.SetTarget(dsplink::ReplyTargetId::Noise, nullptr);
    mLink.SetTarget(dsplink::ReplyTargetId::Memory, nullptr);
}

void ToolOperations::Tell(ChangeKind kind) {
    mChanges.Publish({.kind = kind});
}

// ---- threshold ----

int ToolOperations::InputThreshold() const {
    // A reply may carry any signed byte; the window shows it within the range.
    return std::clamp(mLive.inputThreshold, MIN_INPUT_THRESHOLD, MAX_INPUT_THRESHOLD);
}

void ToolOperations::SetInputThreshold(int dB) {
    const int value = std::clamp(dB, MIN_INPUT_THRESHOLD, MAX_INPUT_THRESHOLD);
    runlog::Log("SetInputThreshold %d\n", value);
    if (value == mLive.inputThreshold) {
        return;
    }
    mLive.inputThreshold = value;
    Tell(ChangeKind::Threshold);
    mLink.Input_Ch_Threshold_Ctrl(value, false);
}

bool ToolOperations::SetInputThresholdEdit(std::string_view text, std::string_view offText) {
    const std::optional<int> typed = ParseUnitInteger(text, "dBu", offText, MIN_INPUT_THRESHOLD);
    if (!typed) {
        return false;
    }
    SetInputThreshold(*typed);
    return true;
}

void ToolOperations::StepInputThreshold(bool up) {
    SetInputThreshold(InputThreshold() + (up ? 1 : -1));
}

// ---- power-off delay ----

int ToolOperations::PowerOffDelay() const {
    return std::clamp(mLive.powerOffDelay, MIN_POWER_OFF_DELAY, MAX_POWER_OFF_DELAY);
}

void ToolOperations::SetPowerOffDelay(int ms) {
    const int value = std::clamp(ms, MIN_POWER_OFF_DELAY, MAX_POWER_OFF_DELAY);
    runlog::Log("SetPowerOffDelay %d\n", value);
    if (value == mLive.powerOffDelay) {
        return;
    }
    mLive.powerOffDelay = value;
    Tell(ChangeKind::PowerOffDelay);
    mLink.Set_Power_Off_Time(value, false);
}

bool ToolOperations::SetPowerOffDelayEdit(std::string_view text) {
    const std::optional<int> typed = ParseUnitInteger(text, "ms");
    if (!typed) {
        return false;
    }
    SetPowerOffDelay(*typed);
    return true;
}

void ToolOperations::StepPowerOffDelay(bool up) {
    SetPowerOffDelay(PowerOffDelay() + (up ? 1 : -1));
}

// ---- meters ----

bool ToolOperations::PollInputNoise(int count) {
    if (count <= 0 || !mLink.IsOpen()) {
        return false;
    }
    return mLink.Get_Input_Noise(0, std::min(count, NOISE_INPUTS) - 1, false);
}

float ToolOperations::InputNoise(int input) const {
    if (input < 0 || input >= NOISE_INPUTS) {
        return NOISE_FLOOR;
    }
    return mNoise[static_cast<size_t>(input)];
}

void ToolOperations::ResetInputNoise() {
    mNoise.fill(NOISE_FLOOR);
}

void ToolOperations::OnNoise(const dsplink::InputNoiseRecord& record) {
    const int last =
        std::min<int>(record.last, std::min<int>(NOISE_INPUTS, record.levels.size()) - 1);
    if (record.first < 0 || record.first > last) {
        return;
    }
    for (int in = record.first; in <= last; ++in) {
        const float level = record.levels[static_cast<size_t>(in)];
        mNoise[static_cast<size_t>(in)] = std::isfinite(level) ? level : NOISE_FLOOR;
    }
    Tell(ChangeKind::InputNoise);
}

// ---- memory ----

bool ToolOperations::ReadMemWord(uint32_t address) {
    if (!mLink.IsOpen()) {
        return false;
    }
    return mLink.Get_MemData(address);
}

bool ToolOperations::WriteMemWord(uint32_t address, uint32_t data) {
    return mLink.Set_MemData(address, data, false);
}

void ToolOperations::OnMemWord(const MemWord& word) {
    runlog::Log("mem data = addr(0x%08x), data(0x%08x)\n", word.address, word.data);
    mMemWord = word;
    Tell(ChangeKind::MemoryWord);
}

// ---- speaker auto-configuration ----

void ToolOperations::SetAutoScene(int scene) {
    mAuto[0] = static_cast<uint8_t>(std::clamp(scene, 0, 255));
}

bool ToolOperations::AutoSwitch(int index) const {
    return index >= 0 && index < AUTO_SWITCHES &&
           mAuto[kSwitchOffset + static_cast<size_t>(index)] != 0;
}

float ToolOperations::AutoFactor(int index) const {
    if (index < 0 || index >= AUTO_FACTORS) {
        return 0.0f;
    }
    uint32_t bits = 0;
    const size_t at = kFactorOffset + 4 * static_cast<size_t>(index);
    for (int i = 3; i >= 0; --i) {
        bits = (bits << 8) | mAuto[at + static_cast<size_t>(i)];
    }
    return std::bit_cast<float>(bits);
}

int ToolOperations::AutoChoice(int which) const {
    return which >= 0 && which < AUTO_CHOICES ? mAuto[kChoiceOffset + static_cast<size_t>(which)]
                                              : -1;
}

void ToolOperations::PutFactor(int index, float factor) {
    const uint32_t bits = std::bit_cast<uint32_t>(factor);
    const size_t at = kFactorOffset + 4 * static_cast<size_t>(index);
    for (size_t i = 0; i < 4; ++i) {
        mAuto[at + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

void ToolOperations::SendAutoSetting() {
    Tell(ChangeKind::AutoSetting);
    mLink.CS_Auto_Setting_Ctrl(mAuto);
}

void ToolOperations::SetAutoSwitch(int index, bool on) {
    if (index < 0 || index >= AUTO_SWITCHES) {
        return;
    }
    runlog::Log("cs auto %d seleted %d\n", index, on ? 1 : 0);
    uint8_t& b = mAuto[kSwitchOffset + static_cast<size_t>(index)];
    if (b == (on ? 1 : 0)) {
        return;
    }
    b = on ? 1 : 0;
    SendAutoSetting();
}

void ToolOperations::SetAutoFactor(int index, float factor) {
    if (index < 0 || index >= AUTO_FACTORS || !std::isfinite(factor) ||
        factor == AutoFactor(index)) {
        return;
    }
    PutFactor(index, factor);
    SendAutoSetting();
}

void ToolOperations::SetAutoChoice(int which, int item) {
    if (which < 0 || which >= AUTO_CHOICES || item < 0 || item > 255) {
        return;
    }
    uint8_t& b = mAuto[kChoiceOffset + static_cast<size_t>(which)];
    if (b == item) {
        return;
    }
    b = static_cast<uint8_t>(item);
    SendAutoSetting();
}

void ToolOperations::RestoreAutoSetting() {
    runlog::Log("CSAutoWnd::RestoreCSAuto\n");
    for (int i = 0; i < AUTO_SWITCHES; ++i) {
        mAuto[kSwitchOffset + static_cast<size_t>(i)] = 1;
    }
    for (int i = 0; i < AUTO_FACTORS; ++i) {
        PutFactor(i, kDefaultFactor);
    }
    std::copy(kDefaultChoices.begin(), kDefaultChoices.end(), mAuto.begin() + kChoiceOffset);
    // Sent even when nothing differs: the user asked the amplifier to take the defaults.
    SendAutoSetting();
}

}  // namespace model
