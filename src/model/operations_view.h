#pragma once
// What the output, input and switch operations ask of the window. The operations change the
// model and send to the amplifier; the window redraws from the model when told, and answers
// the questions the operations must put to the user. Called on the manager's thread; every
// method defaults to doing nothing (and a question to "cancel").

namespace model {

class OperationsView {
  public:
    virtual ~OperationsView() = default;

    // One output's strip: type button, volume slider and text, mute, phase, solo, link group,
    // delay-link group, delay edit and slider, show-curve box.
    virtual void OnOutputChanged(int /*output*/) {}
    // The current output and what shows it: "ch_enable_%d" selection, channel name, the single
    // volume/mute/phase controls, crossover and band controls, bypass button, speaker markers.
    virtual void OnCurrentOutputChanged() {}
    // Speaker markers, "spk_con_%d" and "spk_delay_%d" of all 28 positions.
    virtual void OnSpeakerMapChanged() {}
    // Link and lock buttons, which type and delay-link buttons are enabled, "btn_link_output".
    virtual void OnLinkLockChanged() {}
    // Every delay edit and speaker delay edit in the current unit.
    virtual void OnDelayUnitChanged() {}
    // The graph: curves, show flags and current output.
    virtual void OnCurvesChanged() {}
    // Source combo and routing boxes.
    virtual void OnInputsChanged() {}
    // Main volume and its mute, ACC, the five switches, the bridge switches and boxes.
    virtual void OnGlobalsChanged() {}
    // The main-volume poll after a source change: GET_MAIN_VOLUME_TIMER with this count.
    virtual void OnStartMainVolumePoll(int /*count*/) {}
    // The live set was replaced as a whole (a stored scene loaded, a profile sent): every
    // control of the main window from the model, curves included.
    virtual void OnWholeViewChanged() {}

    // The current output's crossover controls: "hp_type", "lp_type", "hp_slop", "lp_slop"
    // (item index = code) and "hp_freq", "lp_freq" ("%dHz").
    virtual void OnCrossoverShown() {}
    // The 31 band rows of the current output ("eq_freq_%d", "eq_q_%d", "eq_gain_%d",
    // "eq_slider_%d", "pt_enable_%d") and "btn_bypass"; frequency and Q edits are enabled
    // only in PEQ mode (EqOperations::PeqMode()).
    virtual void OnBandsShown() {}
    // The graph "equalizer": the current output's points (EqOperations::GraphPoints()),
    // its HP and LP frequencies, the 12 grids and curves, the current output and the 12 show
    // flags; selectedBand is the point to select, -1 for none.
    virtual void OnGraphChanged(int /*selectedBand*/) {}
    // Slope combo of one side (1 "lp_slop", 2 "hp_slop"): whether items 1, 3, 5, 7 are
    // enabled (Linkwitz-Riley takes even slopes only).
    virtual void OnSlopeItemsChanged(int /*side*/, bool /*oddSlopesEnabled*/) {}
    // "btn_arg_eq": selected and "${peq_mode}" in PEQ mode, else "${geq_mode}"; the graph
    // is told the mode.
    virtual void OnEqModeChanged(bool /*peq*/) {}

    // Link copy direction: 1 left to right, 2 right to left, 0 cancel.
    virtual int AskLinkCopyDirection() { return 0; }
    // A yes/no question (title "${tips}"); the text is a "${key}" text.
    virtual bool AskQuestion(const char* /*textKey*/) { return false; }
    // Output reset: 1 defaults, 2 emptied, 0 cancel.
    virtual int AskOutputReset() { return 0; }
    // A message box (title "${tips}", button "${confirm}").
    virtual void ShowMessage(const char* /*textKey*/) {}
};

}  // namespace model
