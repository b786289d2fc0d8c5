#pragma once
// The amplifier's 10 stored scenes by name, to load one into the live settings, save the live
// settings into one under a name, or delete one. Opened modally from the scene menu in one of
// three modes; the device work runs on the scene jobs of the manager while this window shows
// the busy window. While open, this window receives the scene replies of the link (save and
// delete acknowledgements, the current scene); it gives them up when it goes.

#include <QColor>
#include <QString>

#include <cstdint>
#include <memory>

#include "model/model_changes.h"
#include "windows/dialog_wnd.h"

namespace model {
class EqualizerManager;
class ManagerEvents;
}  // namespace model
namespace ui {
class WindowReplyTarget;
}  // namespace ui
class CLoadingWnd;

class CSceneWnd final : public CDialogWnd, public model::ModelSubscriber {
  public:
    enum class Mode { Load = 0, Save = 1, Delete = 2 };

    static constexpr char kLayout[] = "XML_SENCE_PROFILE";
    static constexpr int kRows = 10;
    static constexpr int kHeaderHeight = 25;
    static constexpr QRgb kCurrentRowColor = 0xFFF6CE1D;

    CSceneWnd(QWidget* owner, model::EqualizerManager& manager, Mode mode);
    ~CSceneWnd() override;

    // Builds the layout, takes the scene replies, asks the amplifier for its current scene,
    // and fills the texts and the rows. False when the layout failed.
    bool Create();

    // Logs the operation, then opens the window modally; returns its result.
    static int Run(QWidget* owner, model::EqualizerManager& manager, Mode mode);

    Mode WindowMode() const { return mMode; }
    // The highlighted row (the current scene - 1), -1 for none.
    int HighlightedRow() const { return mHighlighted; }
    CLoadingWnd* BusyWindow() const { return mLoading; }

    // The mode's action on scene 1..10; false when it ended without starting a job.
    bool LoadScene(int scene);
    bool SaveScene(int scene);
    bool DeleteScene(int scene);

    void Notify(const ui::Notification& n) override;
    // Names or slots changed (a reply, a job's end): the rows are filled again.
    void OnModelChange(const model::ModelChange& change) override;

  protected:
    void OnMessage(uint32_t message, uint32_t wParam, int32_t value,
                   std::unique_ptr<dsplink::ReplyRecord> record) override;

  private:
    void FillRows();
    void UpdateCurrentScene(int row);
    // Runs the mode's action on a row (0..9); nothing for any other.
    void Activate(int row);
    void TakeSceneReplies();
    void ShowBusy();
    void HideBusy();
    QString StoredName(int scene) const;
    // The slot holds a stored scene (its valid bit is set).
    bool Holds(int scene) const;

    model::EqualizerManager& mManager;
    const Mode mMode;
    std::unique_ptr<ui::WindowReplyTarget> mReplyTarget;
    // Where the jobs post their end; safe to keep after this window is gone.
    std::shared_ptr<model::ManagerEvents> mJobEvents;
    ui::List* mList = nullptr;
    ui::Label* mTitle = nullptr;
    ui::Button* mConfirm = nullptr;
    ui::Button* mCancel = nullptr;
    CLoadingWnd* mLoading = nullptr;
    int mHighlighted = -1;
};
