#include <gtest/gtest.h>

#include <QTest>

#include "ui/menu.h"
#include "ui/resources.h"
#include "ui/window.h"
#include "ui_layouts/test_app.h"

namespace {

class Owner : public ui::Window {
  public:
    void Notify(const ui::Notification& n) override {
        if (n.Is(ui::notify::kItemClick)) {
            clicks.append(QString("%1/%2/%3").arg(n.sender).arg(n.arg).arg(n.userData));
            EXPECT_EQ(n.control, CurrentMenu());
            EXPECT_EQ(n.item ? n.item->objectName() : QString(), n.sender);
        }
        ui::Window::Notify(n);
    }
    QStringList clicks;
};

class UiMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        ui_test::EnsureApp();
        ui::Resources::Instance().Reset();
        ASSERT_TRUE(ui::Resources::Instance().LoadFromDirectory(ui_test::LayoutsDir()));
        ASSERT_TRUE(ui::Resources::Instance().SelectLanguage("en"));
        holder = std::make_unique<Owner>();
        ASSERT_TRUE(owner().Create("XML_POPUP"));
        owner().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner()));
    }
    void TearDown() override {
        holder.reset();
        ui::Resources::Instance().Reset();
    }
    Owner& owner() { return *holder; }

    void Choose(ui::Menu* menu, QAction* item) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        const QRect where = menu->actionGeometry(item);
        ASSERT_FALSE(where.isEmpty());
        QTest::mouseMove(menu, where.center());
        QTest::mouseClick(menu, Qt::LeftButton, {}, where.center());
    }
    std::unique_ptr<Owner> holder;
};

TEST_F(UiMenu, BuildsItemsFromTheLayout) {
    ui::Menu* menu = owner().CreateMenu("MENU_TEST");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), "test_menu");
    EXPECT_EQ(menu->ItemNames(),
              QStringList({"item_about", "item_reset", "group_menu", "link_group_0", "link_group_1",
                           "link_group_2", "link_group_3", "item_hidden"}));
    EXPECT_EQ(menu->FindItem("item_about")->text(), "Title");
    EXPECT_EQ(menu->FindItem("item_reset")->text(), "Reset && reboot");
    EXPECT_FALSE(menu->FindItem("item_reset")->isEnabled());
    EXPECT_FALSE(menu->FindItem("item_hidden")->isVisible());
    EXPECT_EQ(menu->FindItem("link_group_3")->text(), "G4");
    EXPECT_EQ(menu->ItemUserData("link_group_2"), "2");
    EXPECT_EQ(menu->ItemUserData("item_about"), "about");
    EXPECT_EQ(menu->FindItem("nothing"), nullptr);
    EXPECT_FALSE(menu->SetItemEnabled("nothing", true));
}

TEST_F(UiMenu, ChosenItemNotifiesTheOwner) {
    ui::Menu* menu = owner().CreateMenu("xml/test_menu.xml");
    ASSERT_NE(menu, nullptr);
    menu->PopupBelow(owner().FindWidget("confirm_btn"));
    Choose(menu, menu->FindItem("item_about"));
    EXPECT_EQ(owner().clicks, QStringList({"item_about/0/about"}));
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(UiMenu, DisabledItemsSayNothingUntilEnabled) {
    ui::Menu* menu = owner().CreateMenu("MENU_TEST");
    menu->PopupAt(owner().mapToGlobal(QPoint(10, 10)));
    Choose(menu, menu->FindItem("item_reset"));
    EXPECT_TRUE(owner().clicks.isEmpty());
    menu->close();
    EXPECT_TRUE(menu->SetItemEnabled("item_reset", true));
    EXPECT_TRUE(menu->SetItemVisible("item_about", false));
    menu->PopupAt(owner().mapToGlobal(QPoint(10, 10)));
    Choose(menu, menu->FindItem("item_reset"));
    EXPECT_EQ(owner().clicks, QStringList({"item_reset/1/"}));
}

TEST_F(UiMenu, SubmenuItemsCarryTheirIndexAndUserData) {
    ui::Menu* menu = owner().CreateMenu("MENU_TEST");
    QAction* item = menu->FindItem("link_group_2");
    item->trigger();
    EXPECT_EQ(owner().clicks, QStringList({"link_group_2/4/2"}));
}

TEST_F(UiMenu, ANewMenuReplacesTheOldOne) {
    QPointer<ui::Menu> first = owner().CreateMenu("MENU_TEST");
    ASSERT_TRUE(first);
    ui::Menu* second = owner().CreateMenu("MENU_TEST");
    EXPECT_EQ(owner().CurrentMenu(), second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }));
}

TEST_F(UiMenu, BadMenuLayoutsSayWhere) {
    QString error;
    EXPECT_EQ(owner().CreateMenu("XML_POPUP", &error), nullptr);
    EXPECT_TRUE(error.startsWith("xml/popup.xml:2: a menu layout's root must be <Menu>"))
        << error.toStdString();
    ui::LayoutNode root;
    root.tag = "Menu";
    root.file = "xml/m.xml";
    ui::LayoutNode bad;
    bad.tag = "Button";
    bad.file = "xml/m.xml";
    bad.line = 3;
    root.children.push_back(bad);
    EXPECT_EQ(ui::Menu::Create(&owner(), root, &error), nullptr);
    EXPECT_TRUE(error.startsWith("xml/m.xml:3: a menu holds <Item>")) << error.toStdString();
    EXPECT_EQ(owner().CreateMenu("xml/none.xml", &error), nullptr);
    EXPECT_TRUE(error.contains("xml/none.xml"));
}

TEST_F(UiMenu, ItemTextsFollowTheLanguage) {
    ui::Menu* menu = owner().CreateMenu("MENU_TEST");
    ASSERT_TRUE(ui::Resources::Instance().SelectLanguage("de"));
    EXPECT_EQ(menu->FindItem("item_about")->text(), "Titel");
    EXPECT_EQ(menu->FindItem("group_menu")->text(), "Gruppe");
    EXPECT_TRUE(menu->SetItemText("item_about", "${cancel}"));
    EXPECT_EQ(menu->FindItem("item_about")->text(), "Abbrechen");
    EXPECT_TRUE(menu->SetItemChecked("item_about", true));
    EXPECT_TRUE(menu->FindItem("item_about")->isChecked());
}

}  // namespace
