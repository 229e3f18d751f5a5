#include "tlx/variant.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using tlx::Variant;
using tlx::VariantArray;
using tlx::VarType;

TEST(Variant, WholeNumbersRoundHalfToEvenAndRefuseOverflow) {
    EXPECT_EQ(Variant(2.5).ToInt32(), 2);
    EXPECT_EQ(Variant(3.5).ToInt32(), 4);
    EXPECT_EQ(Variant(-2.5).ToInt32(), -2);
    EXPECT_EQ(Variant(2.4999).ToInt32(), 2);
    EXPECT_EQ(Variant(true).ToInt32(), -1);
    EXPECT_EQ(Variant().ToInt32(), 0);
    EXPECT_EQ(Variant(" 42 ").ToInt32(), 42);
    EXPECT_EQ(Variant("1.5").ToInt32(), 2);
    EXPECT_EQ(Variant(std::int16_t{-7}).ToInt32(), -7);
    EXPECT_THROW(Variant(3e9).ToInt32(), tlx::Error);
    EXPECT_THROW(Variant(40000).ToInt16(), tlx::Error);
    EXPECT_THROW(Variant(std::numeric_limits<double>::quiet_NaN()).ToInt32(), tlx::Error);
    EXPECT_THROW(Variant("abc").ToInt32(), tlx::Error);
    EXPECT_THROW(Variant("").ToInt32(), tlx::Error);
    EXPECT_THROW(Variant("12abc").ToInt32(), tlx::Error);
    EXPECT_THROW(Variant::Missing().ToInt32(), tlx::Error);
}

TEST(Variant, TextsOfNumbersAreShortAndExact) {
    EXPECT_EQ(Variant(3).ToText(), "3");
    EXPECT_EQ(Variant(0.1).ToText(), "0.1");
    EXPECT_EQ(Variant(2.0).ToText(), "2");
    EXPECT_EQ(Variant(-1.5).ToText(), "-1.5");
    EXPECT_EQ(Variant(true).ToText(), "True");
    EXPECT_EQ(Variant().ToText(), "");
    double tricky = 0.1 + 0.2;
    EXPECT_EQ(Variant(Variant(tricky).ToText()).ToDouble(), tricky);
    EXPECT_EQ(Variant(tlx::Date::FromParts(2001, 12, 5)).ToText(), "2001-12-05");
    EXPECT_EQ(Variant(tlx::Date::FromParts(2001, 12, 5, 13, 4, 5)).ToText(), "2001-12-05 13:04:05");
}

TEST(Variant, DatesCountDaysFromTheEndOf1899) {
    EXPECT_DOUBLE_EQ(tlx::Date::FromParts(1899, 12, 30).serial, 0.0);
    EXPECT_DOUBLE_EQ(tlx::Date::FromParts(1900, 1, 1).serial, 2.0);
    EXPECT_DOUBLE_EQ(tlx::Date::FromParts(2001, 12, 5).serial, 37230.0);
    EXPECT_DOUBLE_EQ(tlx::Date::FromParts(2001, 12, 5, 12).serial, 37230.5);
}

TEST(Variant, BooleansFromTextsAndNumbers) {
    EXPECT_TRUE(Variant("TRUE").ToBool());
    EXPECT_FALSE(Variant(" false ").ToBool());
    EXPECT_TRUE(Variant("-1").ToBool());
    EXPECT_FALSE(Variant(0.0).ToBool());
    EXPECT_TRUE(Variant(0.5).ToBool());
    EXPECT_THROW(Variant("ja").ToBool(), tlx::Error);
}

TEST(Variant, EqualityAcrossNumberWidthsButNeverBetweenNumberAndText) {
    EXPECT_EQ(Variant(3), Variant(3.0));
    EXPECT_EQ(Variant(std::int16_t{3}), Variant(3));
    EXPECT_NE(Variant(3), Variant("3"));
    EXPECT_NE(Variant(), Variant(0));
    EXPECT_EQ(Variant(), Variant());
    EXPECT_NE(Variant("a"), Variant("A"));
    EXPECT_EQ(Variant(tlx::Bytes{1, 2}), Variant(tlx::Bytes{1, 2}));
    auto obj = std::make_shared<tlx::Object>();
    EXPECT_EQ(Variant(obj), Variant(obj));
    EXPECT_NE(Variant(obj), Variant(std::make_shared<tlx::Object>()));
}

TEST(Variant, KeysCompareTextsTrimmedAndWithoutCase) {
    EXPECT_TRUE(tlx::KeyEquals(Variant(" Kanal "), Variant("KANAL")));
    EXPECT_TRUE(tlx::KeyEquals(Variant("überlauf"), Variant("ÜBERLAUF")));
    EXPECT_FALSE(tlx::KeyEquals(Variant("3"), Variant(3)));
    EXPECT_TRUE(tlx::KeyEquals(Variant(3), Variant(3.0)));
    EXPECT_FALSE(tlx::KeyEquals(Variant("a b"), Variant("ab")));
}

TEST(Variant, ArraysKeepTheirBoundsAndCopyAsValues) {
    Variant a = Variant::Array(1, {Variant(10), Variant("x"), Variant(2.5)});
    EXPECT_EQ(a.ToArray().LBound(), 1);
    EXPECT_EQ(a.ToArray().UBound(), 3);
    EXPECT_EQ(a.ToArray()[2], Variant("x"));
    EXPECT_THROW(a.ToArray()[0], tlx::Error);
    EXPECT_THROW(a.ToArray()[4], tlx::Error);

    Variant b = a;
    b.MutableArray()[1] = Variant(99);
    EXPECT_EQ(a.ToArray()[1], Variant(10));
    EXPECT_EQ(b.ToArray()[1], Variant(99));
    EXPECT_NE(a, b);

    VariantArray empty(5);
    EXPECT_EQ(empty.UBound(), 4);
    EXPECT_FALSE(empty.Contains(5));
}

TEST(Variant, ArrayBoundsStayWithin32Bits) {
    EXPECT_THROW(VariantArray(std::numeric_limits<std::int32_t>::min(), {}), tlx::Error);
    EXPECT_THROW(VariantArray(std::numeric_limits<std::int32_t>::max(), {Variant(1), Variant(2)}),
                 tlx::Error);
    VariantArray top(std::numeric_limits<std::int32_t>::max(), {Variant(1)});
    EXPECT_EQ(top.UBound(), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(top[std::numeric_limits<std::int32_t>::max()], Variant(1));
    VariantArray bottom(std::numeric_limits<std::int32_t>::min(), {Variant(1)});
    EXPECT_EQ(bottom.UBound(), std::numeric_limits<std::int32_t>::min());
}

TEST(Variant, DatesOutsideTheCalendarAreNoTexts) {
    EXPECT_THROW(Variant(tlx::Date{std::numeric_limits<double>::quiet_NaN()}).ToText(), tlx::Error);
    EXPECT_THROW(Variant(tlx::Date{1e18}).ToText(), tlx::Error);
    EXPECT_EQ(Variant(tlx::Date::FromParts(9999, 12, 31)).ToText(), "9999-12-31");
    EXPECT_EQ(Variant(tlx::Date::FromParts(1, 1, 1)).ToText(), "0001-01-01");
}

TEST(Variant, ObjectsAndNothing) {
    Variant nothing{tlx::ObjectRef()};
    EXPECT_TRUE(nothing.IsNothing());
    EXPECT_EQ(nothing.ToObject(), nullptr);
    EXPECT_EQ(Variant().ToObject(), nullptr);
    EXPECT_THROW(Variant(3).ToObject(), tlx::Error);
    EXPECT_THROW(Variant(std::make_shared<tlx::Object>()).ToText(), tlx::Error);
}

}  // namespace
