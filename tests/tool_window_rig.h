#pragma once
// Shared by the tests of the tool windows: a manager connected to the virtual amplifier through
// a transport that keeps every command frame written after the connection.

#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <mutex>
#include <vector>

#include "model/equalizer_manager.h"
#include "recording_transport.h"
#include "ui/resources.h"
#include "ui/window.h"
#include "ui_layouts/test_app.h"
#include "window_test_support.h"

namespace window_test {

class ToolWindowRig : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        owner = std::make_unique<QWidget>();
        owner->resize(1000, 700);
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<model_test::RecordingTransport>(amp, clock, frames, &lock), clock,
            &events);
        ASSERT_TRUE(ConnectManager(*manager));
        Sent();
    }
    void TearDown() override {
        ui::Window::CloseAllPopups(0);
        CloseWindow();
        manager.reset();
        owner.reset();
        ui::Resources::Instance().Reset();
    }
    // The test's window goes before the manager it subscribed to.
    virtual void CloseWindow() = 0;

    // The frames written since the last call, once the queue has drained.
    std::vector<model_test::Frame> Sent() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return manager->Link().QueueIdle(); }, 5000));
        const std::lock_guard guard(lock);
        std::vector<model_test::Frame> out;
        out.swap(frames);
        return out;
    }
    sim::DeviceState Device() { return amp->Snapshot(); }
    const sim::OutputState& Output(const sim::DeviceState& d, int output) {
        return d.scenes[0].outputs[static_cast<size_t>(output)];
    }
    // Waits for the window to be active, so that focus and keys reach its fields.
    static void ShowActive(ui::Window& wnd) {
        wnd.Show();
        wnd.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&wnd));
    }

    std::mutex lock;
    std::vector<model_test::Frame> frames;
    std::unique_ptr<QWidget> owner;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    NullEvents events;
    std::unique_ptr<model::EqualizerManager> manager;
};

}  // namespace window_test
