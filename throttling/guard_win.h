// The guard: a second, windowless process (this same exe started with a private
// argument) that waits, without cost, for Tovrel to end. If Tovrel is killed while holds
// keep processes suspended, the guard resumes exactly the recorded threads.
// Wired by handles only: it inherits Tovrel's process handle and an unnamed section,
// and Tovrel duplicates each limited process's handle into it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/handles_win.h"
#include "throttling/suspension_record.h"

namespace tovrel {

class Guard {
 public:
  // The guard runs `exe` (Tovrel's own by default), which must answer RunGuardIfAsked.
  explicit Guard(std::wstring exe = L"");
  ~Guard();
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

  // Starts a guard if none runs (the first, or after one was killed). False when none
  // could be started.
  bool EnsureRunning();
  // One has been started (whether it still runs is asked of died).
  bool started() const { return process_ && record_; }
  // A guard was started and has ended since (it was killed): another must be started.
  // Asked at every wake of the schedule, so it is told by the system rather than asked
  // of it: the answer may come a moment after the end.
  bool died() const { return process_ && (watcher_ ? ended_.load() : !running()); }
  // The shared record; null until a guard has been started.
  SuspensionRecord* record() { return record_.get(); }
  DWORD processId() const { return processId_; }
  // Counts guards started, so a handle shared with an older one is shared again.
  std::uint32_t generation() const { return generation_; }

  // Duplicates a process handle into the guard; its value there, 0 when it failed.
  std::uint64_t Share(HANDLE process);
  // Closes a value Share returned, in the guard.
  void Unshare(std::uint64_t value);

 private:
  bool running() const;
  bool StartProcess();
  void Watch();
  void StopWatching();
  static DWORD WINAPI WatchUntilEnded(void* guard);

  std::wstring exe_;
  win::UniqueHandle section_;
  win::UniqueView view_;
  std::unique_ptr<SuspensionRecord> record_;
  win::UniqueHandle process_;
  DWORD processId_ = 0;
  std::uint32_t generation_ = 0;
  // A thread of ours sleeps until the guard's process ends, then says so. Not the system's
  // thread pool: under Wine its idle worker wakes every five seconds. Null where none
  // could be started.
  win::UniqueHandle watcher_;
  win::UniqueHandle stopWatching_;
  std::atomic<bool> ended_{false};
};

// Tovrel's one guard, started on first use and never destroyed.
Guard& TheGuard();

// When this process was started as a guard: does the guard's work and returns the exit
// code. -1 otherwise, and the caller goes on as Tovrel.
int RunGuardIfAsked();

// What a guard does once Tovrel has ended: resumes the recorded threads of every held
// process, each once, after checking that each still belongs to it.
void ResumeWhatWasHeld(const SuspensionRecord& record);

}  // namespace tovrel
