#pragma once
// Lets the device link post its decoded replies to a window. Safe to keep after the window is
// gone: later posts are dropped and their records freed.

#include <memory>

#include "link/reply_target.h"

namespace ui {

class Window;
class WindowMailbox;

class WindowReplyTarget : public dsplink::ReplyTarget {
  public:
    explicit WindowReplyTarget(Window* window);
    // Called on the link's threads.
    void Post(dsplink::LinkMessage message) override;

  private:
    std::shared_ptr<WindowMailbox> mMailbox;
};

}  // namespace ui
