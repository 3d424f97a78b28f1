// roundNearest and signOf: ties, signed zeros, subnormals and not-a-number.
#include "geometry/Primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct RoundingCase {
    double x;
    double expected;
};

void PrintTo(const RoundingCase& c, std::ostream* os) { *os << c.x << " -> " << c.expected; }

class RoundNearestTable : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(RoundNearestTable, GivesTheNearestIntegerWithTiesDown)
{
    EXPECT_EQ(roundNearest(GetParam().x), GetParam().expected) << "x = " << GetParam().x;
}

INSTANTIATE_TEST_SUITE_P(Primitives, RoundNearestTable,
                         ::testing::Values(RoundingCase{2.5, 2.0}, RoundingCase{-2.5, -3.0},
                                           RoundingCase{-0.5, -1.0}, RoundingCase{0.5, 0.0},
                                           RoundingCase{2.5000001, 3.0},
                                           RoundingCase{2.4999999, 2.0}, RoundingCase{3.0, 3.0},
                                           RoundingCase{-3.0, -3.0},
                                           RoundingCase{31415.5, 31415.0},
                                           RoundingCase{-1.2, -1.0}, RoundingCase{-1.7, -2.0},
                                           RoundingCase{1e300, 1e300}));

TEST(RoundNearest, NotANumberStaysNotANumber)
{
    EXPECT_TRUE(std::isnan(roundNearest(std::numeric_limits<double>::quiet_NaN())));
}

TEST(RoundNearest, ResultIsAnIntegerWithinOneHalf)
{
    for (double x = -7.3; x < 7.3; x += 0.0625) {
        const double r = roundNearest(x);
        EXPECT_EQ(r, std::floor(r)) << x;
        EXPECT_LE(std::fabs(x - r), 0.5) << x;
    }
}

TEST(RoundNearest, MirroredValuesRoundAlikeExceptAtTies)
{
    for (double x = 0.05; x < 6.0; x += 0.1) {
        const bool tie = x - std::floor(x) == 0.5;
        const double mirrored = -roundNearest(-x);
        EXPECT_EQ(mirrored, tie ? roundNearest(x) + 1.0 : roundNearest(x)) << x;
    }
    EXPECT_EQ(-roundNearest(-4.5), roundNearest(4.5) + 1.0);
}

struct SignCase {
    double x;
    int expected;
};

void PrintTo(const SignCase& c, std::ostream* os) { *os << c.x << " -> " << c.expected; }

class SignOfTable : public ::testing::TestWithParam<SignCase> {};

TEST_P(SignOfTable, GivesTheSign)
{
    EXPECT_EQ(signOf(GetParam().x), GetParam().expected) << "x = " << GetParam().x;
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, SignOfTable,
    ::testing::Values(SignCase{0.0, 0}, SignCase{-0.0, 0},
                      SignCase{std::numeric_limits<double>::denorm_min(), 1},
                      SignCase{-std::numeric_limits<double>::denorm_min(), -1},
                      SignCase{std::numeric_limits<double>::quiet_NaN(), -1},
                      SignCase{std::numeric_limits<double>::infinity(), 1},
                      SignCase{-std::numeric_limits<double>::infinity(), -1}, SignCase{42.0, 1},
                      SignCase{-1e-300, -1}));

}  // namespace
