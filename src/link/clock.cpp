#include "link/clock.h"

#include <thread>

namespace dsplink {

int64_t SystemClock::NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepUs(int64_t us) {
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void ManualClock::SleepUs(int64_t us) {
    mNowUs += us;
    std::this_thread::sleep_for(std::chrono::microseconds(us > 0 ? 1 + us / 100 : 1));
}

}  // namespace dsplink
