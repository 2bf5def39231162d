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

TEST_F(RecordFixture, TheGuardSeesWhatTheTurnHoldsLineByLine) {
  EXPECT_FALSE(record.Read().has_value());  // nothing held yet

  record.BeginHold(500, 0x1234);
  const auto a = record.Add(11);  // suspended
  const auto b = record.Add(12);  // its suspension failed
  const auto c = record.Add(13);  // killed with its call in flight
  ASSERT_TRUE(a && b && c);
  record.Set(*a, State::kSuspended);
  record.Set(*b, State::kNone);
  auto held = record.Read();
  ASSERT_TRUE(held.has_value());
  EXPECT_EQ(held->processId, 500u);
  EXPECT_EQ(held->processHandle, 0x1234u);
  ASSERT_EQ(held->threads.size(), 2u);
  EXPECT_EQ(held->threads[0].threadId, 11u);
  EXPECT_EQ(held->threads[0].state, State::kSuspended);
  EXPECT_EQ(held->threads[1].threadId, 13u);
  EXPECT_EQ(held->threads[1].state, State::kSuspending);

  // Resumption: in flight, then gone; the hold ends and nothing is left to do.
  record.Set(*a, State::kResuming);
  EXPECT_EQ(record.Read()->threads[0].state, State::kResuming);
  record.Set(*a, State::kNone);
  record.EndHold();
  EXPECT_FALSE(record.Read().has_value());

  // The next turn starts a fresh list: the old lines are not the new process's.
  record.BeginHold(600, 0x99);
  EXPECT_TRUE(record.Read()->threads.empty());
  record.Set(SuspensionRecord::kCapacity, State::kSuspended);  // a thread with no line: ignored
  EXPECT_TRUE(record.Read()->threads.empty());
}

TEST_F(RecordFixture, AThreadBeyondTheCapacityGetsNoLine) {
  record.BeginHold(1, 1);
  for (std::uint32_t i = 0; i < SuspensionRecord::kCapacity; ++i) ASSERT_TRUE(record.Add(i + 1).has_value());
  EXPECT_FALSE(record.Add(999999).has_value());
  EXPECT_EQ(record.Read()->threads.size(), SuspensionRecord::kCapacity);
  EXPECT_GE(SuspensionRecord::kCapacity, 4096u) << "a process of thousands of threads must fit";
}

}  // namespace
}  // namespace tovrel
