#pragma once
// A periodic timer firing on the user-interface thread (Timer1, 1000 ms).

#include <functional>

namespace tavrin::platform {

class Timer {
public:
    virtual ~Timer() = default;
    virtual void setHandler(std::function<void()> handler) = 0;
    // Enabling a stopped timer starts a new period; enabling a running one
    // keeps its phase, as the window toolkit's timer control does.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
};

}  // namespace tavrin::platform
