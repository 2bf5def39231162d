// docs/schedule.png against the schedule it is drawn from.
#include "tests/picture/schedule_picture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/picture/png_encoding.h"
#include "throttling/limit_pass.h"

namespace tovrel::test {
namespace {

using std::chrono::milliseconds;
using Spans = std::vector<std::pair<int, int>>;  // [from, to) in pixels

// The runs of hold grey along one row of the time line.
Spans HoldsDrawn(const SchedulePicture& picture, int row, LimitTime until) {
  Spans spans;
  const int from = picture.XOf(LimitTime(0)), to = picture.XOf(until);
  for (int x = from; x < to; ++x) {
    if (picture.surface().GetPixel(x, row) != SchedulePicture::kHoldColour) continue;
    if (!spans.empty() && spans.back().second == x)
      spans.back().second = x + 1;
    else
      spans.push_back({x, x + 1});
  }
  return spans;
}

TEST(SchedulePicture, EveryLaneShowsItsLimitsHoldsAndTheTicksItsWakes) {
  const SchedulePicture picture(PicturedSchedules());
  ASSERT_EQ(picture.panels().size(), 2u);
  for (int p = 0; p < 2; ++p) {
    const ScheduleTrace& trace = picture.panels()[static_cast<std::size_t>(p)];
    ASSERT_EQ(trace.percents.size(), 3u);
    for (int limit = 1; limit <= 3; ++limit) {
      Spans traced;
      for (const TracedHold& h : trace.holds)
        if (h.limit == limit) traced.push_back({picture.XOf(h.begin), picture.XOf(h.end)});
      ASSERT_FALSE(traced.empty());
      EXPECT_EQ(HoldsDrawn(picture, picture.LaneMiddle(p, limit), trace.until), traced)
          << "panel " << p << ", limit " << limit;
      // Between its holds the lane is in the limit's own colour: it runs.
      EXPECT_EQ(picture.surface().GetPixel(traced.front().second, picture.LaneMiddle(p, limit)),
                SchedulePicture::kRunColours[limit - 1]);
    }
    std::set<int> ticks, wakes;
    // Along the time line: the row's name is written left of it in the same black.
    for (int x = picture.XOf(LimitTime(0)) - 1; x <= picture.XOf(trace.until); ++x)
      if (picture.surface().GetPixel(x, picture.WakeRow(p)) == SchedulePicture::kWakeColour) ticks.insert(x);
    for (const LimitTime w : trace.wakes)
      for (int x = picture.XOf(w) - 1; x <= picture.XOf(w); ++x) wakes.insert(x);
    EXPECT_EQ(ticks, wakes) << "panel " << p;
  }
}

// The trace is the schedule's own: the holds it noted are those a cycle of 20/30/40 %
// asks for, and no more limits run at once than the processors it was given.
TEST(SchedulePicture, TheTracedScheduleHoldsEachLimitForItsShareAndRunsAsManyAtOnceAsItWasGiven) {
  for (const int processors : {1, 2}) {
    const ScheduleTrace trace = TraceSchedule({20, 30, 40}, processors, 4 * LimitTime(kLimitCycle));
    // The last full cycle: each limit is held (100 - p) x 3 ms of it.
    const LimitTime from = 2 * LimitTime(kLimitCycle), to = 3 * LimitTime(kLimitCycle);
    for (int limit = 1; limit <= 3; ++limit) {
      LimitTime held{0};
      for (const TracedHold& h : trace.holds)
        if (h.limit == limit) held += std::max(LimitTime(0), std::min(h.end, to) - std::max(h.begin, from));
      EXPECT_EQ(held, HoldTime(trace.percents[static_cast<std::size_t>(limit - 1)]))
          << processors << " processors, limit " << limit;
    }
    // Sampled each 0.5 ms: how many limits run (are not held) at once, at most.
    int most = 0;
    for (LimitTime t = from; t < to; t += LimitTime(500)) {
      int running = 3;
      for (const TracedHold& h : trace.holds)
        if (h.begin <= t && t < h.end) --running;
      most = std::max(most, running);
    }
    EXPECT_EQ(most, processors) << "limits running at once";
  }
}

TEST(SchedulePicture, TheCommittedPictureIsTheOneTheScheduleDrawsToday) {
  const SchedulePicture picture(PicturedSchedules());
  const std::vector<std::uint8_t> drawn =
      EncodePng(picture.surface().Width(), picture.surface().Height(), picture.Rgb24());
  std::ifstream file(std::string(TOVREL_SOURCE_DIR) + "/docs/schedule.png", std::ios::binary);
  ASSERT_TRUE(file) << "docs/schedule.png is missing";
  const std::vector<std::uint8_t> committed{std::istreambuf_iterator<char>(file), {}};
  EXPECT_TRUE(committed == drawn) << "the schedule has changed: run bash scripts/schedule-picture.sh";
}

}  // namespace
}  // namespace tovrel::test
