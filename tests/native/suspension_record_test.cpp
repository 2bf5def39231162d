#include "throttling/suspension_record.h"

#include <gtest/gtest.h>

#include <memory>

namespace tovrel {
namespace {

using State = SuspensionRecord::ThreadState;

struct RecordFixture : ::testing::Test {
  std::unique_ptr<SuspensionRecord::Layout> memory = std::make_unique<SuspensionRecord::Layout>();
  SuspensionRecord record{memory.get()};
};

TEST_F(RecordFixture, TheGuardSeesWhatEachHoldKeepsLineByLine) {
  EXPECT_TRUE(record.Read().empty());  // nothing held yet
  ASSERT_EQ(record.FreeSlot(), 0);

  record.BeginHold(0, 500, 0x1234);
  const auto a = record.Add(0, 11);  // suspended
  const auto b = record.Add(0, 12);  // its suspension failed
  const auto c = record.Add(0, 13);  // killed with its call in flight
  ASSERT_TRUE(a && b && c);
  record.Set(0, *a, State::kSuspended);
  record.Set(0, *b, State::kNone);
  // A second hold overlaps the first in a slot of its own.
  ASSERT_EQ(record.FreeSlot(), 1);
  record.BeginHold(1, 600, 0x99);
  record.Set(1, *record.Add(1, 21), State::kSuspended);
  auto held = record.Read();
  ASSERT_EQ(held.size(), 2u);
  EXPECT_EQ(held[0].processId, 500u);
  EXPECT_EQ(held[0].processHandle, 0x1234u);
  ASSERT_EQ(held[0].threads.size(), 2u);
  EXPECT_EQ(held[0].threads[0].threadId, 11u);
  EXPECT_EQ(held[0].threads[0].state, State::kSuspended);
  EXPECT_EQ(held[0].threads[1].threadId, 13u);
  EXPECT_EQ(held[0].threads[1].state, State::kSuspending);
  EXPECT_EQ(held[1].processId, 600u);
  ASSERT_EQ(held[1].threads.size(), 1u);
  EXPECT_EQ(held[1].threads[0].threadId, 21u);

  // Resumption: in flight, then gone; the first hold ends, the second still counts.
  record.Set(0, *a, State::kResuming);
  EXPECT_EQ(record.Read()[0].threads[0].state, State::kResuming);
  record.Set(0, *a, State::kNone);
  record.EndHold(0);
  held = record.Read();
  ASSERT_EQ(held.size(), 1u);
  EXPECT_EQ(held[0].processId, 600u);

  // The next hold in a freed slot starts a fresh list: the old lines are not its process's.
  ASSERT_EQ(record.FreeSlot(), 0);
  record.BeginHold(0, 700, 0x77);
  record.BeginHold(2, 800, 0x88);
  EXPECT_FALSE(record.FreeSlot().has_value()) << "a slot for more holds than limits";
  EXPECT_TRUE(record.Read()[0].threads.empty());
  record.Set(0, SuspensionRecord::kCapacity, State::kSuspended);  // a thread with no line: ignored
  record.Set(SuspensionRecord::kSlots, 0, State::kSuspended);    // no such slot: ignored
  EXPECT_TRUE(record.Read()[0].threads.empty());
}

TEST_F(RecordFixture, AThreadBeyondTheCapacityGetsNoLine) {
  record.BeginHold(2, 1, 1);
  for (std::uint32_t i = 0; i < SuspensionRecord::kCapacity; ++i) ASSERT_TRUE(record.Add(2, i + 1).has_value());
  EXPECT_FALSE(record.Add(2, 999999).has_value());
  EXPECT_EQ(record.Read()[0].threads.size(), SuspensionRecord::kCapacity);
  EXPECT_GE(SuspensionRecord::kCapacity, 4096u) << "a process of thousands of threads must fit";
}

}  // namespace
}  // namespace tovrel
