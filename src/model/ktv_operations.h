#pragma once
// The karaoke (KTV) effect block: one operation per value, each clamped to the range below,
// stored in the live record, told to the windows and sent queued with its CMD_KTV write. A
// value that does not change sends nothing. Runs on the manager's thread.

#include "link/dsp_link.h"
#include "model/model_changes.h"
#include "model/profile_record.h"

namespace model {

enum class KtvValue {
    MicVolume,
    MusicVolume,
    Howling,
    EchoLevel,
    EchoDelay,
    ReverbLevel,
    ReverbTime,
    VoiceChanger,
    Bass,
    Treble,
};
inline constexpr int KTV_VALUE_COUNT = 10;

struct KtvRange {
    int min;
    int max;
};
// Within what each write carries: one unsigned byte, a u16 for the echo delay, a signed byte
// for bass and treble. The KTV layout's sliders span these ranges.
KtvRange KtvRangeOf(KtvValue value);
int KtvValueOf(const KtvSettings& ktv, KtvValue value);
// The CMD_KTV write of one value, as the operation sends it.
bool SendKtvValue(dsplink::DspLink& link, KtvValue which, int value, bool sendNow);

class KtvOperations {
  public:
    KtvOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes);

    // False when the clamped value is already stored: nothing is sent.
    bool SetKtvValue(KtvValue which, int value);

  private:
    ProfileRecord& mLive;
    dsplink::DspLink& mLink;
    ModelChanges& mChanges;
};

}  // namespace model
