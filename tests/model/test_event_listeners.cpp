#include "model/EventListeners.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <optional>

namespace {

// Listeners leave in any order; the others keep hearing the event.
TEST(EventListeners, ListenersLeaveInAnyOrder) {
    TEventListeners<int> event;
    QStringList heard;
    std::optional<TEventConnection> first =
        event.Listen([&](int v) { heard << QStringLiteral("a%1").arg(v); });
    TEventConnection second = event.Listen([&](int v) { heard << QStringLiteral("b%1").arg(v); });
    event(1);
    first.reset();
    event(2);
    TEventConnection third = event.Listen([&](int v) { heard << QStringLiteral("c%1").arg(v); });
    second.Reset();
    event(3);
    EXPECT_EQ(heard.join(QLatin1Char(' ')), QStringLiteral("a1 b1 b2 c3"));
}

// A listener may take itself and others off while the event runs: those are not called any more.
// A connection that outlives its event does nothing when it goes.
TEST(EventListeners, LeavingWhileTheEventRunsAndAfterItIsGone) {
    int earlierCalls = 0, laterCalls = 0;
    TEventConnection earlier, later;
    {
        TEventListeners<> event;
        earlier = event.Listen([&] {
            earlier.Reset();
            later.Reset();
            ++earlierCalls;
        });
        later = event.Listen([&] { ++laterCalls; });
        event();
        event();
        EXPECT_FALSE(event);
        later = event.Listen([&] { ++laterCalls; });
    }
    later.Reset();
    EXPECT_EQ(earlierCalls, 1);
    EXPECT_EQ(laterCalls, 0);
}

} // namespace
