#include "tools/TrackBar2d.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A 100 × 60 client area: track (5, 5)–(95, 55), thumb room W = 90 − 16 − 2 = 72, H = 50 − 16 − 2 = 32.
constexpr int kWidth = 100, kHeight = 60;

struct ThumbCase {
    double X, Y;
    int Left, Top;
};

TEST(TrackBar2d, ThumbGrowsRightAndUpwards) {
    TTrackBar2d bar;
    const ThumbCase cases[] = {{0, 0, 6, 38}, {100, 100, 78, 6}, {50, 25, 42, 30}, {100, 0, 78, 38}};
    for (const ThumbCase& c : cases) {
        bar.SetXValue(c.X);
        bar.SetYValue(c.Y);
        const TRect thumb = bar.Thumb(kWidth, kHeight);
        EXPECT_EQ(thumb.Left, c.Left) << c.X;
        EXPECT_EQ(thumb.Top, c.Top) << c.Y;
        EXPECT_EQ(thumb.Width(), 16);
        double x = -1, y = -1;
        bar.ValuesAt(kWidth, kHeight, thumb.Left, thumb.Top, x, y);
        EXPECT_NEAR(x, c.X, 100.0 / 72);
        EXPECT_NEAR(y, c.Y, 100.0 / 32);
    }
}

TEST(TrackBar2d, ValuesStayInTheRange) {
    TTrackBar2d bar;
    EXPECT_TRUE(bar.SetXValue(150));
    EXPECT_EQ(bar.XValue(), 100);
    EXPECT_FALSE(bar.SetXValue(100));
    bar.SetYValue(30);
    EXPECT_TRUE(bar.SetYValue(-3));
    EXPECT_EQ(bar.YValue(), 0);
    bar.SetXRange(20, 10); // taken the right way round, the value clamped into it
    EXPECT_EQ(bar.XMinValue(), 10);
    EXPECT_EQ(bar.XValue(), 20);
}

TEST(TrackBar2d, RangeOfNoWidthKeepsTheThumbAtTheStart) {
    TTrackBar2d bar;
    bar.SetXRange(5, 5);
    bar.SetYRange(7, 7);
    EXPECT_FALSE(bar.SetXValue(40));
    EXPECT_EQ(bar.XValue(), 5);
    EXPECT_EQ(bar.YValue(), 7);
    const TRect thumb = bar.Thumb(kWidth, kHeight);
    EXPECT_EQ(thumb.Left, 6);
    EXPECT_EQ(thumb.Top, 6);
    double x = 0, y = 0;
    bar.ValuesAt(kWidth, kHeight, 60, 30, x, y);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 7);
    EXPECT_FALSE(bar.Step(TTrackKey::PageUp, true));
    EXPECT_FALSE(bar.PageTowards(90, 90));
    // A control too small for its thumb has no room either.
    EXPECT_EQ(TTrackBar2d().Thumb(10, 10).Left, 6);
}

struct StepCase {
    TTrackKey Key;
    bool Ctrl;
    double X, Y;
};

TEST(TrackBar2d, KeysStepByLineOrPageSizes) {
    const StepCase cases[] = {
        {TTrackKey::Left, false, 49, 50},   {TTrackKey::Right, false, 51, 50},
        {TTrackKey::Up, false, 50, 51},     {TTrackKey::Down, false, 50, 49},
        {TTrackKey::Home, false, 49, 51},   {TTrackKey::End, false, 49, 49},
        {TTrackKey::PageUp, false, 51, 51}, {TTrackKey::PageDown, true, 60, 44},
    };
    for (const StepCase& c : cases) {
        TTrackBar2d bar;
        bar.XLineSize = bar.YLineSize = 1;
        bar.XPageSize = 10;
        bar.YPageSize = 6;
        bar.SetXValue(50);
        bar.SetYValue(50);
        EXPECT_TRUE(bar.Step(c.Key, c.Ctrl));
        EXPECT_DOUBLE_EQ(bar.XValue(), c.X) << int(c.Key);
        EXPECT_DOUBLE_EQ(bar.YValue(), c.Y) << int(c.Key);
    }
}

TEST(TrackBar2d, PressMovesOnePageTowardsThePointOrOntoIt) {
    TTrackBar2d bar; // page: 0.1 × the diagonal of 100 × 100
    EXPECT_TRUE(bar.PageTowards(100, 0));
    EXPECT_NEAR(bar.XValue(), 0.1 * std::hypot(100.0, 100.0), 1e-9);
    EXPECT_EQ(bar.YValue(), 0);
    EXPECT_TRUE(bar.PageTowards(16, 3));
    EXPECT_EQ(bar.XValue(), 16);
    EXPECT_EQ(bar.YValue(), 3);
}

} // namespace
