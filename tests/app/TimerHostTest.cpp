// The window's timers: a hold keeps every firing back, and the end of the hold
// hands them on.
#include <vector>

#include <gtest/gtest.h>

#include "session/QtTimerHost.h"

TEST(QtTimerHostTest, FiringsWhileHeldAreKeptBackAndHandedOnAfterwards) {
    std::vector<int> fired;
    QtTimerHost timers([&](int id) { fired.push_back(id); });
    timers.fire(2);
    EXPECT_EQ(fired, std::vector<int>{2});

    timers.setHeld(true);
    timers.fire(1);
    timers.fire(3);
    EXPECT_EQ(fired, std::vector<int>{2});
    EXPECT_TRUE(timers.isActive(1));
    EXPECT_TRUE(timers.isActive(3));

    timers.stop(3);  // a timer stopped during the hold does not fire later
    EXPECT_FALSE(timers.isActive(3));

    timers.setHeld(false);
    EXPECT_TRUE(timers.isActive(1));
    EXPECT_EQ(timers.remainingMs(1), 0);
    EXPECT_FALSE(timers.isActive(3));
    timers.fire(1);
    EXPECT_EQ(fired, (std::vector<int>{2, 1}));
}
