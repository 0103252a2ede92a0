// What QuadrelX.exe was started to do, from its command-line arguments.
#pragma once

#include <string>
#include <vector>

namespace qx {

enum class StartAction {
    ShowWindow,  // no switch: the program as usual
    Unregister,  // remove the user's registration and end
    BadSwitch,   // a switch the program does not know
};

struct StartCommand {
    StartAction action = StartAction::ShowWindow;
    std::u16string badSwitch;  // the unknown switch, for the message
};

// The arguments without the program's own path. A switch starts with '/' or
// '-' and is read without regard to case; anything else is ignored.
StartCommand parseCommandLine(const std::vector<std::u16string>& args);

// The message for an unknown switch, naming the ones there are.
std::u16string badSwitchMessage(const std::u16string& badSwitch);

}  // namespace qx
