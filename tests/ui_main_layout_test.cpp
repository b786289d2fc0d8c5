// The main window's layout from the repository's skin, built with real widgets: every control
// the code looks up exists with the right kind, range and items; the menus hold their items;
// every text fits its control in each language (also the texts the code puts there later); no
// two controls of one container overlap or leave their container. Renders each page in each
// language into the build folder for a person to look at.

#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOption>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "model/compressor_operations.h"
#include "model/constants.h"
#include "model/crossover.h"
#include "model/ktv_operations.h"
#include "model/sources.h"
#include "model/speaker_types.h"
#include "ui/controls.h"
#include "ui/menu.h"
#include "ui/resources.h"
#include "ui/window.h"
#include "ui_layouts/test_app.h"
#include "windows/compressor_controls.h"
#include "windows/ktv_controls.h"
#include "windows/main_controls.h"

namespace {

constexpr int kOutputs = 12;
constexpr int kBands = 31;
constexpr int kInputs = 10;
constexpr int kSpeakerPositions = 28;
constexpr int kBridgePairs = 6;
const char* const kLanguages[] = {"en", "cn_zh", "ru"};
const char* const kPages[] = {"eq", "inputs", "speakers"};

// The main window's own controls ("Curve") come from the window; a plain widget stands in.
class LayoutWindow : public ui::Window {
  protected:
    QWidget* CreateCustomControl(const QString& tag, const ui::LayoutNode& node) override {
        (void)node;
        if (tag == "Curve") {
            return new QWidget();
        }
        return nullptr;
    }
};

QString Num(const char* format, int index) {
    return QString::asprintf(format, index);
}

// A page's group and its tab, by the page's own part of the name ("eq").
QString Page(const char* page) {
    return QString::fromLatin1(main_controls::kPagePrefix) + QLatin1String(page);
}
QString PageTab(const char* page) {
    return QString::fromLatin1(main_controls::kPageTabPrefix) + QLatin1String(page);
}

// A menu item of a numbered family.
QString Item(const char* prefix, int number) {
    return QString::fromLatin1(prefix) + QString::number(number);
}

template <class T>
T* Expect(const ui::Window& window, const QString& name) {
    T* control = window.FindControl<T>(name);
    if (!control) {
        ADD_FAILURE() << "no control \"" << name.toStdString() << "\" of the expected kind";
    }
    return control;
}

template <class T>
T* Expect(const ui::Window& window, const char* name) {
    return Expect<T>(window, QString::fromLatin1(name));
}

QString Key(std::string_view key) {
    return QString::fromUtf8(key.data(), qsizetype(key.size()));
}

bool IsRed(const QColor& c) {
    return c.red() > 200 && c.green() < 70 && c.blue() < 70;
}
bool IsWhite(const QColor& c) {
    return c.red() > 225 && c.green() > 225 && c.blue() > 225;
}
// Whether any pixel of the control as drawn now passes the test.
bool Drawn(QWidget* w, bool (*test)(const QColor&)) {
    QApplication::processEvents();
    const QImage image = w->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test(image.pixelColor(x, y))) {
                return true;
            }
        }
    }
    return false;
}

class MainLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        ui::Resources::Instance().SetUiScaleDpi(96);
        mWindow = std::make_unique<LayoutWindow>();
        QString error;
        mCreated = mWindow->Create("XML_MAIN", &error);
        ASSERT_TRUE(mCreated) << error.toStdString();
        ASSERT_TRUE(mWindow->LayoutError().isEmpty()) << mWindow->LayoutError().toStdString();
    }
    void TearDown() override {
        mWindow.reset();
        ui::Resources::Instance().Reset();
    }

    // Shows the page group of that name and hides the others, as the code does for a tab.
    void ShowPage(const QString& page) {
        for (const char* name : kPages) {
            const QString group = Page(name);
            if (QWidget* w = mWindow->FindWidget(group)) {
                w->setVisible(group == page);
            }
            if (auto* tab = mWindow->FindControl<ui::Option>(PageTab(name))) {
                tab->SetSelected(group == page);
            }
        }
        QApplication::processEvents();
    }

    std::unique_ptr<LayoutWindow> mWindow;
    bool mCreated = false;
};

// ---- controls ----

TEST_F(MainLayout, TopBarKeepsItsControlsAndTheMenusAreEnabled) {
    Expect<ui::Label>(*mWindow, "product_title");
    Expect<ui::Label>(*mWindow, main_controls::kSoftVersion);
    Expect<ui::Label>(*mWindow, main_controls::kInnerFwVersion);
    Expect<ui::Label>(*mWindow, main_controls::kFwVersion);
    Expect<ui::Button>(*mWindow, main_controls::kBtnOption);
    Expect<ui::SButton>(*mWindow, main_controls::kBtnConnect);
    for (const char* name : {main_controls::kBtnScene, main_controls::kBtnAdvance}) {
        if (auto* b = Expect<ui::Button>(*mWindow, name)) {
            EXPECT_TRUE(b->isEnabled()) << name;
        }
    }
    // Nothing to undo or redo yet.
    for (const char* name : {main_controls::kBtnUndo, main_controls::kBtnRedo}) {
        if (auto* b = Expect<ui::Button>(*mWindow, name)) {
            EXPECT_FALSE(b->isEnabled()) << name;
        }
    }
    // The A/B switch starts on slot A.
    if (auto* ab = Expect<ui::SButton>(*mWindow, main_controls::kBtnAb)) {
        EXPECT_EQ(ab->RawText(), "A");
        EXPECT_TRUE(ab->isEnabled());
    }
    if (auto* debug = Expect<ui::Button>(*mWindow, main_controls::kBtnDebug)) {
        EXPECT_FALSE(debug->isVisibleTo(mWindow.get()));
    }
    EXPECT_EQ(mWindow->LayoutSize(), QSize(1230, 650));
}

TEST_F(MainLayout, OutputStripsHaveEveryControlPerOutput) {
    for (int i = 0; i < kOutputs; ++i) {
        SCOPED_TRACE(i);
        auto* enable = Expect<ui::SButton>(*mWindow, Num(main_controls::kChEnableFormat, i));
        if (enable) {
            EXPECT_EQ(enable->RawText(), QStringLiteral("CH%1").arg(i + 1));
            EXPECT_EQ(enable->UserDataInt(), i);
        }
        Expect<ui::SButton>(*mWindow, Num(main_controls::kChOutputBtnFormat, i));
        // The A/B mark goes on the strip's frame.
        Expect<ui::Group>(*mWindow, Num(main_controls::kStripFormat, i));
        if (auto* s = Expect<ui::Slider>(*mWindow, Num(main_controls::kSliderChVolumeFormat, i))) {
            EXPECT_EQ(s->Min(), -600);
            EXPECT_EQ(s->Max(), 0);
            EXPECT_EQ(s->singleStep(), 10);
            EXPECT_EQ(s->UserDataInt(), i);
        }
        Expect<ui::Edit>(*mWindow, Num(main_controls::kEditChVolumeFormat, i));
        for (const char* box : {main_controls::kChMuteFormat, main_controls::kChPhaseFormat,
                                main_controls::kChSoloFormat, main_controls::kChSynchronizeFormat,
                                main_controls::kDelayLinkFormat, main_controls::kChShowFormat}) {
            // These notify "selectchanged", which only check boxes and options send.
            auto* w = mWindow->FindWidget(Num(box, i));
            EXPECT_TRUE(qobject_cast<ui::CheckBox*>(w) || qobject_cast<ui::Option*>(w))
                << Num(box, i).toStdString();
            if (const ui::Control* c = ui::AsControl(w)) {
                EXPECT_EQ(c->UserDataInt(), i) << Num(box, i).toStdString();
            }
        }
        Expect<ui::Edit>(*mWindow, Num(main_controls::kEditChDelayFormat, i));
        if (auto* s = Expect<ui::Slider>(*mWindow, Num(main_controls::kSliderChDelayFormat, i))) {
            EXPECT_EQ(s->Min(), 0);
            EXPECT_EQ(s->Max(), 15000);
            EXPECT_EQ(s->singleStep(), 21);
            EXPECT_FALSE(s->isVisibleTo(mWindow.get()));
        }
    }
    EXPECT_EQ(mWindow->FindWidget(Num(main_controls::kChEnableFormat, kOutputs)), nullptr);
}

TEST_F(MainLayout, OutputButtonsAndTheDelayUnitCombo) {
    Expect<ui::SButton>(*mWindow, main_controls::kBtnLockOutput);
    Expect<ui::SButton>(*mWindow, main_controls::kBtnLinkOutput);
    Expect<ui::Button>(*mWindow, main_controls::kBtnResetOutput);
    Expect<ui::Button>(*mWindow, main_controls::kBtnResetLink);
    Expect<ui::Button>(*mWindow, main_controls::kBtnDelayDown);
    Expect<ui::Button>(*mWindow, main_controls::kBtnDelayUp);
    Expect<ui::Label>(*mWindow, main_controls::kLabelChannelName);
    if (auto* unit = Expect<ui::Combo>(*mWindow, main_controls::kCombChUnit)) {
        // Item index = unit code: 0 ms, 1 cm, 2 in.
        ASSERT_EQ(unit->ItemCount(), 3);
        EXPECT_EQ(unit->ItemRawText(0), "${unit_ms}");
        EXPECT_EQ(unit->ItemRawText(1), "${unit_cm}");
        EXPECT_EQ(unit->ItemRawText(2), "${unit_inch}");
        EXPECT_EQ(unit->CurSel(), 0);
    }
}

TEST_F(MainLayout, SpeakerMarkersExistForEveryPositionAndStartHidden) {
    for (int k = 1; k <= kSpeakerPositions; ++k) {
        SCOPED_TRACE(k);
        auto* marker = Expect<ui::SButton>(*mWindow, Num(main_controls::kSpeakerFormat, k));
        QWidget* con = mWindow->FindWidget(Num(main_controls::kSpkConFormat, k));
        EXPECT_TRUE(qobject_cast<ui::Label*>(con) || qobject_cast<ui::Image*>(con));
        auto* delay = Expect<ui::Edit>(*mWindow, Num(main_controls::kSpkDelayFormat, k));
        for (QWidget* w : {static_cast<QWidget*>(marker), con, static_cast<QWidget*>(delay)}) {
            if (w) {
                EXPECT_FALSE(w->isVisibleTo(mWindow.get())) << w->objectName().toStdString();
                EXPECT_EQ(ui::AsControl(w)->UserDataInt(), k) << w->objectName().toStdString();
            }
        }
        // The marker names its position the way the output strip does.
        if (marker) {
            EXPECT_EQ(marker->RawText(), Key(model::ChannelLabelOfSpeakerType(k)));
        }
    }
    EXPECT_EQ(mWindow->FindWidget(Num(main_controls::kSpeakerFormat, 0)), nullptr);
    EXPECT_EQ(mWindow->FindWidget(Num(main_controls::kSpeakerFormat, kSpeakerPositions + 1)),
              nullptr);
}

TEST_F(MainLayout, CrossoverAndBandControls) {
    for (const char* name : {main_controls::kHpType, main_controls::kLpType}) {
        auto* combo = Expect<ui::Combo>(*mWindow, name);
        ASSERT_NE(combo, nullptr);
        // Item index = filter type code.
        ASSERT_EQ(combo->ItemCount(), 4) << name;
        EXPECT_EQ(combo->ItemRawText(model::kButterworth), "${butterworth}");
        EXPECT_EQ(combo->ItemRawText(model::kLinkwitzRiley), "${linkwitz_riley}");
        EXPECT_EQ(combo->ItemRawText(model::kBessel), "${bessel}");
    }
    for (const char* name : {main_controls::kHpSlop, main_controls::kLpSlop}) {
        auto* combo = Expect<ui::Combo>(*mWindow, name);
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->ItemCount(), 9) << name;
        EXPECT_EQ(combo->ItemRawText(0), "${off}");
        for (int slope = 1; slope <= 8; ++slope) {
            EXPECT_TRUE(combo->ItemRawText(slope).startsWith(QString::number(slope * 6) + ' '))
                << name << " " << slope;
        }
    }
    Expect<ui::Edit>(*mWindow, main_controls::kHpFreq);
    Expect<ui::Edit>(*mWindow, main_controls::kLpFreq);
    Expect<ui::SButton>(*mWindow, main_controls::kBtnBypass);
    Expect<ui::Button>(*mWindow, main_controls::kBtnResetEq);
    if (auto* mode = Expect<ui::SButton>(*mWindow, main_controls::kBtnArgEq)) {
        EXPECT_EQ(mode->RawText(), "${geq_mode}");
    }
    for (int i = 0; i < kBands; ++i) {
        SCOPED_TRACE(i);
        for (const char* edit : {main_controls::kEqFreqFormat, main_controls::kEqQFormat,
                                 main_controls::kEqGainFormat}) {
            if (auto* e = Expect<ui::Edit>(*mWindow, Num(edit, i))) {
                EXPECT_EQ(e->UserDataInt(), i);
            }
        }
        if (auto* s = Expect<ui::Slider>(*mWindow, Num(main_controls::kEqSliderFormat, i))) {
            EXPECT_EQ(s->Min(), -180);
            EXPECT_EQ(s->Max(), 120);
            EXPECT_EQ(s->orientation(), Qt::Vertical);
        }
        Expect<ui::CheckBox>(*mWindow, Num(main_controls::kPtEnableFormat, i));
    }
    EXPECT_EQ(mWindow->FindWidget(Num(main_controls::kEqFreqFormat, kBands)), nullptr);
    Expect<ui::CheckBox>(*mWindow, main_controls::kCheckSumCurves);
    QWidget* graph = mWindow->FindWidget(main_controls::kEqualizer);
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(ui::AsControl(graph), nullptr) << "the graph is the window's own widget";
    EXPECT_GE(graph->width(), 560);
    EXPECT_GE(graph->height(), 200);
}

TEST_F(MainLayout, InputsRoutingBridgesAndSwitches) {
    if (auto* source = Expect<ui::Combo>(*mWindow, main_controls::kBtnInputSource)) {
        // Item index = source index.
        ASSERT_EQ(source->ItemCount(), model::INPUT_SOURCES);
        for (int s = 0; s < model::INPUT_SOURCES; ++s) {
            EXPECT_EQ(source->ItemRawText(s), "${" + Key(model::SourceComboItem(s)) + "}") << s;
        }
    }
    for (int in = 0; in < kInputs; ++in) {
        for (int out = 0; out < kOutputs; ++out) {
            const QString name = QString::asprintf(main_controls::kOptionChInFormat, in, out);
            if (auto* box = Expect<ui::CheckBox>(*mWindow, name)) {
                EXPECT_EQ(box->UserDataInt(), out) << name.toStdString();
            }
        }
    }
    EXPECT_EQ(mWindow->FindWidget(QString::asprintf(main_controls::kOptionChInFormat, kInputs, 0)),
              nullptr);
    EXPECT_EQ(mWindow->FindWidget(QString::asprintf(main_controls::kOptionChInFormat, 0, kOutputs)),
              nullptr);
    for (int pair = 0; pair < kBridgePairs; ++pair) {
        if (auto* b = Expect<ui::SButton>(*mWindow, Num(main_controls::kChBridgeFormat, pair))) {
            EXPECT_EQ(b->RawText(), QStringLiteral("CH%1+%2").arg(2 * pair + 1).arg(2 * pair + 2));
            EXPECT_EQ(b->UserDataInt(), pair);
        }
        if (auto* c =
                Expect<ui::CheckBox>(*mWindow, Num(main_controls::kBridgeCheckboxFormat, pair))) {
            EXPECT_EQ(c->UserDataInt(), pair);
        }
    }
    if (auto* s = Expect<ui::Slider>(*mWindow, main_controls::kSliderMainVolume)) {
        EXPECT_EQ(s->Min(), -60);
        EXPECT_EQ(s->Max(), 6);
        EXPECT_EQ(s->Value(), 0);
    }
    Expect<ui::Edit>(*mWindow, main_controls::kEditMainVolume);
    Expect<ui::CheckBox>(*mWindow, main_controls::kMainMute);
    Expect<ui::Edit>(*mWindow, main_controls::kEditAcc);
    if (auto* acc = Expect<ui::Slider>(*mWindow, main_controls::kSliderAcc)) {
        EXPECT_LT(acc->Min(), acc->Max());
    }
    mWindow->Show();
    ShowPage(Page("inputs"));
    for (const char* name : {main_controls::kBtnAmpOnoff, main_controls::kBtnRemOut1Onoff,
                             main_controls::kBtnRemOut2Onoff, main_controls::kBtn2OhmSpk,
                             main_controls::kBtnNoiseGate}) {
        auto* b = Expect<ui::SButton>(*mWindow, name);
        ASSERT_NE(b, nullptr);
        // Off: red text; on: white text on the accent. Judged by what is drawn.
        b->SetSelected(false);
        EXPECT_TRUE(Drawn(b, IsRed)) << name;
        EXPECT_FALSE(Drawn(b, IsWhite)) << name;
        b->SetSelected(true);
        EXPECT_TRUE(Drawn(b, IsWhite)) << name;
        EXPECT_FALSE(Drawn(b, IsRed)) << name;
    }
}

TEST_F(MainLayout, FirstTabIsSelectedAndOnlyItsPageShows) {
    std::vector<ui::Option*> tabs;
    for (const char* page : kPages) {
        auto* tab = Expect<ui::Option>(*mWindow, PageTab(page));
        auto* group = Expect<ui::Group>(*mWindow, Page(page));
        ASSERT_TRUE(tab && group);
        tabs.push_back(tab);
        EXPECT_EQ(tab->Group(), tabs.front()->Group()) << "one radio group for all tabs";
        const bool first = tabs.size() == 1;
        EXPECT_EQ(tab->IsSelected(), first) << page;
        EXPECT_EQ(group->isVisibleTo(mWindow.get()), first) << page;
    }
    // Choosing another tab clears the first, as the code relies on.
    tabs[2]->SetSelected(true, ui::NotifyMode::Notify);
    EXPECT_FALSE(tabs[0]->IsSelected());
    EXPECT_TRUE(tabs[2]->IsSelected());
}

// ---- menus ----

TEST_F(MainLayout, MenusLoadWithTheirItems) {
    struct MenuCase {
        const char* layout;
        QStringList items;
    };
    QStringList outputItems;
    for (int t = 0; t < model::SPEAKER_TYPE_COUNT; ++t) {
        outputItems << Key(model::MenuItemOfSpeakerType(t));
    }
    outputItems << main_controls::kFiltersItemImport << main_controls::kFiltersItemExport;
    // Groups 0 (none) to 4.
    auto GroupItems = [](const char* prefix) {
        QStringList items;
        for (int g = 0; g <= 4; ++g) {
            items << Item(prefix, g);
        }
        return items;
    };
    const std::vector<MenuCase> cases = {
        {"MENU_OUTPUT", outputItems},
        {"MENU_LINK_GROUP", GroupItems(main_controls::kLinkGroupItemPrefix)},
        {"MENU_DELAY_LINK_GROUP", GroupItems(main_controls::kDelayLinkGroupItemPrefix)},
        {"MENU_SCENE",
         {main_controls::kSceneItemLoadScene, main_controls::kSceneItemSaveasScene,
          main_controls::kSceneItemDeleteScene, main_controls::kSceneItemLoadFile,
          main_controls::kSceneItemSaveFile, main_controls::kSceneItemLoadWhole,
          main_controls::kSceneItemSaveWhole}},
        {"MENU_ADVANCE",
         {main_controls::kAdvanceItemMixer, main_controls::kAdvanceItemNoiseThreshold,
          main_controls::kAdvanceItemCompressorsOn, main_controls::kAdvanceItemAutocal,
          main_controls::kAdvanceItemPoweroffDelay, main_controls::kAdvanceItemKtv,
          main_controls::kAdvanceItemCompressor, main_controls::kAdvanceItemCustomEq}},
        {"MENU_OPTION",
         {main_controls::kOptionItemFirmwareUpgrade, main_controls::kOptionItemResetDefault,
          main_controls::kOptionItemClearHistory, main_controls::kOptionItemAbCopyAToB,
          main_controls::kOptionItemAbCopyBToA, main_controls::kOptionItemAbSave,
          main_controls::kOptionItemAbLoad, main_controls::kOptionItemLanguageEn,
          main_controls::kOptionItemLanguageCn, main_controls::kOptionItemLanguageRu,
          main_controls::kOptionItemAbout}},
    };
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.layout);
        QString error;
        ui::Menu* menu = mWindow->CreateMenu(QString::fromLatin1(c.layout), &error);
        ASSERT_NE(menu, nullptr) << error.toStdString();
        const QStringList names = menu->ItemNames();
        for (const QString& item : c.items) {
            QAction* action = menu->FindItem(item);
            ASSERT_NE(action, nullptr) << item.toStdString();
            // A text the language resolves, never a bare key name.
            EXPECT_FALSE(action->text().isEmpty()) << item.toStdString();
            EXPECT_FALSE(action->text().contains('$')) << item.toStdString();
        }
    }
    // Speaker types: the item's text is the type's menu text, and every type can be ticked.
    ui::Menu* output = mWindow->CreateMenu("MENU_OUTPUT");
    ASSERT_NE(output, nullptr);
    for (int t = 0; t < model::SPEAKER_TYPE_COUNT; ++t) {
        QAction* item = output->FindItem(Key(model::MenuItemOfSpeakerType(t)));
        ASSERT_NE(item, nullptr) << t;
        EXPECT_EQ(item->text(), ui::ResolveText(Key(model::MenuTextOfSpeakerType(t)))) << t;
        EXPECT_TRUE(item->isCheckable()) << t;
    }
    // Group menus: the user data is the group number.
    const std::pair<const char*, const char*> groupMenus[] = {
        {"MENU_LINK_GROUP", main_controls::kLinkGroupItemPrefix},
        {"MENU_DELAY_LINK_GROUP", main_controls::kDelayLinkGroupItemPrefix}};
    for (const auto& [layout, prefix] : groupMenus) {
        ui::Menu* menu = mWindow->CreateMenu(QString::fromLatin1(layout));
        ASSERT_NE(menu, nullptr) << layout;
        for (int g = 0; g <= 4; ++g) {
            EXPECT_EQ(menu->ItemUserData(Item(prefix, g)), QString::number(g)) << layout << g;
        }
        EXPECT_EQ(menu->FindItem(Item(prefix, 5)), nullptr) << layout;
    }
}

// ---- fit and placement ----

// Texts the code puts on a control later, besides the one in the layout.
std::map<QString, QStringList> CodeTexts() {
    std::map<QString, QStringList> texts;
    QStringList labels;
    for (int t = 0; t < model::SPEAKER_TYPE_COUNT; ++t) {
        labels << Key(model::ChannelLabelOfSpeakerType(t));
    }
    for (int i = 0; i < kOutputs; ++i) {
        texts[Num(main_controls::kChOutputBtnFormat, i)] = labels;
        texts[Num(main_controls::kChPhaseFormat, i)] = {"${positive_phase}", "${reverse phase}"};
        texts[Num(main_controls::kEditChVolumeFormat, i)] = {"-60dB", "-12dB", "${off}"};
        texts[Num(main_controls::kEditChDelayFormat, i)] = {"15.000", "519", "204"};
    }
    for (int k = 1; k <= kSpeakerPositions; ++k) {
        texts[Num(main_controls::kSpkDelayFormat, k)] = {"15.000", "519"};
    }
    for (int b = 0; b < kBands; ++b) {
        texts[Num(main_controls::kEqFreqFormat, b)] = {"20000", "12500"};
        texts[Num(main_controls::kEqQFormat, b)] = {"9.0", "0.5"};
        texts[Num(main_controls::kEqGainFormat, b)] = {"-18.0", "12.0"};
    }
    texts[main_controls::kBtnConnect] = {"${btn_connected}", "${btn_connecting}",
                                         "${btn_disconnected}"};
    texts[main_controls::kBtnAmpOnoff] = {"${amp_on}", "${amp_off}"};
    texts[main_controls::kBtnRemOut1Onoff] = {"${rem_out1_on}", "${rem_out1_off}"};
    texts[main_controls::kBtnRemOut2Onoff] = {"${rem_out2_on}", "${rem_out2_off}"};
    texts[main_controls::kBtn2OhmSpk] = {"${btn_2ohm_spk}", "${btn_4ohm_spk}"};
    texts[main_controls::kBtnNoiseGate] = {"${btn_noise_gate_on}", "${btn_noise_gate_off}"};
    texts[main_controls::kBtnBypass] = {"${bypass_eq}", "${restore_eq}"};
    texts[main_controls::kBtnArgEq] = {"${geq_mode}", "${peq_mode}"};
    texts[main_controls::kLabelChannelName] = {"CH12"};
    texts[main_controls::kBtnAb] = {"A", "B"};
    // The version lines as the window writes them, with the widest numbers they can hold.
    texts[main_controls::kSoftVersion] = {"${soft_version} v88.88.88"};
    texts[main_controls::kInnerFwVersion] = {"${inner_fw_version} v88.88"};
    texts[main_controls::kFwVersion] = {"ORN14.60DSP ${version} v88.88"};
    texts[main_controls::kHpFreq] = {"20000${unit_hz}"};
    texts[main_controls::kLpFreq] = {"20000${unit_hz}"};
    // Strip delays carry their unit.
    for (int i = 0; i < 12; ++i) {
        texts[Num(main_controls::kEditChDelayFormat, i)] = {
            "15.000 ${unit_ms_sym}", "519 ${unit_cm_sym}", "204 ${unit_in_sym}"};
    }
    texts[main_controls::kEditMainVolume] = {"-60dB", "${off}"};
    texts[main_controls::kEditAcc] = {"30", "${off}"};
    return texts;
}

int TextWidth(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split('\n')) {
        widest = std::max(widest, fm.horizontalAdvance(line));
    }
    return widest;
}

// The width a text has inside the control, or -1 for kinds whose texts are not measured.
// The style knows the indicator, padding and borders the theme gives each kind.
int TextRoom(QWidget* w) {
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        // The theme's padding is outside the text's room: the button clips the text there.
        QStyleOptionButton option;
        option.initFrom(b);
        option.text = b->text();
        return b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b).width();
    }
    if (auto* c = qobject_cast<QCheckBox*>(w)) {
        QStyleOptionButton option;
        option.initFrom(c);
        option.text = c->text();
        return c->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, c).width();
    }
    if (auto* r = qobject_cast<QRadioButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(r);
        option.text = r->text();
        return r->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, r).width();
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        QStyleOptionFrame option;
        option.initFrom(e);
        option.lineWidth = e->hasFrame() ? 1 : 0;
        const QRect contents = e->style()->subElementRect(QStyle::SE_LineEditContents, &option, e);
        const QMargins margins = e->textMargins();
        // QLineEdit keeps two pixels free on each side of the text.
        return contents.width() - margins.left() - margins.right() - 4;
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = false;
        return combo->style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
            .width();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return l->width() - 2;
    }
    return -1;
}

// Every text a control shows in the current language: its own, the code's, a combo's items.
QStringList ShownTexts(QWidget* w, const std::map<QString, QStringList>& codeTexts) {
    QStringList texts;
    if (auto* combo = qobject_cast<ui::Combo*>(w)) {
        for (int i = 0; i < combo->ItemCount(); ++i) {
            texts << combo->ItemText(i);
        }
        return texts;
    }
    const ui::Control* control = ui::AsControl(w);
    if (control && !qobject_cast<QLineEdit*>(w)) {
        texts << control->Text();
    }
    const auto more = codeTexts.find(w->objectName());
    if (more != codeTexts.end()) {
        for (const QString& raw : more->second) {
            texts << ui::ResolveText(raw);
        }
    }
    return texts;
}

// Measures every named control's texts in every language; failures say which and by how much.
int MeasureTexts(ui::Window& window, const std::map<QString, QStringList>& codeTexts,
                 QStringList& failures) {
    auto& res = ui::Resources::Instance();
    int measured = 0;
    for (const char* language : kLanguages) {
        EXPECT_TRUE(res.SelectLanguage(QString::fromLatin1(language)));
        QApplication::processEvents();
        for (QWidget* w : window.findChildren<QWidget*>()) {
            if (!ui::AsControl(w) || w->objectName().isEmpty()) {
                continue;
            }
            w->ensurePolished();
            const int room = TextRoom(w);
            if (room < 0) {
                continue;
            }
            auto* label = qobject_cast<QLabel*>(w);
            const QFontMetrics fm(w->font());
            for (const QString& text : ShownTexts(w, codeTexts)) {
                if (text.isEmpty()) {
                    continue;
                }
                ++measured;
                EXPECT_FALSE(text.contains(QStringLiteral("${")))
                    << language << " " << w->objectName().toStdString();
                if (label && label->wordWrap()) {
                    const QRect need =
                        fm.boundingRect(QRect(0, 0, room, 10000), Qt::TextWordWrap, text);
                    if (need.height() > label->height()) {
                        failures << QStringLiteral("%1 %2: \"%3\" needs %4 px of height, has %5")
                                        .arg(language, w->objectName(), text)
                                        .arg(need.height())
                                        .arg(label->height());
                    }
                    continue;
                }
                const int need = TextWidth(fm, text);
                if (need > room) {
                    failures << QStringLiteral("%1 %2: \"%3\" needs %4 px, has %5")
                                    .arg(language, w->objectName(), text)
                                    .arg(need)
                                    .arg(room);
                }
            }
        }
    }
    failures.removeDuplicates();
    return measured;
}

TEST_F(MainLayout, EveryTextFitsInEveryLanguage) {
    mWindow->Show();
    QStringList failures;
    EXPECT_GT(MeasureTexts(*mWindow, CodeTexts(), failures), 1000);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

// No two children of one container overlap unless one holds the other, and none leaves its
// container. Hidden controls count too: the speaker markers appear in any combination, the
// pages one at a time in the same place.
QStringList OverlapFailures(ui::Window& window) {
    QStringList failures;
    std::vector<QWidget*> containers = {&window};
    for (auto* g : window.findChildren<ui::Group*>()) {
        containers.push_back(g);
    }
    for (QWidget* container : containers) {
        std::vector<QWidget*> children;
        for (QObject* o : container->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->objectName().isEmpty() && !w->isWindow()) {
                children.push_back(w);
            }
        }
        const QRect inside = window.ControlRect(container).isValid() && container != &window
                                 ? QRect(QPoint(0, 0), window.ControlRect(container).size())
                                 : QRect(QPoint(0, 0), window.LayoutSize());
        for (size_t a = 0; a < children.size(); ++a) {
            const QRect ra = window.ControlRect(children[a]);
            if (!inside.contains(ra)) {
                failures << QStringLiteral("%1 leaves %2")
                                .arg(children[a]->objectName(), container->objectName());
            }
            for (size_t b = a + 1; b < children.size(); ++b) {
                const QRect rb = window.ControlRect(children[b]);
                if (ra.intersects(rb) && !ra.contains(rb) && !rb.contains(ra)) {
                    failures << QStringLiteral("%1 overlaps %2")
                                    .arg(children[a]->objectName(), children[b]->objectName());
                }
            }
        }
    }
    return failures;
}

TEST_F(MainLayout, ControlsNeitherOverlapNorLeaveTheirContainer) {
    const QStringList failures = OverlapFailures(*mWindow);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

// Each page in each language, for a person to look at; a machine checks the size and that the
// page that should show is the one drawn (its first control's area differs between pages).
TEST_F(MainLayout, RendersEveryPageInEveryLanguage) {
    const QString dir = QStringLiteral(SHOTS_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    auto& res = ui::Resources::Instance();
    mWindow->Show();
    for (const char* language : kLanguages) {
        ASSERT_TRUE(res.SelectLanguage(QString::fromLatin1(language)));
        std::map<QString, QImage> shots;
        for (const char* page : kPages) {
            ShowPage(Page(page));
            const QImage image = mWindow->grab().toImage();
            EXPECT_EQ(image.size(), QSize(1230, 650));
            const QString file = QStringLiteral("%1/main_%2_%3.png").arg(dir, page, language);
            EXPECT_TRUE(image.save(file)) << file.toStdString();
            shots[page] = image;
        }
        // The page area differs from page to page; the strips below it do not.
        const QRect pageArea = mWindow->ControlRect(mWindow->FindWidget(Page("eq")));
        const QRect strips(10, 412, 1210, 234);
        EXPECT_NE(shots["eq"].copy(pageArea), shots["inputs"].copy(pageArea)) << language;
        EXPECT_NE(shots["inputs"].copy(pageArea), shots["speakers"].copy(pageArea)) << language;
        EXPECT_EQ(shots["eq"].copy(strips), shots["speakers"].copy(strips)) << language;

        // Every speaker position at once, as no assignment can show more.
        ShowPage(Page("speakers"));
        const char* const kinds[] = {main_controls::kSpeakerFormat, main_controls::kSpkConFormat,
                                     main_controls::kSpkDelayFormat};
        for (int k = 1; k <= kSpeakerPositions; ++k) {
            for (const char* kind : kinds) {
                mWindow->FindWidget(Num(kind, k))->setVisible(true);
            }
        }
        QApplication::processEvents();
        const QImage all = mWindow->grab().toImage();
        EXPECT_NE(all.copy(pageArea), shots["speakers"].copy(pageArea)) << language;
        EXPECT_TRUE(all.save(QStringLiteral("%1/main_speakers_all_%2.png").arg(dir, language)));
        for (int k = 1; k <= kSpeakerPositions; ++k) {
            for (const char* kind : kinds) {
                mWindow->FindWidget(Num(kind, k))->setVisible(false);
            }
        }
    }
}

// The mixer's layout with each channel-name area, holding the widest texts its code writes.
TEST(MixerLayout, EveryTextFitsAndNothingOverlaps) {
    ASSERT_TRUE(ui_test::LoadEnglishSkin());
    ui::Resources::Instance().SetUiScaleDpi(96);
    LayoutWindow window;
    QString error;
    ASSERT_TRUE(window.Create("XML_MIXER", &error)) << error.toStdString();
    ASSERT_TRUE(window.LayoutError().isEmpty()) << window.LayoutError().toStdString();
    std::map<QString, QStringList> texts;
    for (int r = 0; r < 12; ++r) {
        texts[QStringLiteral("title_label_%1").arg(r)] = {"${source_hi}10", "${source_coax} R",
                                                          "${source_dmp} L", "${mixer_vice} 2"};
        for (int o = 0; o < 12; ++o) {
            texts[QStringLiteral("box_edit_%1_%2").arg(o).arg(r)] = {"100"};
        }
    }
    for (int k = 0; k < 2; ++k) {
        texts[QStringLiteral("csm_vice_gain_edit_%1").arg(k)] = {"-32dB"};
    }
    window.Show();
    QStringList failures;
    int measured = 0;
    for (const char* area :
         {"xml/channel_name_area_hi_source.xml", "xml/channel_name_area_low_source.xml",
          "xml/channel_name_area_aux_source.xml", "xml/channel_name_area_2ch_source.xml"}) {
        ASSERT_TRUE(window.LoadLayoutInto(window.FindWidget("channel_name_area"),
                                          QString::fromLatin1(area), &error))
            << area << " " << error.toStdString();
        measured += MeasureTexts(window, texts, failures);
        failures << OverlapFailures(window);
    }
    EXPECT_GT(measured, 1000);
    failures.removeDuplicates();
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    ui::Resources::Instance().Reset();
}

}  // namespace

// ---- tool windows ----

// A tool window's layout: every control the code uses, faders spanning the model's limits (in
// slider units), texts that fit in every language (also the widest the code writes), and no
// two controls of one container that overlap.
struct ToolLayout {
    const char* layout;
    std::map<QString, std::pair<int, int>> sliders;  // name: min, max
    QStringList edits;
    QStringList others;
    std::map<QString, QStringList> codeTexts;
};

std::vector<ToolLayout> ToolLayouts() {
    namespace cc = compressor_controls;
    const auto units = [](float lo, float hi, int scale) {
        return std::pair<int, int>(static_cast<int>(lo * scale), static_cast<int>(hi * scale));
    };
    const std::pair<int, int> threshold =
        units(model::MIN_COMPRESSOR_THRESHOLD, model::MAX_COMPRESSOR_THRESHOLD, 10);
    const std::pair<int, int> attack(model::MIN_COMPRESSOR_ATTACK, model::MAX_COMPRESSOR_ATTACK);
    const std::pair<int, int> release(model::MIN_COMPRESSOR_RELEASE, model::MAX_COMPRESSOR_RELEASE);
    const QStringList thresholdTexts = {"-100.0dB", "127.0dB"};
    const QStringList attackTexts = {"5000ms"};
    const QStringList releaseTexts = {"65500ms"};

    ToolLayout one{"XML_COMPRESSOR", {}, {}, {}, {}};
    one.sliders[cc::kSliderNoise] = threshold;
    one.sliders[cc::kSliderRatio] =
        units(model::MIN_COMPRESSOR_RATIO, model::MAX_COMPRESSOR_RATIO, 10);
    one.sliders[cc::kSliderSoftKnee] =
        units(model::MIN_COMPRESSOR_KNEE, model::MAX_COMPRESSOR_KNEE, 10);
    one.sliders[cc::kSliderAttackTime] = attack;
    one.sliders[cc::kSliderReleaseTime] = release;
    one.edits = {cc::kEditNoise, cc::kEditRatio, cc::kEditSoftKnee, cc::kEditAttackTime,
                 cc::kEditReleaseTime};
    one.others = {cc::kBtnBp,    cc::kCurrChannelText, cc::kMinBtn,
                  cc::kCloseBtn, cc::kConfirmBtn,      cc::kCancelBtn};
    one.codeTexts = {{cc::kEditNoise, thresholdTexts},     {cc::kEditRatio, {"100.0"}},
                     {cc::kEditSoftKnee, {"48.0dB"}},      {cc::kEditAttackTime, attackTexts},
                     {cc::kEditReleaseTime, releaseTexts}, {cc::kCurrChannelText, {"CH12"}}};

    ToolLayout all{"XML_COMPRESSORS_ON", {}, {}, {}, {}};
    const std::pair<const char*, std::pair<int, int>> params[] = {
        {cc::kThreshold, threshold}, {cc::kAttackTime, attack}, {cc::kReleaseTime, release}};
    const QStringList* texts[] = {&thresholdTexts, &attackTexts, &releaseTexts};
    for (int c = 0; c < model::OUTPUT_CHANNELS; ++c) {
        for (size_t p = 0; p < std::size(params); ++p) {
            all.sliders[QString::asprintf(cc::kSliderFormat, params[p].first, c)] =
                params[p].second;
            const QString edit = QString::asprintf(cc::kEditFormat, params[p].first, c);
            all.edits << edit;
            all.codeTexts[edit] = *texts[p];
        }
        all.others << QString::asprintf(cc::kBoxEnableFormat, c)
                   << QString::asprintf(cc::kColumnFormat, c);
    }
    all.others << cc::kCloseBtn << cc::kConfirmBtn << cc::kCancelBtn;

    namespace kc = ktv_controls;
    ToolLayout ktv{
        "XML_KTV", {}, {}, {kc::kOptionHowlingControl, kc::kConfirmBtn, kc::kCloseBtn}, {}};
    const struct {
        model::KtvValue value;
        const char* slider;
        const char* edit;
        const char* unit;
    } rows[] = {
        {model::KtvValue::MicVolume, kc::kSliderMicVolume, kc::kEditMicVolume, "dB"},
        {model::KtvValue::MusicVolume, kc::kSliderBgmusicVolume, kc::kEditBgmusicVolume, "dB"},
        {model::KtvValue::EchoLevel, kc::kSliderEchoLevel, kc::kEditEchoLevel, "dB"},
        {model::KtvValue::EchoDelay, kc::kSliderEchoDelay, kc::kEditEchoDelay, "ms"},
        {model::KtvValue::ReverbLevel, kc::kSliderReverbLevel, kc::kEditReverbLevel, ""},
        {model::KtvValue::ReverbTime, kc::kSliderReverbTime, kc::kEditReverbTime, "ms"},
        {model::KtvValue::VoiceChanger, kc::kSliderVoiceChanger, kc::kEditVoiceChanger, ""},
        {model::KtvValue::Bass, kc::kSliderBass, kc::kEditBass, ""},
        {model::KtvValue::Treble, kc::kSliderTreble, kc::kEditTreble, ""},
    };
    for (const auto& row : rows) {
        const model::KtvRange range = model::KtvRangeOf(row.value);
        ktv.sliders[row.slider] = {range.min, range.max};
        ktv.edits << row.edit;
        ktv.codeTexts[row.edit] = {QString::number(range.min) + row.unit,
                                   QString::number(range.max) + row.unit};
    }
    return {one, all, ktv};
}

TEST(ToolLayouts, ControlsRangesFitAndPlacement) {
    ASSERT_TRUE(ui_test::LoadEnglishSkin());
    auto& res = ui::Resources::Instance();
    res.SetUiScaleDpi(96);
    for (const ToolLayout& t : ToolLayouts()) {
        SCOPED_TRACE(t.layout);
        LayoutWindow window;
        QString error;
        ASSERT_TRUE(window.Create(QString::fromLatin1(t.layout), &error)) << error.toStdString();
        ASSERT_TRUE(window.LayoutError().isEmpty()) << window.LayoutError().toStdString();
        for (const auto& [name, range] : t.sliders) {
            if (auto* slider = Expect<ui::Slider>(window, name)) {
                EXPECT_EQ(std::make_pair(slider->Min(), slider->Max()), range)
                    << name.toStdString();
            }
        }
        for (const QString& name : t.edits) {
            Expect<ui::Edit>(window, name);
        }
        for (const QString& name : t.others) {
            EXPECT_NE(window.FindWidget(name), nullptr) << name.toStdString();
        }

        window.Show();
        QStringList failures;
        for (const char* language : kLanguages) {
            ASSERT_TRUE(res.SelectLanguage(QString::fromLatin1(language)));
            QApplication::processEvents();
            for (QWidget* w : window.findChildren<QWidget*>()) {
                const int room = ui::AsControl(w) ? TextRoom(w) : -1;
                if (room < 0 || w->objectName().isEmpty()) {
                    continue;
                }
                w->ensurePolished();
                const QFontMetrics fm(w->font());
                for (const QString& text : ShownTexts(w, t.codeTexts)) {
                    EXPECT_FALSE(text.contains(QStringLiteral("${"))) << text.toStdString();
                    if (TextWidth(fm, text) > room) {
                        failures << QStringLiteral("%1 %2: \"%3\" needs %4 px, has %5")
                                        .arg(language, w->objectName(), text)
                                        .arg(TextWidth(fm, text))
                                        .arg(room);
                    }
                }
            }
        }
        std::vector<QWidget*> containers = {&window};
        for (auto* g : window.findChildren<ui::Group*>()) {
            containers.push_back(g);
        }
        for (QWidget* container : containers) {
            const QRect inside = container == &window
                                     ? QRect(QPoint(0, 0), window.LayoutSize())
                                     : QRect(QPoint(0, 0), window.ControlRect(container).size());
            std::vector<QWidget*> children;
            for (QObject* o : container->children()) {
                auto* w = qobject_cast<QWidget*>(o);
                if (w && !w->objectName().isEmpty() && !w->isWindow()) {
                    children.push_back(w);
                }
            }
            for (size_t a = 0; a < children.size(); ++a) {
                const QRect ra = window.ControlRect(children[a]);
                if (!inside.contains(ra)) {
                    failures << children[a]->objectName() + " leaves its container";
                }
                for (size_t b = a + 1; b < children.size(); ++b) {
                    const QRect rb = window.ControlRect(children[b]);
                    if (ra.intersects(rb) && !ra.contains(rb) && !rb.contains(ra)) {
                        failures << children[a]->objectName() + " overlaps " +
                                        children[b]->objectName();
                    }
                }
            }
        }
        failures.removeDuplicates();
        EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
        ASSERT_TRUE(res.SelectLanguage(QStringLiteral("en")));
    }
    res.Reset();
}  // namespace

// The small tool windows' layouts: they build, and every text fits in each language, also the
// widest the code writes into their fields and labels.
TEST_F(MainLayout, ToolWindowTextsFitInEveryLanguage) {
    const std::map<QString, QStringList> codeTexts = {
        {"value_edt", {"-81dBu", "${off}", "1000 ms"}},
        {"noise_0", {" -100.0"}},
        {"addr_edit", {"0xffffffff"}},
        {"data_edit", {"0xffffffff"}},
        {"edit_auto_0", {"2.000"}},
    };
    auto& res = ui::Resources::Instance();
    QStringList failures;
    int measured = 0;
    for (const char* layout :
         {"XML_NOISE_THRESHOLD", "XML_POWEROFF_DELAY", "XML_MEM_WR", "XML_CS_AUTO"}) {
        ui::Window window;
        QString error;
        ASSERT_TRUE(window.Create(QString::fromLatin1(layout), &error))
            << layout << " " << error.toStdString();
        window.Show();
        for (const char* language : kLanguages) {
            ASSERT_TRUE(res.SelectLanguage(QString::fromLatin1(language)));
            QApplication::processEvents();
            for (QWidget* w : window.findChildren<QWidget*>()) {
                if (!ui::AsControl(w) || w->objectName().isEmpty()) {
                    continue;
                }
                w->ensurePolished();
                const int room = TextRoom(w);
                if (room < 0) {
                    continue;
                }
                const QFontMetrics fm(w->font());
                for (const QString& text : ShownTexts(w, codeTexts)) {
                    if (text.isEmpty()) {
                        continue;
                    }
                    ++measured;
                    EXPECT_FALSE(text.contains(QStringLiteral("${")))
                        << layout << " " << language << " " << w->objectName().toStdString();
                    if (TextWidth(fm, text) > room) {
                        failures << QStringLiteral("%1 %2 %3: \"%4\" needs %5 px, has %6")
                                        .arg(QString::fromLatin1(layout), language, w->objectName(),
                                             text)
                                        .arg(TextWidth(fm, text))
                                        .arg(room);
                    }
                }
            }
        }
    }
    EXPECT_GT(measured, 50);
    failures.removeDuplicates();
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}
