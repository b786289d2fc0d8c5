#include <gtest/gtest.h>

#include <QTest>

#include <atomic>
#include <thread>

#include "ui/window.h"
#include "ui/window_reply_target.h"
#include "ui_layouts/test_app.h"

namespace {

std::atomic<int> gLive{0};

struct Record : dsplink::ReplyRecord {
    explicit Record(int v) : value(v) { ++gLive; }
    ~Record() override { --gLive; }
    int value;
};

class Receiver : public ui::Window {
  protected:
    void OnMessage(uint32_t message, uint32_t wParam, int32_t value,
                   std::unique_ptr<dsplink::ReplyRecord> record) override {
        const auto* r = dynamic_cast<Record*>(record.get());
        got.push_back({message, wParam, value, r ? r->value : -1});
        if (keep && record) {
            kept = std::move(record);  // a handler may keep the record
        }
    }

  public:
    struct Got {
        uint32_t message;
        uint32_t wParam;
        int32_t value;
        int record;
        bool operator==(const Got&) const = default;
    };
    std::vector<Got> got;
    bool keep = false;
    std::unique_ptr<dsplink::ReplyRecord> kept;
};

dsplink::LinkMessage Message(uint32_t number, uint32_t wParam, int32_t value, int record) {
    dsplink::LinkMessage m;
    m.message = number;
    m.wParam = wParam;
    m.value = value;
    if (record >= 0) {
        m.record = std::make_unique<Record>(record);
    }
    return m;
}

TEST(UiWindowReplyTarget, LinkMessagesReachTheWindow) {
    ui_test::EnsureApp();
    Receiver window;
    ui::WindowReplyTarget target(&window);
    dsplink::ReplyTarget& asTarget = target;
    std::thread link([&] {
        asTarget.Post(Message(1234, 3, 0, 42));
        asTarget.Post(Message(1243, 0, -7, -1));
    });
    link.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.got.size() == 2; }));
    EXPECT_EQ(window.got[0], (Receiver::Got{1234, 3, 0, 42}));
    EXPECT_EQ(window.got[1], (Receiver::Got{1243, 0, -7, -1}));
    EXPECT_EQ(gLive.load(), 0);

    window.keep = true;
    target.Post(Message(1250, 0, 0, 5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.got.size() == 3; }));
    EXPECT_EQ(gLive.load(), 1);
    window.kept.reset();
    EXPECT_EQ(gLive.load(), 0);
}

TEST(UiWindowReplyTarget, OutlivesItsWindowSafely) {
    ui_test::EnsureApp();
    auto window = std::make_unique<Receiver>();
    ui::WindowReplyTarget target(window.get());
    target.Post(Message(1237, 0, 0, 1));
    EXPECT_EQ(gLive.load(), 1);
    window.reset();
    EXPECT_EQ(gLive.load(), 0);  // queued with the window, freed with it
    std::thread link([&] {
        for (int i = 0; i < 100; ++i) {
            target.Post(Message(1237, 0, 0, i));
        }
    });
    link.join();
    EXPECT_EQ(gLive.load(), 0);
    QCoreApplication::processEvents();

    ui::WindowReplyTarget none(nullptr);
    none.Post(Message(1, 0, 0, 1));
    EXPECT_EQ(gLive.load(), 0);
}

// Destroying the window while a link thread keeps posting: every record is freed exactly once.
TEST(UiWindowReplyTarget, RacingTheDestructor) {
    ui_test::EnsureApp();
    for (int round = 0; round < 20; ++round) {
        auto window = std::make_unique<Receiver>();
        ui::WindowReplyTarget target(window.get());
        std::atomic<bool> stop{false};
        std::thread link([&] {
            int i = 0;
            while (!stop.load()) {
                target.Post(Message(1234, 0, 0, i++));
            }
        });
        QCoreApplication::processEvents();
        window.reset();
        stop = true;
        link.join();
        QCoreApplication::processEvents();
        EXPECT_EQ(gLive.load(), 0) << round;
    }
}

}  // namespace
