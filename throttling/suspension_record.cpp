#include "throttling/suspension_record.h"

#include <atomic>
#include <utility>

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

std::optional<int> SuspensionRecord::FreeSlot() const {
  for (int slot = 0; slot < kSlots; ++slot)
    if (Load(layout_->slots[slot].holding) == 0) return slot;
  return std::nullopt;
}

void SuspensionRecord::BeginHold(int slot, std::uint32_t processId, std::uint64_t processHandle) {
  Slot* s = SlotAt(slot);
  if (!s) return;
  Store(s->holding, 0u);
  Store(s->count, 0u);
  Store(s->processId, processId);
  Store(s->processHandle, processHandle);
  Store(s->holding, 1u);
}

std::optional<std::uint32_t> SuspensionRecord::Add(int slot, std::uint32_t threadId) {
  Slot* s = SlotAt(slot);
  if (!s) return std::nullopt;
  const std::uint32_t line = s->count;
  if (line >= kCapacity) return std::nullopt;
  Store(s->lines[line].threadId, threadId);
  Store(s->lines[line].state, static_cast<std::uint32_t>(ThreadState::kSuspending));
  Store(s->count, line + 1);
  return line;
}

void SuspensionRecord::Set(int slot, std::uint32_t line, ThreadState state) {
  Slot* s = SlotAt(slot);
  if (s && line < kCapacity) Store(s->lines[line].state, static_cast<std::uint32_t>(state));
}

void SuspensionRecord::EndHold(int slot) {
  if (Slot* s = SlotAt(slot)) Store(s->holding, 0u);
}

std::vector<SuspensionRecord::Held> SuspensionRecord::Read() const {
  std::vector<Held> all;
  for (Slot& s : layout_->slots) {
    if (Load(s.holding) != 1) continue;
    Held held{Load(s.processId), Load(s.processHandle), {}};
    const std::uint32_t count = Load(s.count);
    for (std::uint32_t i = 0; i < count && i < kCapacity; ++i) {
      const std::uint32_t state = Load(s.lines[i].state);
      if (state == static_cast<std::uint32_t>(ThreadState::kNone) ||
          state > static_cast<std::uint32_t>(ThreadState::kResuming))
        continue;
      held.threads.push_back({Load(s.lines[i].threadId), static_cast<ThreadState>(state)});
    }
    all.push_back(std::move(held));
  }
  return all;
}

}  // namespace tovrel
