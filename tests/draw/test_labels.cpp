#include "model/DateFormat.h"

#include <gtest/gtest.h>

namespace {
struct FixedFormats : ::testing::Test {
    void SetUp() override { SetLocaleDateFormats({QStringLiteral("dd.MM.yyyy"), QStringLiteral("H:mm:ss")}); }
    void TearDown() override { ResetLocaleDateFormats(); }
};
} // namespace

TEST(AxisNumbers, FixedNotation) {
    EXPECT_EQ(FormatAxisNumber(0), QStringLiteral("0"));
    EXPECT_EQ(FormatAxisNumber(1.5L), QStringLiteral("1.5"));
    EXPECT_EQ(FormatAxisNumber(-0.25L), QStringLiteral("-0.25"));
    EXPECT_EQ(FormatAxisNumber(100), QStringLiteral("100"));
    EXPECT_EQ(FormatAxisNumber(3 * 0.2L), QStringLiteral("0.6"));
    EXPECT_EQ(FormatAxisNumber(1234567.4L), QStringLiteral("1234567"));
    EXPECT_EQ(FormatAxisNumber(123.456789L), QStringLiteral("123.4568"));
    EXPECT_EQ(FormatAxisNumber(0.00001L), QStringLiteral("0.00001"));
    EXPECT_EQ(FormatAxisNumber(0.000123456789L), QStringLiteral("0.0001234568"));
}

TEST(AxisNumbers, ExponentNotation) {
    EXPECT_EQ(FormatAxisNumber(12345678), QStringLiteral("1.234568E007"));
    EXPECT_EQ(FormatAxisNumber(9999999.7L), QStringLiteral("1E007")); // rounds to eight digits
    EXPECT_EQ(FormatAxisNumber(0.000001L), QStringLiteral("1E-006"));
    EXPECT_EQ(FormatAxisNumber(-2.5e-9L), QStringLiteral("-2.5E-009"));
    EXPECT_EQ(FormatAxisNumber(1e300L), QStringLiteral("1E300"));
    EXPECT_EQ(FormatAxisNumber(1.25e1234L), QStringLiteral("1.25E1234"));
}

TEST_F(FixedFormats, DatesAndTimes) {
    EXPECT_EQ(FormatDateLabel(0), QStringLiteral("30.12.1899"));
    EXPECT_EQ(FormatDateLabel(45000.75L), QStringLiteral("15.03.2023"));
    EXPECT_EQ(FormatTimeLabel(45000.75L, false), QStringLiteral("18:00:00"));
    EXPECT_EQ(FormatTimeLabel(0.5L + 1.25L / 86400, true), QStringLiteral("12:00:01.25"));
    EXPECT_EQ(FormatTimeLabel(0.5L + 1.25L / 86400, false), QStringLiteral("12:00:01"));
    EXPECT_EQ(FormatTimeLabel(0.5L, true), QStringLiteral("12:00:00"));
    // Negative values: the day before the epoch, time counted from its midnight.
    EXPECT_EQ(FormatDateLabel(-1.25L), QStringLiteral("29.12.1899"));
    EXPECT_EQ(FormatTimeLabel(-1.25L, false), QStringLiteral("6:00:00"));
    // A time that rounds up to midnight belongs to the next day.
    EXPECT_EQ(FormatDateLabel(1 - 1e-12L), QStringLiteral("31.12.1899"));
    EXPECT_EQ(FormatTimeLabel(1 - 1e-12L, false), QStringLiteral("0:00:00"));
}

TEST_F(FixedFormats, ValuesWithoutCalendarMeaning) {
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    for (Extended v : {nan, Extended(INFINITY), 1e20L, -1e7L}) {
        EXPECT_EQ(FormatDateLabel(v), QStringLiteral("No date"));
        EXPECT_EQ(FormatTimeLabel(v, true), QStringLiteral("No time"));
    }
}

TEST(DateFormats, SystemFormatsComeBack) {
    const TLocaleDateFormats system = LocaleDateFormats();
    SetLocaleDateFormats({QStringLiteral("yyyy"), QStringLiteral("HH")});
    EXPECT_EQ(FormatDateLabel(0), QStringLiteral("1899"));
    // Month names are Russian whatever the system's language.
    SetLocaleDateFormats({QStringLiteral("d MMMM yyyy"), QStringLiteral("HH")});
    EXPECT_EQ(FormatDateLabel(45000.75L), QString::fromUtf8("15 марта 2023"));
    ResetLocaleDateFormats();
    EXPECT_EQ(LocaleDateFormats().ShortDate, system.ShortDate);
    EXPECT_FALSE(LocaleDateFormats().LongTime.contains(QLatin1Char('t')));
}
