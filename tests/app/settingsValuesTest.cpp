#include <gtest/gtest.h>

#include <optional>

#include "app/qdlXUnit.h"
#include "core/text.h"

using namespace qx;

namespace {

struct IntegerCase {
    const char16_t* text;
    std::optional<std::int32_t> value;
};
void PrintTo(const IntegerCase& c, std::ostream* os) {
    *os << '"' << toUtf8(c.text) << '"';
}

class SettingsInteger : public testing::TestWithParam<IntegerCase> {};

TEST_P(SettingsInteger, ParsesDecimalIntegersAndRefusesEverythingElse) {
    EXPECT_EQ(parseInteger(GetParam().text), GetParam().value) << toUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(SettingsValues, SettingsInteger,
                         testing::Values(IntegerCase{u"42", 42}, IntegerCase{u"  -30 ", -30},
                                         IntegerCase{u"+5000", 5000}, IntegerCase{u"007", 7},
                                         IntegerCase{u"2147483647", INT32_MAX}, IntegerCase{u"-2147483648", INT32_MIN},
                                         IntegerCase{u"2147483648", std::nullopt}, IntegerCase{u"+-5", std::nullopt},
                                         IntegerCase{u"-+5", std::nullopt}, IntegerCase{u"++5", std::nullopt},
                                         IntegerCase{u"+", std::nullopt}, IntegerCase{u"-", std::nullopt},
                                         IntegerCase{u"", std::nullopt}, IntegerCase{u"1 2", std::nullopt},
                                         IntegerCase{u"0x10", std::nullopt}, IntegerCase{u"1e3", std::nullopt},
                                         IntegerCase{u"１２", std::nullopt}));

}  // namespace
