#include "beacon/beacon.h"
#include "core/vbtext.h"

#include <gtest/gtest.h>

using namespace ondrix;

TEST(Text, RoundingIsHalfToEven) {
    const std::pair<double, long long> cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},  {-0.5, 0},
                                                  {-1.5, -2}, {2.4999, 2}, {94.6, 95}};
    for (auto [v, want] : cases)
        EXPECT_EQ(roundEven(v), want) << v;
}

TEST(Text, NumericTexts) {
    for (const char* yes : {"0", "250", " 42 ", "-3", "1.5", "+7"})
        EXPECT_TRUE(isNumeric(QString::fromUtf8(yes))) << yes;
    for (const char* no : {"", " ", "abc", "12a", "1,5x", "nan", "inf"})
        EXPECT_FALSE(isNumeric(QString::fromUtf8(no))) << no;
}

TEST(Text, RemainingTime) {
    const std::pair<double, const char*> cases[] = {{65, "1:05"},
                                                    {9, "0:09"},
                                                    {0, "0:00"},
                                                    {59.4, "0:59"},
                                                    // Rounded once: never "0:60".
                                                    {59.6, "1:00"},
                                                    {119.5, "2:00"},
                                                    {3600, "60:00"},
                                                    {-0.2, "0:00"}};
    for (auto [r, want] : cases)
        EXPECT_EQ(Beacon::remainingText(r), QString::fromUtf8(want)) << r;
}
