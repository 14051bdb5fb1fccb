// A clock and a timer that move only when a test says so: gestures, glides and animations are
// replayed at exact times.
#pragma once

#include "window/SuperGrWindow.h"

#include <cstdint>

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
