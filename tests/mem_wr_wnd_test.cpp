// The DSP memory window against the virtual amplifier: typed numbers in each base, the words
// read and written, what the settings file remembers, and a read without an amplifier.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "model/equalizer_manager.h"
#include "sim/sim_transport.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "window_test_support.h"
#include "windows/mem_wr_wnd.h"
#include "windows/tool_controls.h"

namespace {

class MemWrWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        ASSERT_TRUE(dir.isValid());
        owner = std::make_unique<QWidget>();
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
    }
    void TearDown() override {
        wnd.reset();
        manager.reset();
        owner.reset();
        ui::Resources::Instance().Reset();
    }
    shell::Settings Settings() const { return shell::Settings(dir.path(), dir.path()); }
    void Open() {
        wnd = std::make_unique<CMemWrWnd>(owner.get(), *manager, Settings());
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        wnd->Show();
    }
    void Click(const char* button) {
        QTest::mouseClick(wnd->FindControl<ui::Button>(button), Qt::LeftButton);
    }

    QTemporaryDir dir;
    std::unique_ptr<QWidget> owner;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    window_test::NullEvents events;
    std::unique_ptr<model::EqualizerManager> manager;
    std::unique_ptr<CMemWrWnd> wnd;
};

TEST_F(MemWrWndTest, WritesAndReadsWordsAndRemembersThem) {
    ASSERT_TRUE(window_test::ConnectManager(*manager));
    Open();
    EXPECT_EQ(wnd->AddrEdit()->text(), "0x00000000");
    wnd->AddrEdit()->setText("0x00001000");
    wnd->DataEdit()->setText("017");
    Click(tool_controls::kWriteBtn);
    EXPECT_EQ(wnd->DataEdit()->text(), "0x0000000f");
    EXPECT_TRUE(QTest::qWaitFor([&] { return amp->MemWord(0x1000) == 15; }, 5000));
    EXPECT_EQ(Settings().ReadInt(shell::kMemAddrKey, 0), 4096);

    amp->SetMemWord(0xFFFFFFFF, 0x89ABCDEF);
    wnd->AddrEdit()->setText("0xFFFFFFFF");
    wnd->DataEdit()->setText("12ab");
    Click(tool_controls::kReadBtn);
    ASSERT_TRUE(QTest::qWaitFor([&] { return wnd->DataEdit()->text() == "0x89abcdef"; }, 5000));
    EXPECT_EQ(wnd->AddrEdit()->text(), "0xffffffff");
    EXPECT_EQ(Settings().ReadInt(shell::kMemAddrKey, 0), -1);
    EXPECT_EQ(static_cast<uint32_t>(Settings().ReadInt(shell::kMemDataKey, 0)), 0x89ABCDEFu);

    // The next window starts where this one ended.
    wnd.reset();
    Open();
    EXPECT_EQ(wnd->AddrEdit()->text(), "0xffffffff");
    EXPECT_EQ(wnd->DataEdit()->text(), "0x89abcdef");
}

TEST_F(MemWrWndTest, AReadWithoutAnAmplifierKeepsTheData) {
    Open();
    wnd->AddrEdit()->setText("19");
    wnd->DataEdit()->setText("0x5");
    Click(tool_controls::kReadBtn);
    QTest::qWait(20);
    EXPECT_EQ(wnd->AddrEdit()->text(), "0x00000013");
    EXPECT_EQ(wnd->DataEdit()->text(), "0x5");
    EXPECT_FALSE(manager->Tools().LastMemWord().has_value());
}

}  // namespace
