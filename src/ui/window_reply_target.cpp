#include "ui/window_reply_target.h"

#include "ui/window.h"

namespace ui {

WindowReplyTarget::WindowReplyTarget(Window* window)
    : mMailbox(window ? window->Mailbox() : nullptr) {}

void WindowReplyTarget::Post(dsplink::LinkMessage message) {
    if (mMailbox) {
        mMailbox->Post(message.message, message.wParam, message.value, std::move(message.record));
    }
}

}  // namespace ui
