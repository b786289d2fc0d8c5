#include "windows/scene_wnd.h"

#include <QVariant>

#include <utility>

#include "model/equalizer_manager.h"
#include "model/scene_operations.h"
#include "shell/run_log.h"
#include "ui/resources.h"
#include "ui/window_reply_target.h"
#include "windows/loading_wnd.h"
#include "windows/msg_wnd.h"
#include "windows/name_msg_wnd.h"
#include "windows/scene_controls.h"

namespace {

// Posts a job's window messages to the scene window; harmless once the window is gone.
class WindowEvents final : public model::ManagerEvents {
  public:
    explicit WindowEvents(std::shared_ptr<ui::WindowMailbox> mailbox)
        : mMailbox(std::move(mailbox)) {}
    void Post(uint32_t message, uint32_t wParam) override {
        mMailbox->Post(message, wParam, 0, {});
    }

  private:
    std::shared_ptr<ui::WindowMailbox> mMailbox;
};

QString Text(const char* key) {
    return ui::Resources::Instance()
        .FindText(QString::fromLatin1(key))
        .value_or(QString::fromLatin1(key));
}

// Fills "%d" and "%s" in order from args, "%%" gives "%". A translation is not trusted to
// match the arguments: a missing argument leaves its placeholder as written.
QString Format(const QString& pattern, const QVariantList& args) {
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%') || i + 1 >= pattern.size()) {
            out.append(c);
            continue;
        }
        const QChar conversion = pattern.at(i + 1);
        if (conversion == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            ++i;
        } else if ((conversion == QLatin1Char('d') || conversion == QLatin1Char('s')) &&
                   next < args.size()) {
            out.append(args.at(next++).toString());
            ++i;
        } else {
            out.append(c);
        }
    }
    return out;
}

struct ModeTexts {
    const char* operation;
    const char* title;
    const char* confirm;
};

ModeTexts TextsOf(CSceneWnd::Mode mode) {
    switch (mode) {
        case CSceneWnd::Mode::Save:
            return {"EqualizerManager::SaveSenceConfigToDSP", "${save_as_scene}", "${save}"};
        case CSceneWnd::Mode::Delete:
            return {"EqualizerManager::DeleteDSPSenceConfig", "${delete_scene}", "${delete}"};
        case CSceneWnd::Mode::Load:
            break;
    }
    return {"EqualizerManager::LoadSenceConfigFromDSP", "${load_scene}", "${load}"};
}

}  // namespace

CSceneWnd::CSceneWnd(QWidget* owner, model::EqualizerManager& manager, Mode mode)
    : CDialogWnd(owner, QStringLiteral("MsgWnd"), QStringLiteral("scenewnd")),
      mManager(manager),
      mMode(mode),
      mReplyTarget(std::make_unique<ui::WindowReplyTarget>(this)),
      mJobEvents(std::make_shared<WindowEvents>(Mailbox())) {
    mManager.Subscribe(this);
}

CSceneWnd::~CSceneWnd() {
    mManager.Unsubscribe(this);
    // Scene replies have no one to go to once this window is gone.
    mManager.Link().SetTarget(dsplink::ReplyTargetId::Scene, nullptr);
}

void CSceneWnd::OnModelChange(const model::ModelChange& change) {
    if (change.kind == model::ChangeKind::Scenes || change.kind == model::ChangeKind::Whole) {
        FillRows();
    }
}

int CSceneWnd::Run(QWidget* owner, model::EqualizerManager& manager, Mode mode) {
    runlog::Log("%s\n", TextsOf(mode).operation);
    CSceneWnd wnd(owner, manager, mode);
    if (!wnd.Create()) {
        return 0;
    }
    return wnd.ShowModal();
}

bool CSceneWnd::Create() {
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    model::SceneOperations& scenes = mManager.Scenes();
    if (scenes.CurrentScene() > 0) {
        UpdateCurrentScene(scenes.CurrentScene() - 1);
    }
    TakeSceneReplies();
    scenes.StartReadCurrentScene();
    const ModeTexts texts = TextsOf(mMode);
    SetTitleIfGiven(mTitle, QString::fromLatin1(texts.title));
    SetTextIfGiven(mConfirm, QString::fromLatin1(texts.confirm));
    SetTextIfGiven(mCancel, QStringLiteral("${exit}"));
    FillRows();
    return built;
}

void CSceneWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mList = Lookup<ui::List>(QString::fromLatin1(scene_controls::kListView));
        mTitle = Lookup<ui::Label>(QString::fromLatin1(scene_controls::kMessageTitle));
        mConfirm = Lookup<ui::Button>(QString::fromLatin1(scene_controls::kConfirmBtn));
        mCancel = Lookup<ui::Button>(QString::fromLatin1(scene_controls::kCancelBtn));
        if (QWidget* header = Lookup<QWidget>(QString::fromLatin1(scene_controls::kListHeader))) {
            QRect rect = ControlRect(header);
            rect.setHeight(kHeaderHeight);
            SetControlRect(header, rect);
        }
    } else if (n.Is(ui::notify::kItemActivate, scene_controls::kListView)) {
        Activate(n.arg);
        return;
    } else if (n.Is(ui::notify::kClick, scene_controls::kConfirmBtn)) {
        runlog::Log("Click confirm_btn\n");
        Activate(mList ? mList->CurSel() : -1);
        return;
    } else if (n.Is(ui::notify::kClick, scene_controls::kCancelBtn)) {
        runlog::Log("Click cancel_btn\n");
        Close(0);
        return;
    }
    CDialogWnd::Notify(n);
}

void CSceneWnd::Activate(int row) {
    if (row < 0 || row >= kRows) {
        return;
    }
    const int scene = row + 1;
    bool started = false;
    switch (mMode) {
        case Mode::Load:
            runlog::Log("SENCE_LOAD id = %d\n", row);
            started = LoadScene(scene);
            break;
        case Mode::Save:
            runlog::Log("SENCE_SAVE id = %d\n", row);
            started = SaveScene(scene);
            break;
        case Mode::Delete:
            runlog::Log("SENCE_DELETE id = %d\n", row);
            DeleteScene(scene);
            return;
    }
    // The scene just loaded or saved is the amplifier's current one.
    if (started) {
        UpdateCurrentScene(row);
    }
}

QString CSceneWnd::StoredName(int scene) const {
    return model::SceneNameText(model::SceneName(mManager.State().scenes, scene - 1));
}

bool CSceneWnd::Holds(int scene) const {
    return scene >= 1 && scene <= kRows && (mManager.State().validSceneMask >> (scene - 1) & 1);
}

bool CSceneWnd::LoadScene(int scene) {
    runlog::Log("LoadSence\n");
    // Loading an empty slot would wipe the live tune for nothing.
    if (!Holds(scene)) {
        return false;
    }
    const QString name = StoredName(scene);
    const QString question = name.isEmpty() ? Format(Text("load_scene_tips2"), {scene})
                                            : Format(Text("load_scene_tips1"), {scene, name});
    if (CMsgWnd::Question(this, QStringLiteral("${tips}"), question) != 1) {
        return false;
    }
    PostMessage(model::WM_SHOW_LOADING, 0, 0);
    model::SceneOperations& scenes = mManager.Scenes();
    scenes.SetCurrentScene(scene);
    TakeSceneReplies();
    return scenes.StartLoadScene(mJobEvents);
}

bool CSceneWnd::SaveScene(int scene) {
    runlog::Log("SaveSence\n");
    if (scene < 1 || scene > kRows) {
        return false;
    }
    model::SceneOperations& scenes = mManager.Scenes();
    model::ModelState& state = mManager.State();
    scenes.ClearSceneNameBuffer();
    QString name = StoredName(scene);
    // An unnamed slot may still hold settings; overwriting those deserves the question too.
    if (!name.isEmpty() || Holds(scene)) {
        const QString question = Format(Text("save_scene_overwrite"), {scene});
        if (CMsgWnd::Question(this, QStringLiteral("${tips}"), question) != 1) {
            return false;
        }
    }
    if (CNameMsgWnd::EditName(this, name) != 1) {
        return false;
    }
    const std::string bytes = model::SceneNameBytes(name);
    if (!bytes.empty()) {
        for (int k = 1; k <= kRows; ++k) {
            if (k == scene || model::SceneName(state.scenes, k - 1) != bytes) {
                continue;
            }
            const QString shown = model::SceneNameText(bytes);
            CMsgWnd::MessageBox(this, QStringLiteral("${tips}"),
                                Format(Text("same_name_tips"), {shown, k, StoredName(k)}));
            // The scene keeps the name the amplifier holds; nothing is sent.
            return false;
        }
    }
    scenes.SetSceneNameBuffer(bytes);
    model::SetSceneName(state.scenes, scene - 1, bytes);
    if (mList) {
        mList->SetCellText(scene - 1, 1, model::SceneNameText(bytes));
    }
    PostMessage(model::WM_SHOW_LOADING, 0, 0);
    scenes.SetCurrentScene(scene);
    TakeSceneReplies();
    return scenes.StartSaveScene(mJobEvents);
}

bool CSceneWnd::DeleteScene(int scene) {
    runlog::Log("DeleteSence\n");
    if (scene < 1 || scene > kRows) {
        return false;
    }
    model::SceneOperations& scenes = mManager.Scenes();
    PostMessage(model::WM_SHOW_LOADING, 0, 0);
    scenes.SetCurrentScene(scene);
    TakeSceneReplies();
    model::SetSceneName(mManager.State().scenes, scene - 1, {});
    FillRows();
    return scenes.StartDeleteScene(mJobEvents);
}

void CSceneWnd::TakeSceneReplies() {
    mManager.Link().SetTarget(dsplink::ReplyTargetId::Scene, mReplyTarget.get());
}

void CSceneWnd::FillRows() {
    if (!mList) {
        return;
    }
    const int selected = mList->CurSel();
    mList->RemoveAllRows();
    for (int row = 0; row < kRows; ++row) {
        const int scene = row + 1;
        const QString name = Holds(scene) ? StoredName(scene) : QStringLiteral("${scene_empty}");
        mList->AddRow({QString::number(scene), name}, QString::number(row));
        // An empty slot has nothing to load.
        mList->SetRowEnabled(row, mMode != Mode::Load || Holds(scene));
    }
    if (selected >= 0) {
        mList->SelectRow(selected);
    }
    if (mHighlighted >= 0) {
        UpdateCurrentScene(mHighlighted);
    }
}

void CSceneWnd::UpdateCurrentScene(int row) {
    if (row < 0 || row >= kRows) {
        return;
    }
    runlog::Log("UpdateCurrentScene %d\n", row);
    mHighlighted = row;
    if (!mList) {
        return;
    }
    for (int r = 0; r < mList->RowCount(); ++r) {
        mList->SetRowBackground(r, r == row ? QColor::fromRgba(kCurrentRowColor) : QColor());
    }
}

void CSceneWnd::OnMessage(uint32_t message, uint32_t wParam, int32_t value,
                          std::unique_ptr<dsplink::ReplyRecord> record) {
    switch (message) {
        case dsplink::WM_READ_FLASH_VALUE:
            PostMessage(model::WM_HIDE_LOADING, 0, 0);
            CMsgWnd::MessageBox(this, QStringLiteral("${tips}"),
                                QStringLiteral("${save_scene_ok}"));
            return;
        case dsplink::WM_SCENE_DELETED:
            PostMessage(model::WM_HIDE_LOADING, 0, 0);
            return;
        case dsplink::WM_READ_SENCE_VALUE:
            // The amplifier's number is untrusted: only 0..10 mean a scene.
            if (value < 0 || value > kRows) {
                return;
            }
            mManager.Scenes().SetCurrentScene(value);
            runlog::Log("FLASH_SCENE_ID/mSceneId %d\n", value);
            if (value > 0) {
                UpdateCurrentScene(value - 1);
            }
            return;
        case model::WM_SHOW_LOADING:
            ShowBusy();
            return;
        case model::WM_HIDE_LOADING:
            HideBusy();
            // A job that saved or deleted changed which slots hold a scene.
            FillRows();
            return;
        default:
            CDialogWnd::OnMessage(message, wParam, value, std::move(record));
            return;
    }
}

void CSceneWnd::ShowBusy() {
    if (mLoading) {
        return;
    }
    CLoadingWnd busy(this);
    if (!busy.Create()) {
        return;
    }
    mLoading = &busy;
    // Returns when the job's end (or an acknowledgement) closes it.
    busy.ShowModal();
    mLoading = nullptr;
}

void CSceneWnd::HideBusy() {
    if (mLoading) {
        mLoading->Close(1);
    }
}
