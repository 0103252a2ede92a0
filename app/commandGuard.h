// Commands that change the working grid pump messages while they run, so the
// user can start another in the middle of one. The form sends every such
// command through one guard, which ignores a command while another runs.
#pragma once

#include <utility>

namespace qx {

class CommandGuard {
public:
    bool running() const { return running_; }

    // Runs `command` unless another command is running; false when ignored.
    template <typename F>
    bool run(F&& command) {
        if (running_) {
            return false;
        }
        running_ = true;
        const Reset reset{running_};
        std::forward<F>(command)();
        return true;
    }

private:
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    };
    bool running_ = false;
};

}  // namespace qx
