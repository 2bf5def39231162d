#include "throttling/suspension_record.h"

#include <atomic>

namespace tovrel {

namespace {

// Another process reads these words: each store is complete and in program order
// before the thread call that follows it.
template <typename T>
void Store(T& word, T value) {
  std::atomic_ref<T>(word).store(value, std::memory_order_release);
}

template <typename T>
T Load(T& word) {
  return std::atomic_ref<T>(word).load(std::memory_order_acquire);
}

}  // namespace

void SuspensionRecord::BeginHold(std::uint32_t processId, std::uint64_t processHandle) {
  Store(layout_->holding, 0u);
  Store(layout_->count, 0u);
  Store(layout_->processId, processId);
  Store(layout_->processHandle, processHandle);
  Store(layout_->holding, 1u);
}

std::optional<std::uint32_t> SuspensionRecord::Add(std::uint32_t threadId) {
  const std::uint32_t line = layout_->count;
  if (line >= kCapacity) return std::nullopt;
  Store(layout_->lines[line].threadId, threadId);
  Store(layout_->lines[line].state, static_cast<std::uint32_t>(ThreadState::kSuspending));
  Store(layout_->count, line + 1);
  return line;
}

void SuspensionRecord::Set(std::uint32_t line, ThreadState state) {
  if (line < kCapacity) Store(layout_->lines[line].state, static_cast<std::uint32_t>(state));
}

void SuspensionRecord::EndHold() { Store(layout_->holding, 0u); }

std::optional<SuspensionRecord::Held> SuspensionRecord::Read() const {
  if (Load(layout_->holding) != 1) return std::nullopt;
  Held held{Load(layout_->processId), Load(layout_->processHandle), {}};
  const std::uint32_t count = Load(layout_->count);
  for (std::uint32_t i = 0; i < count && i < kCapacity; ++i) {
    const std::uint32_t state = Load(layout_->lines[i].state);
    if (state == static_cast<std::uint32_t>(ThreadState::kNone) ||
        state > static_cast<std::uint32_t>(ThreadState::kResuming))
      continue;
    held.threads.push_back({Load(layout_->lines[i].threadId), static_cast<ThreadState>(state)});
  }
  return held;
}

}  // namespace tovrel
