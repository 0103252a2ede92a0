#include <gtest/gtest.h>

#include <limits>

#include "cad/dispatch.h"

using qx::Error;
using qx::cad::Dispatch;
using qx::cad::Variant;

TEST(Variant, KeepsTheTypeItWasMadeWith) {
    EXPECT_EQ(Variant().type(), Variant::Type::Empty);
    EXPECT_EQ(Variant(std::int16_t{0}).type(), Variant::Type::Int16);
    EXPECT_EQ(Variant(0).type(), Variant::Type::Int32);
    EXPECT_EQ(Variant::int64(0).type(), Variant::Type::Int64);
    EXPECT_EQ(Variant::uint64(0).type(), Variant::Type::UInt64);
    EXPECT_EQ(Variant(u"TEXT,*LINE").type(), Variant::Type::String);
    EXPECT_EQ(Variant(std::vector<Variant>{Variant(u"x")}).type(), Variant::Type::VariantArray);
}

TEST(Variant, IntegersConvertWhenInRangeAndFailOtherwise) {
    const std::int64_t big = (std::int64_t{1} << 32) + 5;
    EXPECT_EQ(Variant::int64(big).toInt64(), big);
    EXPECT_EQ(Variant::int64(big).toUInt64(), static_cast<std::uint64_t>(big));
    EXPECT_THROW(Variant::int64(big).toInt32(), Error);
    EXPECT_THROW(Variant(-1).toUInt64(), Error);
    EXPECT_THROW(Variant::uint64(std::numeric_limits<std::uint64_t>::max()).toInt64(), Error);
    EXPECT_EQ(Variant::uint64(std::numeric_limits<std::uint64_t>::max()).toUInt64(),
              std::numeric_limits<std::uint64_t>::max());
    EXPECT_THROW(Variant(70000).toInt16(), Error);
    EXPECT_EQ(Variant(7).toDouble(), 7.0);
    EXPECT_THROW(Variant(1.5).toInt32(), Error);
    EXPECT_TRUE(Variant(std::int16_t{-1}).toBool());
}

TEST(Variant, MismatchNamesBothTypes) {
    try {
        Variant(u"abc").toDoubles();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), u"type mismatch: string where double array is expected");
    }
    EXPECT_THROW(Variant().toString(), Error);
    EXPECT_THROW(Variant(3).toDispatch(), Error);
    EXPECT_TRUE(Variant().toDispatch().isNull());
}

TEST(Variant, ArraysOfVariantsConvertElementwise) {
    Variant point(std::vector<Variant>{Variant(1.5), Variant(2), Variant(std::int16_t{3})});
    EXPECT_EQ(point.toDoubles(), (std::vector<double>{1.5, 2.0, 3.0}));
    EXPECT_THROW(Variant(std::vector<Variant>{Variant(u"a")}).toDoubles(), Error);
    EXPECT_EQ(Variant(std::vector<std::int16_t>{0}).toVariants(), std::vector<Variant>{Variant(std::int16_t{0})});
}

TEST(Variant, ByRefKeepsTheValueAndComparesEqual) {
    Variant id = Variant::byRef(Variant::int64(42));
    EXPECT_TRUE(id.isByRef());
    EXPECT_FALSE(Variant::int64(42).isByRef());
    EXPECT_EQ(id, Variant::int64(42));
    EXPECT_NE(Variant(42), Variant::int64(42));  // the type is part of the value
}

TEST(Dispatch, NullHandleFailsNamingTheMember) {
    Dispatch none;
    EXPECT_TRUE(none.isNull());
    try {
        none.get(u"ActiveDocument");
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(u"ActiveDocument"), std::u16string::npos);
    }
    EXPECT_THROW(none.call(u"Regen", {Variant(0)}), Error);
}
