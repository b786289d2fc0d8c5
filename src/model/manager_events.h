#pragma once
// Where the model's operations and jobs post window messages.

#include <cstdint>

namespace model {

// Window messages of operations and jobs that the link does not define.
inline constexpr uint32_t WM_SHOW_LOADING = 1274;
inline constexpr uint32_t WM_HIDE_LOADING = 1275;

// Where the manager posts window messages. Called from any thread; must not block.
class ManagerEvents {
  public:
    virtual ~ManagerEvents() = default;
    virtual void Post(uint32_t message, uint32_t wParam) = 0;
};

}  // namespace model
