#include "records/record_builder.h"
#include "records/record_view.h"

#include <gtest/gtest.h>

namespace tidemark::records {
namespace {

TEST(RecordBuilder, RaRoundTripSmoke)
{
    const std::string line = RaBuilder().date(2024, 1, 15).track("44").meeting(1).day(2).race(3).runners(12).line();
    ASSERT_EQ(line.size(), kRaLineLength);
    RaView v(line);
    EXPECT_EQ(v.raceKey(), "2024011544010203");
    EXPECT_EQ(v.runnerCount(), 12);
}

} // namespace
} // namespace tidemark::records
