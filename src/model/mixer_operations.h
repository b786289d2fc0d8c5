#pragma once
// The mixer of the current source: per output which inputs are mixed in and at what level,
// the polarity of each input, and the two cross-source ("vice") inputs that bring one channel
// of another source in. Mixer row r < 10 is source channel r; rows 10 and 11 are the vice
// inputs, which the amplifier numbers right after the source's own inputs. Each operation
// clamps, stores in the live record, tells the windows, then sends (scene 0, queued). A value
// that does not change changes and sends nothing. Runs on the manager's thread.

#include "link/dsp_link.h"
#include "model/input_operations.h"
#include "model/model_changes.h"
#include "model/profile_record.h"

namespace model {

inline constexpr int MIXER_ROWS = 12;
inline constexpr int FIRST_VICE_ROW = 10;
inline constexpr int VICE_SLOTS = 2;
inline constexpr int NO_VICE_SOURCE = 9;
inline constexpr int MIN_VICE_GAIN = -32;
inline constexpr int MAX_VICE_GAIN = 6;

// Inputs of the source as the mixer shows them: the high-level source mixes only 8.
int MixerInputCount(int source);
// The input channel (and mask bit) of mixer row `row`, -1 when the source does not show it.
int MixerInputOfRow(int source, int row);
// How many input channels of the source the mixer can touch, vice inputs included.
int MixerTouchedInputs(int source);
// Vice values as the wire carries them: the source as its device code (none after the last),
// the gain offset by 32.
int ViceSourceWire(int viceSource);
int ViceGainWire(int db);
// 0 when the input is not routed, else its level (100 for a routed input stored at 0).
int CellVolume(const ProfileRecord& record, int source, int input, int output);

class MixerOperations {
  public:
    MixerOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes,
                    InputOperations& inputs);

    // Level of a cell (mixer row, output) as the mixer shows it; 0 for a cell not shown.
    int Volume(int row, int output) const;
    // Sets the level (clamped 0..100): routed when above 0. A linked partner output takes the
    // same. False when nothing changed.
    bool SetVolume(int row, int output, int volume);
    // On brings back the stored level (100 when it is 0); off stores 0.
    bool SetEnabled(int row, int output, bool on);
    // Every output of the current source hears nothing, and every stored level is 0.
    void ClearMix();
    void SetInputPhase(int row, bool inverted);
    // tag: source * 100 + channel (a source above 8 is none). Moves the other slot to a
    // complementary channel when both would play the same thing.
    void SelectViceSource(int slot, int tag);
    void SetViceGain(int slot, int db);
    // Asks for the clipping flags of the current source's inputs and of every output.
    void RequestDistortion();

  private:
    bool ApplyVolume(int input, int output, int volume);
    bool StoreVice(int input, int viceSource, int channel);
    void Tell(ChangeKind kind, int output = -1);

    ProfileRecord& mLive;
    dsplink::DspLink& mLink;
    ModelChanges& mChanges;
    InputOperations& mInputs;
};

}  // namespace model
