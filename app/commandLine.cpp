#include "app/commandLine.h"

namespace qx {

namespace {
std::u16string lowerAscii(std::u16string s) {
    for (auto& c : s) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        }
    }
    return s;
}
}  // namespace

StartCommand parseCommandLine(const std::vector<std::u16string>& args) {
    StartCommand command;
    for (const auto& arg : args) {
        if (arg.empty() || (arg[0] != u'/' && arg[0] != u'-')) {
            continue;
        }
        // "/unregister", "-unregister" and "--unregister" alike.
        const std::size_t from = arg.size() > 1 && arg[0] == u'-' && arg[1] == u'-' ? 2 : 1;
        const std::u16string name = lowerAscii(arg.substr(from));
        if (name == u"unregister") {
            command.action = StartAction::Unregister;
        } else {
            return {StartAction::BadSwitch, arg};  // one unknown switch stops the start
        }
    }
    return command;
}

std::u16string badSwitchMessage(const std::u16string& badSwitch) {
    return u"「" + badSwitch +
           u"」は QuadrelX.exe のオプションではありません。\n"
           u"使えるオプション:\n"
           u"  /unregister  このユーザーの QuadcelX の登録を削除します。";
}

}  // namespace qx
