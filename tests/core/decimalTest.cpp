#include <gtest/gtest.h>

#include <optional>

#include "core/text.h"

using namespace qx;

namespace {

struct DecimalCase {
    const char16_t* text;
    const char16_t* separator;
    std::optional<double> value;
};
void PrintTo(const DecimalCase& c, std::ostream* os) {
    *os << '"' << toUtf8(c.text) << "\" with '" << toUtf8(c.separator) << "'";
}

class Decimal : public testing::TestWithParam<DecimalCase> {};

TEST_P(Decimal, ReadsWhatAUserTypesAsANumberAndNothingElse) {
    EXPECT_EQ(parseDecimal(GetParam().text, GetParam().separator), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Tolerances, Decimal,
    testing::Values(DecimalCase{u"0.1", u".", 0.1}, DecimalCase{u"  2.5 ", u".", 2.5}, DecimalCase{u"-3", u".", -3.0},
                    DecimalCase{u"+1e-3", u".", 0.001}, DecimalCase{u"0,5", u",", 0.5},
                    DecimalCase{u"0.5", u",", std::nullopt}, DecimalCase{u"0,5", u".", std::nullopt},
                    // Beyond a double's range is no number, not infinity.
                    DecimalCase{u"1e999", u".", std::nullopt}, DecimalCase{u"-1e999", u".", std::nullopt},
                    DecimalCase{u"inf", u".", std::nullopt}, DecimalCase{u"nan", u".", std::nullopt},
                    DecimalCase{u"0x10", u".", std::nullopt}, DecimalCase{u"０.５", u".", std::nullopt},
                    DecimalCase{u"", u".", std::nullopt}, DecimalCase{u"   ", u".", std::nullopt},
                    DecimalCase{u"1 2", u".", std::nullopt}, DecimalCase{u"1e", u".", std::nullopt}));

}  // namespace
