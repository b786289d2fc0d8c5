// The main window's popup menus and what their items do.

#include "custom_eq_wnd.h"
#include "main_view.h"
#include "main_wnd.h"
#include "menu.h"
#include "resources.h"
#include "run_log.h"
#include "scene_wnd.h"
#include "speaker_types.h"

namespace {

// Items whose windows arrive with later work: they stay visible so the menus keep their shape.
constexpr const char* kNotYetItems[] = {
    "option_item_firmware_upgrade",
    "advance_item_mixer",
    "advance_item_noise_threshold",
    "advance_item_compressors_on",
};

// Items that need the amplifier: disabled, not hidden, while it is not connected.
constexpr const char* kConnectedItems[] = {
    "option_item_reset_default",
    "scene_item_load_scene",
    "scene_item_saveas_scene",
    "scene_item_delete_scene",
};

constexpr const char* kHiddenAdvanceItems[] = {
    "advance_item_autocal",
    "advance_item_poweroff_delay",
    "advance_item_ktv",
    "advance_item_compressor",
};

// A disabled item says why.
void EnableItems(ui::Menu* menu, bool connected) {
    for (const char* item : kConnectedItems) {
        const QString name = QString::fromLatin1(item);
        menu->SetItemEnabled(name, connected);
        menu->SetItemToolTip(name,
                             connected ? QString() : QStringLiteral("${menu_needs_amplifier}"));
    }
    for (const char* item : kNotYetItems) {
        const QString name = QString::fromLatin1(item);
        menu->SetItemEnabled(name, false);
        menu->SetItemToolTip(name, QStringLiteral("${menu_not_yet}"));
    }
}

// The language items: the language each switches to and its index in the settings file.
struct LanguageItem {
    const char* item;
    const char* language;
    int index;
};
constexpr LanguageItem kLanguageItems[] = {
    {"option_item_language_en", "en", 0},
    {"option_item_language_cn", "cn_zh", 1},
    {"option_item_language_ru", "ru", 2},
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

void CMainWnd::ShowOptionMenu() {
    ui::Menu* menu = CreateMenu("MENU_OPTION");
    if (menu == nullptr) {
        return;
    }
    EnableItems(menu, IsConnected());
    MarkLanguage(menu);
    if (QWidget* button = FindWidget("btn_option")) {
        menu->PopupBelow(button);
    }
}

void CMainWnd::ShowSceneMenu() {
    ui::Menu* menu = CreateMenu("MENU_SCENE");
    if (menu == nullptr) {
        return;
    }
    EnableItems(menu, IsConnected());
    if (QWidget* button = FindWidget("btn_scene")) {
        menu->PopupBelow(button);
    }
}

void CMainWnd::ShowAdvanceMenu() {
    ui::Menu* menu = CreateMenu("MENU_ADVANCE");
    if (menu == nullptr) {
        return;
    }
    for (const char* item : kHiddenAdvanceItems) {
        menu->SetItemVisible(QString::fromLatin1(item), false);
    }
    EnableItems(menu, IsConnected());
    if (QWidget* button = FindWidget("btn_advance")) {
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
    if (QWidget* button = FindWidget(QStringLiteral("ch_output_btn_%1").arg(output))) {
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
    if (QWidget* control = FindWidget(QStringLiteral("delay_link_%1").arg(output))) {
        menu->PopupBelow(control);
    }
}

void CMainWnd::OnMenuItem(const ui::Notification& n) {
    const QString& item = n.sender;
    runlog::Log("on menu click %s\n", item.toUtf8().constData());
    model::OutputOperations& out = mManager->Outputs();
    if (item == "option_item_about") {
        ShowAbout();
    } else if (item == "option_item_language") {
        const bool chinese = ui::Resources::Instance().CurrentLanguage() == "cn_zh";
        ChangeLanguage(chinese ? "en" : "cn_zh", chinese ? 0 : 1);
    } else if (const LanguageItem* language = LanguageItemNamed(item)) {
        ChangeLanguage(QString::fromLatin1(language->language), language->index);
    } else if (item == "advance_item_custom_eq") {
        CCustomEqWnd::Run(this, *mManager);
    } else if (item == "option_item_clear_history") {
        mManager->ClearHistory();
    } else if (item == "option_item_reset_default") {
        mManager->Scenes().ResetMcuFactoryDefault();
    } else if (item == "scene_item_load_scene") {
        CSceneWnd::Run(this, *mManager, CSceneWnd::Mode::Load);
    } else if (item == "scene_item_saveas_scene") {
        CSceneWnd::Run(this, *mManager, CSceneWnd::Mode::Save);
    } else if (item == "scene_item_delete_scene") {
        CSceneWnd::Run(this, *mManager, CSceneWnd::Mode::Delete);
    } else if (item == "scene_item_load_file") {
        LoadSenceConfigFromFile();
    } else if (item == "scene_item_save_file") {
        SaveSenceConfigToFile();
    } else if (item == "scene_item_load_whole") {
        LoadWholeConfigFromFile();
    } else if (item == "scene_item_save_whole") {
        SaveWholeConfigToFile();
    } else if (item.contains("output_menu") || item.contains("output_item")) {
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
    } else if (item.startsWith("link_group_")) {
        runlog::Log("%d: %s\n", n.Index(), item.toUtf8().constData());
        out.SetLinkGroup(mMenuChannel, n.Index());
    } else if (item.startsWith("delay_link_group_")) {
        out.SetDelayLinkGroup(mMenuChannel, n.Index());
    }
}
