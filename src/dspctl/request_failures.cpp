#include "dspctl/request_failures.h"

namespace dspctl {

RequestFailures::RequestFailures(dsplink::DspLink& link) : mLink(link) {
    mLink.SetFailureTrace([this](const dsplink::RequestFailure& failure) {
        std::lock_guard<std::mutex> guard(mLock);
        mFailures.push_back(failure);
    });
}

RequestFailures::~RequestFailures() {
    mLink.SetFailureTrace({});
}

void RequestFailures::Print(std::FILE* err) const {
    std::lock_guard<std::mutex> guard(mLock);
    for (const dsplink::RequestFailure& f : mFailures) {
        switch (f.outcome) {
            case dsplink::RequestOutcome::NoAnswer:
                std::fprintf(err, "No answer after %d %s: %s\n", f.tries,
                             f.tries == 1 ? "try" : "tries", f.request.c_str());
                break;
            case dsplink::RequestOutcome::Refused:
                std::fprintf(err, "Refused by the amplifier: %s\n", f.request.c_str());
                break;
            case dsplink::RequestOutcome::Disconnected:
                std::fprintf(err, "Cut off: %s\n", f.request.c_str());
                break;
            case dsplink::RequestOutcome::Answered:
                break;
        }
    }
    if (!mLink.IsOpen()) {
        std::fputs("The amplifier was disconnected.\n", err);
    }
}

}  // namespace dspctl
