// What the holds keep suspended right now, kept in memory shared with a guard process
// that reads it if Tovrel is killed: one slot per hold (holds of different limits
// overlap), each with its process and, thread by thread, what was done. Only Tovrel
// writes; the guard reads once Tovrel is gone, so at most the one thread whose call was
// in flight at the kill is uncertain, and its line says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tovrel {

class SuspensionRecord {
 public:
  enum class ThreadState : std::uint32_t {
    kNone = 0,        // never stopped, or resumed again
    kSuspending = 1,  // recorded; its suspension may or may not have taken place
    kSuspended = 2,   // stopped by the hold: the guard resumes it once
    kResuming = 3,    // its resumption may or may not have taken place
  };

  // One slot for each limit that can hold at once.
  static constexpr int kSlots = 3;
  // Enough for a process of thousands of threads; a thread beyond it is not suspended.
  static constexpr std::uint32_t kCapacity = 16384;

  struct Line {
    std::uint32_t threadId;
    std::uint32_t state;
  };
  struct Slot {
    std::uint32_t holding;  // 1 while a hold keeps a process
    std::uint32_t processId;
    std::uint64_t processHandle;  // the held process as a handle value in the guard
    std::uint32_t count;          // lines used by this hold
    std::uint32_t reserved;
    Line lines[kCapacity];
  };
  struct Layout {
    Slot slots[kSlots];
  };
  static constexpr std::size_t kBytes = sizeof(Layout);

  // Over zero-filled memory of kBytes bytes, aligned for 64-bit values.
  explicit SuspensionRecord(void* memory) : layout_(static_cast<Layout*>(memory)) {}

  // Tovrel's side, in this order for each hold. A slot no hold uses; none when all are.
  std::optional<int> FreeSlot() const;
  void BeginHold(int slot, std::uint32_t processId, std::uint64_t processHandle);
  // A new line in kSuspending; none when the slot is full.
  std::optional<std::uint32_t> Add(int slot, std::uint32_t threadId);
  void Set(int slot, std::uint32_t line, ThreadState state);
  void EndHold(int slot);

  // The guard's side.
  struct Pending {
    std::uint32_t threadId;
    ThreadState state;
  };
  struct Held {
    std::uint32_t processId;
    std::uint64_t processHandle;
    std::vector<Pending> threads;  // every line not in kNone
  };
  // Every slot that holds a process.
  std::vector<Held> Read() const;

 private:
  Slot* SlotAt(int slot) const { return slot >= 0 && slot < kSlots ? &layout_->slots[slot] : nullptr; }
  Layout* layout_;
};

}  // namespace tovrel
