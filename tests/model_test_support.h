#pragma once
// Helpers shared by the model tests: the event loop, what an operation posts, and the run log
// it writes.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "model/manager_events.h"
#include "shell/run_log.h"

namespace model_test {

// The event loop the manager's queued calls need; one per test program.
inline QCoreApplication& CoreApp() {
    static int argc = 1;
    static char name[] = "model_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until done() holds; false after timeoutMs.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Records the window messages posted from any thread.
struct RecordingEvents : model::ManagerEvents {
    void Post(uint32_t message, uint32_t) override {
        std::lock_guard<std::mutex> guard(lock);
        messages.push_back(message);
    }
    std::vector<uint32_t> Messages() {
        std::lock_guard<std::mutex> guard(lock);
        return messages;
    }
    bool Has(uint32_t message) {
        for (uint32_t m : Messages()) {
            if (m == message) {
                return true;
            }
        }
        return false;
    }
    std::mutex lock;
    std::vector<uint32_t> messages;
};

// Opens the run log into a temporary file (its console echo goes nowhere) until Text().
class CapturedLog {
  public:
    explicit CapturedLog(const std::string& name)
        : mPath(::testing::TempDir() + name + ".log"), mSink(std::fopen("/dev/null", "wb")) {
        mOpen = mSink != nullptr && runlog::Open(mPath, mSink);
    }
    ~CapturedLog() { Close(); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    bool IsOpen() const { return mOpen; }
    // Closes the log and returns what was written.
    std::string Text() {
        Close();
        std::ifstream in(mPath);
        std::stringstream text;
        text << in.rdbuf();
        std::remove(mPath.c_str());
        return text.str();
    }

  private:
    void Close() {
        if (mOpen) {
            runlog::Close();
            mOpen = false;
        }
        if (mSink) {
            std::fclose(mSink);
            mSink = nullptr;
        }
    }

    std::string mPath;
    std::FILE* mSink;
    bool mOpen = false;
};

}  // namespace model_test
