#include "acquisition/results_timer.h"

#include "acquisition/acquisition_fixture.h"

namespace tidemark::testing {
namespace {

using acquisition::ResultsTimer;

class ResultsTimerTest : public AcquisitionTest {
protected:
    ResultsTimerTest() : timer(host, settings, [this] { ++fetches; }) {}

    // Fires Timer4 at hh:mm and says whether it fetched.
    bool tickAt(int hour, int minute)
    {
        host.clock.hour = hour;
        host.clock.minute = minute;
        const int before = fetches;
        host.fire(TimerId::Timer4);
        return fetches > before;
    }

    ResultsTimer timer;
    int fetches = 0;
};

TEST_F(ResultsTimerTest, RunsOnlyForTodaysDayWithTheStoredInterval)
{
    host.clock = {2024, 1, 15, 8, 0, 0};
    timer.dayLoaded(label("2024年01月14日"), {ra(1).line()});
    EXPECT_FALSE(host.timerRunning(TimerId::Timer4));
    EXPECT_FALSE(timer.running());

    timer.dayLoaded(label(), {ra(1).line()});
    ASSERT_TRUE(host.timerRunning(TimerId::Timer4));
    EXPECT_EQ(host.timers.intervalMs(TimerId::Timer4), 15 * 60 * 1000); // the timer's own default

    settings.writeInteger("Time", "AutoRdataGet", 7);
    timer.dayLoaded(label(), {ra(1).line()});
    EXPECT_EQ(host.timers.intervalMs(TimerId::Timer4), 7 * 60 * 1000);

    timer.stop();
    EXPECT_FALSE(host.timerRunning(TimerId::Timer4));
    timer.dayLoaded(label("2024年01月16日"), {ra(1).line()});
    EXPECT_FALSE(host.timerRunning(TimerId::Timer4)); // another day stops it
}

TEST_F(ResultsTimerTest, FetchesFromBeforeTheFirstPostUntilSixInTheEvening)
{
    settings.writeInteger("Time", "AutoRdataGet", 20);
    host.clock = {2024, 1, 15, 8, 0, 0};
    // Slot 0 is not the first post: another track runs at 10:15, the last race at 17:20.
    timer.dayLoaded(label(), {ra(1).startTime("1310").line(), ra(1, "45").startTime("1015").line(),
                              std::string(records::kRaLineLength, ' '), ra(9, "45").startTime("1720").line()});
    // 10:15 − (20 + 30) minutes = 09:25, exclusive.
    EXPECT_FALSE(tickAt(9, 0));
    EXPECT_FALSE(tickAt(9, 25));
    EXPECT_TRUE(tickAt(9, 26));
    EXPECT_TRUE(tickAt(13, 0));
    EXPECT_TRUE(tickAt(18, 0));
    EXPECT_FALSE(tickAt(18, 1));
    EXPECT_FALSE(tickAt(23, 59));
    EXPECT_TRUE(host.timerRunning(TimerId::Timer4)); // the evening does not stop it

    // A night race at 20:50 moves the end to 21:20; a tick of the window's own timer
    // brings the day's cards with it. A day without a post time fetches nothing.
    timer.Timer4Timer({ra(1).startTime("1310").line(), ra(12, "45").startTime("2050").line()});
    EXPECT_FALSE(tickAt(12, 20));
    EXPECT_TRUE(tickAt(12, 21));
    EXPECT_TRUE(tickAt(21, 20));
    EXPECT_FALSE(tickAt(21, 21));
    timer.Timer4Timer({std::string(records::kRaLineLength, ' ')});
    EXPECT_FALSE(tickAt(13, 0));
}

TEST_F(ResultsTimerTest, NonsenseIntervalStillLeavesTheServiceBreathingRoom)
{
    settings.writeInteger("Time", "AutoRdataGet", 0);
    timer.dayLoaded(label(), {ra(1).line()});
    EXPECT_EQ(host.timers.intervalMs(TimerId::Timer4), 60 * 1000);
}

} // namespace
} // namespace tidemark::testing
