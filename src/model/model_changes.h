#pragma once
// What changed in the model, told to every window that subscribed: one small record per
// change, whether it came from a user edit, a reply, a scene or profile load, an undo or a
// reconnect. Subscribers redraw from the model; they never change it in answer. Runs on the
// manager's thread.

#include <vector>

namespace model {

enum class ChangeKind {
    Whole,          // the live set was replaced: everything
    Output,         // one output's strip: type, gain, mute, phase, solo, delay, groups, show box
    CurrentOutput,  // which output is current, and what shows its values
    SpeakerMap,     // speaker positions and their delays
    LinkLock,       // link and lock state, link groups
    DelayUnit,      // delays are shown in another unit
    Curves,         // response curves or their show flags
    Crossover,      // one output's crossover
    Bands,          // one output's bands (band: the band, -1 for all) and its bypass
    Graph,          // the graph of the current output (band: the point to select, -1 none)
    EqMode,         // GEQ or PEQ editing
    Inputs,         // the source and its routing (source, output; -1 for all)
    Globals,        // main volume and mute, ACC, the switches, noise gate
    MainVolume,     // the amplifier reported its main volume
    Bridges,        // the bridged pairs
    Scenes,         // a stored scene's name (scene 1..10) or which scenes hold data (scene 0)
    History,        // what can be undone or redone
    Threshold,      // the input noise threshold
    PowerOffDelay,  // the amplifier's power-off delay
    InputNoise,     // new input noise levels from the amplifier
    MemoryWord,     // the amplifier reported a DSP memory word
    AutoSetting,    // the speaker auto-configuration record
    Mix,            // mix levels of the source (source, output; -1 for all)
    InputPhase,     // the polarity of the source's inputs
    Vice,           // the source's cross-source inputs and their gains
    Distortion,     // clipping flags of the source's inputs and of the outputs
    Compressor,     // one output's compressor settings or its on/off switch (output)
    Ktv,            // the karaoke effect values
    Calibration,    // the room calibration run: its status, results or outcome (output: channel)
    AbSlots,        // which A/B slot is live, or what the stored one holds
};

struct ModelChange {
    ChangeKind kind = ChangeKind::Whole;
    int output = -1;
    int band = -1;
    int source = -1;
    int scene = 0;
};

class ModelSubscriber {
  public:
    virtual ~ModelSubscriber() = default;
    virtual void OnModelChange(const ModelChange& change) = 0;
};

class ModelChanges {
  public:
    // Subscribers are told in the order they came. One may leave (or bring another) during a
    // call; one that left is not called again, so a window unsubscribes in its destructor.
    void Subscribe(ModelSubscriber* subscriber);
    void Unsubscribe(ModelSubscriber* subscriber);
    void Publish(const ModelChange& change);
    bool Subscribed(const ModelSubscriber* subscriber) const;

  private:
    std::vector<ModelSubscriber*> mSubscribers;
};

}  // namespace model
