// Windows for tests: a clock and a timer that move only when a test says so (gestures, glides and
// animations are replayed at exact times), and a fixture that adds graphs one call at a time.
#pragma once

#include "window/SuperGrWindow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

class ManualClock : public TWindowClock {
public:
    explicit ManualClock(int64_t start = 0) : Now(start) {}
    int64_t Now;
    int64_t NowMs() override { return Now; }
};

class ManualTimer : public TWindowTimer {
public:
    bool Active = false;
    int Interval = 0;
    void Start(int ms) override {
        Active = true;
        Interval = ms;
    }
    void Stop() override { Active = false; }
    bool IsActive() const override { return Active; }
};

// Gives the window a manual clock and timer; the window owns them, the test drives them.
struct ManualTime {
    ManualClock* Clock;
    ManualTimer* Timer;
};

inline ManualTime UseManualTime(TSuperGrWindow& window, int64_t start = 0) {
    auto clock = std::make_unique<ManualClock>(start);
    auto timer = std::make_unique<ManualTimer>();
    const ManualTime time{clock.get(), timer.get()};
    window.SetClock(std::move(clock));
    window.SetAnimationTimer(std::move(timer));
    return time;
}

// A graph's real arguments and values.
inline TDoubleArray GraphX(const TGraph* g) {
    TDoubleArray x, y;
    g->GetXY(x, y);
    return x;
}

inline TDoubleArray GraphY(const TGraph* g) {
    TDoubleArray x, y;
    g->GetXY(x, y);
    return y;
}

// A window for tests with graphs added one call at a time.
struct WindowTest : ::testing::Test {
    TSuperGrWindow window;
    ManualClock* clock = nullptr;
    ManualTimer* timer = nullptr;
    void UseManualTime(int64_t start = 0) {
        const ManualTime time = ::UseManualTime(window, start);
        clock = time.Clock;
        timer = time.Timer;
    }
    TGraph* Add(const TDoubleArray& x, const TDoubleArray& y, const QString& name = {}) {
        EXPECT_TRUE(window.AddGraph(name, false, {}, x, y));
        return window.GraphByIndex(window.GraphCount() - 1);
    }
};
