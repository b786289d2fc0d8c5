#include <gtest/gtest.h>

#include <QTest>

#include "ui/controls.h"
#include "ui/resources.h"
#include "ui/window.h"
#include "ui_layouts/test_app.h"

namespace {

struct Heard {
    QString type;
    QString sender;
    int arg;
    QString userData;
    bool operator==(const Heard&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Heard& h) {
    return os << h.type.toStdString() << "/" << h.sender.toStdString() << "/" << h.arg;
}

// Records every notification; an optional hook runs inside the handler.
class Recorder : public ui::Window {
  public:
    void Notify(const ui::Notification& n) override {
        heard.push_back({n.type, n.sender, n.arg, n.userData});
        EXPECT_EQ(n.control, FindWidget(n.sender));
        if (hook) {
            hook(n);
        }
    }
    std::vector<Heard> Take() { return std::exchange(heard, {}); }
    std::vector<Heard> heard;
    std::function<void(const ui::Notification&)> hook;
};

template <class T>
T* Add(Recorder* window, const QString& name, QRect rect) {
    auto* control = new T(window);
    control->setObjectName(name);
    window->SetControlRect(control, rect);
    return control;
}

// Where a click toggles a check box or option: its indicator and label, not the whole widget.
QPoint ClickPoint(QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
    return button->style()
        ->subElementRect(radio ? QStyle::SE_RadioButtonClickRect : QStyle::SE_CheckBoxClickRect,
                         &option, button)
        .center();
}

class UiControls : public ::testing::Test {
  protected:
    void SetUp() override {
        ui_test::EnsureApp();
        ui::Resources::Instance().Reset();
        window = std::make_unique<Recorder>();
        window->SetLayoutSize(QSize(400, 300));
    }
    void Show() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
    }
    std::unique_ptr<Recorder> window;
};

TEST_F(UiControls, ButtonClickNamesItsSender) {
    auto* button = Add<ui::Button>(window.get(), "btn_connect", {10, 10, 80, 24});
    button->SetUserData("7");
    Show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"click", "btn_connect", 0, "7"}}));
    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(window->Take().empty());
}

TEST_F(UiControls, CheckBoxNotifiesUserChangesOnly) {
    auto* box = Add<ui::CheckBox>(window.get(), "ch_mute_3", {10, 10, 80, 20});
    box->SetUserData("3");
    Show();
    QTest::mouseClick(box, Qt::LeftButton, {}, ClickPoint(box));
    QTest::mouseClick(box, Qt::LeftButton, {}, ClickPoint(box));
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"selectchanged", "ch_mute_3", 1, "3"},
                                                  {"selectchanged", "ch_mute_3", 0, "3"}}));
    box->SetSelected(true);
    EXPECT_TRUE(box->IsSelected());
    EXPECT_TRUE(window->Take().empty());
    box->setChecked(false);  // Qt's own setter is just as quiet
    EXPECT_TRUE(window->Take().empty());
    box->SetSelected(true, ui::NotifyMode::Notify);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"selectchanged", "ch_mute_3", 1, "3"}}));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"selectchanged", "ch_mute_3", 0, "3"}}));
}

TEST_F(UiControls, OptionGroupsClearTheOthers) {
    auto* a = Add<ui::Option>(window.get(), "opt_a", {10, 10, 60, 20});
    auto* b = Add<ui::Option>(window.get(), "opt_b", {80, 10, 60, 20});
    auto* c = Add<ui::Option>(window.get(), "opt_c", {150, 10, 60, 20});
    auto* lone = Add<ui::Option>(window.get(), "opt_lone", {220, 10, 60, 20});
    for (ui::Option* o : {a, b, c}) {
        o->SetGroup("mode");
    }
    a->SetSelected(true);
    Show();
    EXPECT_TRUE(window->Take().empty());

    QTest::mouseClick(b, Qt::LeftButton, {}, ClickPoint(b));
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"selectchanged", "opt_a", 0, ""},
                                                  {"selectchanged", "opt_b", 1, ""}}));
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());

    QTest::mouseClick(b, Qt::LeftButton, {}, ClickPoint(b));  // already chosen: stays, says nothing
    EXPECT_TRUE(b->IsSelected());
    EXPECT_TRUE(window->Take().empty());

    c->SetSelected(true);  // from code: the group follows silently
    EXPECT_FALSE(b->IsSelected());
    EXPECT_TRUE(window->Take().empty());

    QTest::mouseClick(lone, Qt::LeftButton, {}, ClickPoint(lone));
    QTest::mouseClick(lone, Qt::LeftButton, {}, ClickPoint(lone));
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"selectchanged", "opt_lone", 1, ""},
                                                  {"selectchanged", "opt_lone", 0, ""}}));
    EXPECT_TRUE(c->IsSelected());

    a->SetSelected(true, ui::NotifyMode::Notify);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"selectchanged", "opt_c", 0, ""},
                                                  {"selectchanged", "opt_a", 1, ""}}));
}

TEST_F(UiControls, SButtonSelectionIsExclusivePerGroup) {
    ui::LayoutNode node;
    node.tag = "SButton";
    node.attributes = {{"group", "ch"}, {"selectedtextcolor", "#ff0000"}};
    auto* first = Add<ui::SButton>(window.get(), "ch_enable_0", {10, 10, 60, 24});
    auto* second = Add<ui::SButton>(window.get(), "ch_enable_1", {80, 10, 60, 24});
    QString error;
    ASSERT_TRUE(first->Configure(node, &error)) << error.toStdString();
    ASSERT_TRUE(second->Configure(node, &error));
    first->SetSelected(true);
    EXPECT_TRUE(first->property("selected").toBool());
    Show();
    QTest::mouseClick(second, Qt::LeftButton);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"click", "ch_enable_1", 0, ""}}));
    EXPECT_TRUE(first->IsSelected());  // the window decides what a click selects
    second->SetSelected(true);
    EXPECT_FALSE(first->IsSelected());
    EXPECT_TRUE(second->IsSelected());
    EXPECT_FALSE(first->property("selected").toBool());
    EXPECT_TRUE(first->styleSheet().contains("[selected=\"true\"]"));

    node.attributes = {{"autoselect", "true"}, {"group", "ch"}};
    ASSERT_TRUE(first->Configure(node, &error));
    QTest::mouseClick(first, Qt::LeftButton);
    EXPECT_TRUE(first->IsSelected());
    EXPECT_FALSE(second->IsSelected());
}

TEST_F(UiControls, SliderDragMovesThenCommitsOnRelease) {
    auto* slider = Add<ui::Slider>(window.get(), "slider_ch_volume_2", {10, 10, 210, 20});
    slider->SetRange(0, 100);
    slider->SetUserData("2");
    Show();
    const QRect groove = slider->rect();
    const auto xOf = [&](int value) {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.minimum = 0;
        option.maximum = 100;
        option.sliderPosition = value;
        option.orientation = Qt::Horizontal;
        const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderHandle, slider);
        return handle.center().x();
    };
    const int y = groove.center().y();
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(xOf(0), y));
    QTest::mouseMove(slider, QPoint(xOf(0) + 40, y));
    QTest::mouseMove(slider, QPoint(xOf(0) + 80, y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(xOf(0) + 80, y));
    const std::vector<Heard> heard = window->Take();
    ASSERT_GE(heard.size(), 3u);
    for (size_t i = 0; i + 1 < heard.size(); ++i) {
        EXPECT_EQ(heard[i].type, "movevaluechanged");
        EXPECT_EQ(heard[i].sender, "slider_ch_volume_2");
        EXPECT_EQ(heard[i].userData, "2");
    }
    EXPECT_EQ(heard.back(), (Heard{"valuechanged", "slider_ch_volume_2", slider->Value(), "2"}));
    EXPECT_GT(slider->Value(), 20);

    // Pressing and releasing without moving commits nothing.
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(xOf(slider->Value()), y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(xOf(slider->Value()), y));
    EXPECT_TRUE(window->Take().empty());
}

TEST_F(UiControls, SliderKeysCommitAndCodeStaysQuiet) {
    auto* slider = Add<ui::Slider>(window.get(), "slider_acc", {10, 10, 200, 20});
    slider->SetRange(0, 10);
    slider->SetValue(5);
    Show();
    EXPECT_TRUE(window->Take().empty());
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"valuechanged", "slider_acc", 6, ""},
                                                  {"valuechanged", "slider_acc", 10, ""}}));
    QTest::keyClick(slider, Qt::Key_End);  // no change, no news
    EXPECT_TRUE(window->Take().empty());
    slider->SetValue(42);  // clamped, silent
    EXPECT_EQ(slider->Value(), 10);
    slider->setValue(3);
    EXPECT_TRUE(window->Take().empty());
    slider->SetValue(3, ui::NotifyMode::Notify);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"valuechanged", "slider_acc", 3, ""}}));
}

TEST_F(UiControls, ChangesMadeByAHandlerAreSilent) {
    auto* master = Add<ui::Slider>(window.get(), "master", {10, 10, 200, 20});
    auto* follower = Add<ui::Slider>(window.get(), "follower", {10, 40, 200, 20});
    auto* box = Add<ui::CheckBox>(window.get(), "box", {10, 70, 80, 20});
    window->hook = [&](const ui::Notification& n) {
        if (n.sender == "master") {
            follower->SetValue(n.arg);
            master->SetValue(n.arg - 1);  // even the sender itself
            box->SetSelected(!box->IsSelected());
        }
    };
    Show();
    master->setFocus();
    QTest::keyClick(master, Qt::Key_PageUp);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"valuechanged", "master", 10, ""}}));
    EXPECT_EQ(follower->Value(), 10);
    EXPECT_EQ(master->Value(), 9);
    EXPECT_TRUE(box->IsSelected());
}

TEST_F(UiControls, EditKeysAndFocus) {
    auto* edit = Add<ui::Edit>(window.get(), "edit_ch_volume_4", {10, 10, 80, 20});
    auto* other = Add<ui::Edit>(window.get(), "hp_freq", {100, 10, 80, 20});
    edit->SetUserData("4");
    edit->SetText("-12");
    Show();
    edit->setFocus();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    // Focus that arrives as the window becomes active (a dialog closing) is no choice of the
    // user's: nothing is heard.
    EXPECT_TRUE(window->Take().empty());

    edit->setCursorPosition(1);
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Left);  // 1 -> 0, an ordinary move
    QTest::keyClick(edit, Qt::Key_Left);  // at the start
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Right);  // at the end
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"valuechangedup", "edit_ch_volume_4", 0, "4"},
                                                  {"valuechangeddown", "edit_ch_volume_4", 0, "4"},
                                                  {"valuechangedleft", "edit_ch_volume_4", 0, "4"},
                                                  {"valuechangedright", "edit_ch_volume_4", 0, "4"},
                                                  {"return", "edit_ch_volume_4", 0, "4"},
                                                  {"return", "edit_ch_volume_4", 0, "4"}}));
    EXPECT_EQ(edit->text(), "-12");

    other->setFocus();  // focus moved from code still reports both sides
    ASSERT_TRUE(QTest::qWaitFor([&] { return other->hasFocus(); }));
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"killfocus", "edit_ch_volume_4", 0, "4"},
                                                  {"setfocus", "hp_freq", 0, ""}}));
    edit->SetText("7");
    EXPECT_TRUE(window->Take().empty());
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"killfocus", "hp_freq", 0, ""},
                                                  {"setfocus", "edit_ch_volume_4", 0, "4"}}));
}

TEST_F(UiControls, EditLengthLimitAndTypedTextSurvivesLanguageChange) {
    auto* edit = Add<ui::Edit>(window.get(), "name_edt", {10, 10, 120, 20});
    edit->SetMaxChars(7);
    Show();
    edit->setFocus();
    QTest::keyClicks(edit, "ABCDEFGHIJ");
    EXPECT_EQ(edit->text(), "ABCDEFG");
    EXPECT_EQ(edit->RawText(), "ABCDEFG");
    edit->Retranslate();
    EXPECT_EQ(edit->text(), "ABCDEFG");
}

TEST_F(UiControls, ComboNotifiesOnlyRealUserChoices) {
    auto* combo = Add<ui::Combo>(window.get(), "hp_type", {10, 10, 120, 22});
    combo->AddItem("Butterworth", "1");
    combo->AddItem("Linkwitz", "2");
    combo->AddItem("Bessel", "3");
    combo->SelectItem(0);
    Show();
    EXPECT_EQ(combo->FindItem("3"), 2);
    EXPECT_EQ(combo->FindItem("9"), -1);
    EXPECT_EQ(combo->ItemUserData(1), "2");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"itemselect", "hp_type", 1, ""}}));
    EXPECT_EQ(combo->CurSel(), 1);
    EXPECT_TRUE(combo->SelectItem(2));
    EXPECT_FALSE(combo->SelectItem(3));
    EXPECT_TRUE(window->Take().empty());
    EXPECT_TRUE(combo->SelectItem(0, ui::NotifyMode::Notify));
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"itemselect", "hp_type", 0, ""}}));
}

TEST_F(UiControls, ListRowsSelectClickAndActivate) {
    auto* list = Add<ui::List>(window.get(), "listview", {10, 10, 200, 200});
    list->SetColumns({"${name}"});
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(list->AddRow({QString("scene %1").arg(i + 1)}, QString::number(i)), i);
    }
    Show();
    EXPECT_EQ(list->CurSel(), -1);
    const QRect row3 = list->visualItemRect(list->topLevelItem(3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row3.center());
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"itemselect", "listview", 3, ""},
                                                  {"itemclick", "listview", 3, ""}}));
    EXPECT_EQ(list->CurSel(), 3);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row3.center());
    const std::vector<Heard> heard = window->Take();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), (Heard{"itemactivate", "listview", 3, ""}));

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(window->Take(), (std::vector<Heard>{{"itemselect", "listview", 4, ""}}));

    EXPECT_TRUE(list->SelectRow(9));
    EXPECT_FALSE(list->SelectRow(10));
    EXPECT_TRUE(window->Take().empty());
    EXPECT_EQ(list->CurSel(), 9);
    EXPECT_EQ(list->RowUserData(9), "9");
    EXPECT_TRUE(list->SetCellText(9, 0, "renamed"));
    EXPECT_FALSE(list->SetCellText(10, 0, "x"));
    EXPECT_EQ(list->CellText(9, 0), "renamed");
    EXPECT_TRUE(list->SetRowBackground(2, QColor(0xF6, 0xCE, 0x1D)));
    EXPECT_EQ(list->topLevelItem(2)->background(0).color(), QColor(0xF6, 0xCE, 0x1D));
    // A light row gets dark text, which the default light text would not be readable on.
    EXPECT_LT(list->topLevelItem(2)->foreground(0).color().lightnessF(), 0.3);
    EXPECT_TRUE(list->SetRowBackground(2, QColor()));
    EXPECT_EQ(list->topLevelItem(2)->background(0).style(), Qt::NoBrush);
    EXPECT_EQ(list->topLevelItem(2)->foreground(0).style(), Qt::NoBrush);
    EXPECT_TRUE(list->SelectRow(-1));
    EXPECT_EQ(list->CurSel(), -1);
}

TEST_F(UiControls, ControlsOutsideAWindowStayQuiet) {
    QWidget plain;
    auto* button = new ui::Button(&plain);
    button->setObjectName("orphan");
    button->resize(40, 20);
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    QTest::mouseClick(button, Qt::LeftButton);  // nobody to tell, nothing breaks
    EXPECT_EQ(button->OwnerWindow(), nullptr);
}

TEST_F(UiControls, TextsKeepTheirRawForm) {
    auto* label = Add<ui::Label>(window.get(), "lbl", {0, 0, 50, 20});
    label->SetText("${tips} & more");
    EXPECT_EQ(label->RawText(), "${tips} & more");
    EXPECT_EQ(label->text(), "tips & more");  // no skin: the bare key
    auto* button = Add<ui::Button>(window.get(), "btn", {0, 0, 50, 20});
    button->SetText("L & R");
    EXPECT_EQ(button->text(), "L && R");  // shown with its ampersand, not as a shortcut
    EXPECT_EQ(button->Text(), "L & R");
    button->SetToolTip("${tip}");
    EXPECT_EQ(button->RawToolTip(), "${tip}");
    EXPECT_EQ(button->toolTip(), "tip");
    button->SetUserData("12");
    EXPECT_EQ(button->UserDataInt(), 12);
    button->SetUserData("x");
    EXPECT_EQ(button->UserDataInt(-5), -5);
}

}  // namespace
