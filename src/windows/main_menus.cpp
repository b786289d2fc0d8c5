// The main window's popup menus and what their items do.

#include "model/speaker_types.h"
#include "shell/markers.h"
#include "shell/run_log.h"
#include "ui/menu.h"
#include "ui/resources.h"
#include "windows/auto_cal_wnd.h"
#include "windows/compressor_wnd.h"
#include "windows/compressors_on_wnd.h"
#include "windows/cs_auto_wnd.h"
#include "windows/custom_eq_wnd.h"
#include "windows/ktv_wnd.h"
#include "windows/main_controls.h"
#include "windows/main_view.h"
#include "windows/main_wnd.h"
#include "windows/mixer_wnd.h"
#include "windows/noise_threshold_wnd.h"
#include "windows/poweroff_delay_wnd.h"
#include "windows/scene_wnd.h"

#include <string_view>

namespace {

// Items that need the amplifier: disabled, not hidden, while it is not connected.
constexpr const char* kConnectedItems[] = {
    main_controls::kOptionItemResetDefault,
    main_controls::kSceneItemLoadScene,
    main_controls::kSceneItemSaveasScene,
    main_controls::kSceneItemDeleteScene,
};

constexpr const char* kHiddenAdvanceItems[] = {
    main_controls::kAdvanceItemAutocal,    main_controls::kAdvanceItemPoweroffDelay,
    main_controls::kAdvanceItemCsAuto,     main_controls::kAdvanceItemKtv,
    main_controls::kAdvanceItemCompressor,
};

// Hidden items that service mode (the debug marker) shows.
constexpr const char* kServiceAdvanceItems[] = {
    main_controls::kAdvanceItemAutocal,
    main_controls::kAdvanceItemCsAuto,
    main_controls::kAdvanceItemKtv,
    main_controls::kAdvanceItemCompressor,
};
bool ShownInServiceMode(const char* item) {
    for (const char* shown : kServiceAdvanceItems) {
        if (std::string_view(item) == shown) {
            return shell::DebugMarkerPresent();
        }
    }
    return false;
}

// A disabled item says why.
void EnableItems(ui::Menu* menu, bool connected) {
    for (const char* item : kConnectedItems) {
        const QString name = QString::fromLatin1(item);
        menu->SetItemEnabled(name, connected);
        menu->SetItemToolTip(name,
                             connected ? QString() : QStringLiteral("${menu_needs_amplifier}"));
    }
}

// The language items: the language each switches to and its index in the settings file.
struct LanguageItem {
    const char* item;
    const char* language;
    int index;
};
constexpr LanguageItem kLanguageItems[] = {
    {main_controls::kOptionItemLanguageEn, "en", 0},
    {main_controls::kOptionItemLanguageCn, "cn_zh", 1},
    {main_controls::kOptionItemLanguageRu, "ru", 2},
};

// The language in use carries a tick.
void MarkLanguage(ui::Menu* menu) {
    const QString current = ui::Resources::Instance().CurrentLanguage();
    for (const LanguageItem& l : kLanguageItems) {
        menu->SetItemChecked(QString::fromLatin1(l.item), current == QLatin1String(l.language));
    }
}

const LanguageItem* LanguageItemNamed(const QString& item) {
    for (const LanguageItem& l : kLanguageItems) {
        if (item == QLatin1String(l.item)) {
            return &l;
        }
    }
    return nullptr;
}

}  // namespace

void CMainWnd::OnCloseMixerWindow() {
    for (ui::Window* w : ui::Window::FindWindows(QString::fromLatin1(CMixerWnd::kClassName))) {
        w->Close(0);
    }
}

void CMainWnd::ShowOptionMenu() {
    ui::Menu* menu = CreateMenu("MENU_OPTION");
    if (menu == nullptr) {
        return;
    }
    EnableItems(menu, IsConnected());
    MarkLanguage(menu);
    if (QWidget* button = FindWidget(main_controls::kBtnOption)) {
        menu->PopupBelow(button);
    }
}

void CMainWnd::ShowSceneMenu() {
    ui::Menu* menu = CreateMenu("MENU_SCENE");
    if (menu == nullptr) {
        return;
    }
    EnableItems(menu, IsConnected());
    if (QWidget* button = FindWidget(main_controls::kBtnScene)) {
        menu->PopupBelow(button);
    }
}

void CMainWnd::ShowAdvanceMenu() {
    ui::Menu* menu = CreateMenu("MENU_ADVANCE");
    if (menu == nullptr) {
        return;
    }
    for (const char* item : kHiddenAdvanceItems) {
        menu->SetItemVisible(QString::fromLatin1(item), ShownInServiceMode(item));
    }
    // Service mode offers the power-off delay too.
    if (shell::DebugMarkerPresent()) {
        menu->SetItemVisible(QString::fromLatin1(main_controls::kAdvanceItemPoweroffDelay), true);
    }
    EnableItems(menu, IsConnected());
    if (QWidget* button = FindWidget(main_controls::kBtnAdvance)) {
        menu->PopupBelow(button);
    }
}

void CMainWnd::ShowOutputMenu(int output) {
    if (output < 0 || output >= model::OUTPUT_CHANNELS) {
        return;
    }
    mMenuChannel = output;
    ui::Menu* menu = CreateMenu("MENU_OUTPUT");
    if (menu == nullptr) {
        return;
    }
    const model::OutputOperations& out = mManager->Outputs();
    for (int type = 0; type < model::SPEAKER_TYPE_COUNT; ++type) {
        const std::string_view item = model::MenuItemOfSpeakerType(type);
        const QString name = QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size()));
        menu->SetItemEnabled(name, out.OutputMenuItemEnabled(output, type));
        // A tick marks a type some output already has.
        menu->SetItemChecked(name, type != 0 && out.OutputMenuItemUsed(type));
    }
    if (QWidget* button =
            FindWidget(QString::asprintf(main_controls::kChOutputBtnFormat, output))) {
        menu->PopupBelow(button);
    }
}

void CMainWnd::ShowDelayLinkMenu(int output) {
    if (output < 0 || output >= model::OUTPUT_CHANNELS) {
        return;
    }
    mMenuChannel = output;
    ui::Menu* menu = CreateMenu("MENU_DELAY_LINK_GROUP");
    if (menu == nullptr) {
        return;
    }
    if (QWidget* control = FindWidget(QString::asprintf(main_controls::kDelayLinkFormat, output))) {
        menu->PopupBelow(control);
    }
}

void CMainWnd::OnMenuItem(const ui::Notification& n) {
    const QString& item = n.sender;
    runlog::Log("on menu click %s\n", item.toUtf8().constData());
    model::OutputOperations& out = mManager->Outputs();
    if (item == main_controls::kOptionItemAbout) {
        ShowAbout();
    } else if (item == main_controls::kOptionItemLanguage) {
        const bool chinese = ui::Resources::Instance().CurrentLanguage() == "cn_zh";
        ChangeLanguage(chinese ? "en" : "cn_zh", chinese ? 0 : 1);
    } else if (const LanguageItem* language = LanguageItemNamed(item)) {
        ChangeLanguage(QString::fromLatin1(language->language), language->index);
    } else if (item == main_controls::kAdvanceItemCustomEq) {
        CCustomEqWnd::Run(this, *mManager);
    } else if (item == main_controls::kAdvanceItemNoiseThreshold) {
        CNoiseThresholdWnd::Run(this, *mManager);
    } else if (item == main_controls::kAdvanceItemPoweroffDelay) {
        CPowerOffDelayWnd::Run(this, *mManager);
    } else if (item == main_controls::kAdvanceItemCsAuto) {
        CSAutoWnd::Run(this, *mManager);
    } else if (item == main_controls::kAdvanceItemMixer) {
        CMixerWnd::Run(this, *mManager);
    } else if (item == main_controls::kAdvanceItemCompressor) {
        CCompressorWnd::Run(this, *mManager);
    } else if (item == main_controls::kAdvanceItemCompressorsOn) {
        CCompressorsOnWnd::Run(this, *mManager);
    } else if (item == main_controls::kAdvanceItemAutocal) {
        CAutoCalWnd::Run(this, *mManager, mConfig.chooseCalibrationFile);
    } else if (item == main_controls::kAdvanceItemKtv) {
        CKtvWnd::Run(this, *mManager);
    } else if (item == main_controls::kOptionItemFirmwareUpgrade) {
        RunUpdateWindow();
    } else if (item == main_controls::kOptionItemClearHistory) {
        mManager->ClearHistory();
    } else if (item == main_controls::kOptionItemAbCopyAToB) {
        mManager->AB().CopyAToB();
    } else if (item == main_controls::kOptionItemAbCopyBToA) {
        mManager->AB().CopyBToA();
    } else if (item == main_controls::kOptionItemAbSave) {
        SaveAbSlots();
    } else if (item == main_controls::kOptionItemAbLoad) {
        LoadAbSlots();
    } else if (item == main_controls::kOptionItemResetDefault) {
        mManager->Scenes().ResetMcuFactoryDefault();
    } else if (item == main_controls::kSceneItemLoadScene) {
        CSceneWnd::Run(this, *mManager, CSceneWnd::Mode::Load);
    } else if (item == main_controls::kSceneItemSaveasScene) {
        CSceneWnd::Run(this, *mManager, CSceneWnd::Mode::Save);
    } else if (item == main_controls::kSceneItemDeleteScene) {
        CSceneWnd::Run(this, *mManager, CSceneWnd::Mode::Delete);
    } else if (item == main_controls::kSceneItemLoadFile) {
        LoadSenceConfigFromFile();
    } else if (item == main_controls::kSceneItemSaveFile) {
        SaveSenceConfigToFile();
    } else if (item == main_controls::kSceneItemLoadWhole) {
        LoadWholeConfigFromFile();
    } else if (item == main_controls::kSceneItemSaveWhole) {
        SaveWholeConfigToFile();
    } else if (item == main_controls::kFiltersItemImport) {
        ImportFilters(mMenuChannel);
    } else if (item == main_controls::kFiltersItemExport) {
        ExportFilters(mMenuChannel);
    } else if (item.contains(main_controls::kOutputMenuItemPart) ||
               item.contains(main_controls::kOutputItemPart)) {
        const int type = model::SpeakerTypeOfMenuItem(item.toStdString());
        const int channel = mMenuChannel;
        if (type < 0 || channel < 0 || channel >= model::OUTPUT_CHANNELS) {
            return;
        }
        out.SetOutputValue(channel, type, false);
        // A bridged pair plays one speaker.
        if (mManager->State().live.bridgeOutputs[static_cast<size_t>(channel / 2)] != 0) {
            out.SetOutputValue(channel ^ 1, type, false);
        }
    } else if (item.startsWith(main_controls::kLinkGroupItemPrefix)) {
        runlog::Log("%d: %s\n", n.Index(), item.toUtf8().constData());
        out.SetLinkGroup(mMenuChannel, n.Index());
    } else if (item.startsWith(main_controls::kDelayLinkGroupItemPrefix)) {
        out.SetDelayLinkGroup(mMenuChannel, n.Index());
    }
}
