#include <gtest/gtest.h>

#include "app/commandLine.h"

using namespace qx;

namespace {
struct Case {
    std::vector<std::u16string> args;
    StartAction action;
    std::u16string bad;
};

class CommandLine : public testing::TestWithParam<Case> {};
}  // namespace

TEST_P(CommandLine, ReadsTheSwitches) {
    const StartCommand c = parseCommandLine(GetParam().args);
    EXPECT_EQ(c.action, GetParam().action);
    EXPECT_EQ(c.badSwitch, GetParam().bad);
}

INSTANTIATE_TEST_SUITE_P(Switches, CommandLine,
                         testing::Values(Case{{}, StartAction::ShowWindow, u""},
                                         // A file name, as Explorer may pass one, starts the program as usual.
                                         Case{{u"C:\\図面\\a.txt"}, StartAction::ShowWindow, u""},
                                         Case{{u"/unregister"}, StartAction::Unregister, u""},
                                         Case{{u"/UNREGISTER"}, StartAction::Unregister, u""},
                                         Case{{u"-Unregister"}, StartAction::Unregister, u""},
                                         Case{{u"--unregister"}, StartAction::Unregister, u""},
                                         Case{{u"/unregistered"}, StartAction::BadSwitch, u"/unregistered"},
                                         Case{{u"/"}, StartAction::BadSwitch, u"/"},
                                         // A misspelt switch must not run the other one nor open the window.
                                         Case{{u"/unregister", u"/x"}, StartAction::BadSwitch, u"/x"},
                                         Case{{u"-ｕｎregister"}, StartAction::BadSwitch, u"-ｕｎregister"}));

TEST(CommandLineMessage, NamesTheSwitchAndTheOneThereIsInJapanese) {
    const std::u16string m = badSwitchMessage(u"/x");
    EXPECT_NE(m.find(u"「/x」"), std::u16string::npos);
    EXPECT_NE(m.find(u"/unregister"), std::u16string::npos);
    // The program's messages stop with 。 and pause with 、, never with ． or ，.
    EXPECT_EQ(m.find_first_of(u"．，"), std::u16string::npos);
}
