#pragma once
// The requests of one run that did not get their answer, collected from the link, and how the
// tool names them to the user.

#include <cstdio>
#include <mutex>
#include <vector>

#include "link/dsp_link.h"

namespace dspctl {

class RequestFailures {
  public:
    // Collects from `link` until destroyed.
    explicit RequestFailures(dsplink::DspLink& link);
    ~RequestFailures();
    RequestFailures(const RequestFailures&) = delete;
    RequestFailures& operator=(const RequestFailures&) = delete;

    // One line per failed request, and a last one when the amplifier was disconnected.
    void Print(std::FILE* err) const;

  private:
    dsplink::DspLink& mLink;
    mutable std::mutex mLock;
    std::vector<dsplink::RequestFailure> mFailures;
};

}  // namespace dspctl
