#pragma once
// What the operations ask of the window that the user works in: the questions they must put
// to the user, messages, and the main-volume poll timer. What changed is told to every window
// through ModelChanges. Called on the manager's thread; every method defaults to doing
// nothing (and a question to "cancel").

namespace model {

class OperationsView {
  public:
    virtual ~OperationsView() = default;

    // The main-volume poll after a source change: GET_MAIN_VOLUME_TIMER with this count.
    virtual void OnStartMainVolumePoll(int /*count*/) {}

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
