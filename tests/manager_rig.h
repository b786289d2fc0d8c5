#pragma once
// A manager connected to the virtual amplifier through a transport that keeps every frame
// written, for the model tests that judge edits by what reaches the amplifier.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "model/equalizer_manager.h"
#include "model_test_support.h"
#include "recording_transport.h"

namespace model_test {

class ManagerRig : public ::testing::Test {
  protected:
    void SetUp() override {
        CoreApp();
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<RecordingTransport>(amp, clock, frames, &framesLock), clock, &events);
        Connect();
        TakeFrames();
    }
    void TearDown() override { manager.reset(); }

    // Connects, reads the whole state and switches to queued sends.
    void Connect() {
        manager->Connect(true);
        ASSERT_TRUE(RunUntil([this] { return !manager->JobRunning(); }));
        manager->WaitForJobs();
        Pump();
        manager->FinishConnection();
        Drain();
    }
    void Pump() {
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        }
    }
    void Drain() {
        ASSERT_TRUE(RunUntil([this] { return manager->Link().QueueIdle(); }));
        Pump();
    }
    std::vector<Frame> TakeFrames() {
        const std::lock_guard guard(framesLock);
        return std::exchange(frames, {});
    }
    // One user action as a window runs it, and what it wrote.
    std::vector<Frame> Act(const std::function<void()>& edit) {
        {
            const model::UserAction action(*manager, false);
            edit();
        }
        Drain();
        return TakeFrames();
    }

    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    RecordingEvents events;
    std::mutex framesLock;
    std::vector<Frame> frames;
    std::unique_ptr<model::EqualizerManager> manager;
};

}  // namespace model_test
