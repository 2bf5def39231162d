#include "throttling/guard_win.h"

#include <shellapi.h>

#include <cstddef>
#include <cwchar>
#include <vector>

namespace tovrel {

namespace {

constexpr wchar_t kGuardArgument[] = L"--tovrel-guard";

std::wstring OwnExe() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return L"";
    if (n < path.size()) return std::wstring(path.data(), n);
    path.resize(path.size() * 2);
  }
}

// A handle made inheritable just for the guard's creation.
win::UniqueHandle InheritableCopy(HANDLE source, DWORD access) {
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), source, ::GetCurrentProcess(), &copy, access, TRUE, 0))
    return win::UniqueHandle();
  return win::UniqueHandle(copy);
}

std::wstring HandleText(HANDLE h) { return std::to_wstring(reinterpret_cast<std::uintptr_t>(h)); }

HANDLE HandleFrom(const wchar_t* text) {
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(text, &end, 10);
  if (end == text || *end != L'\0' || value == 0) return nullptr;
  return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

}  // namespace

Guard::Guard(std::wstring exe) : exe_(exe.empty() ? OwnExe() : std::move(exe)) {}

Guard::~Guard() { StopWatching(); }

DWORD WINAPI Guard::WatchUntilEnded(void* guard) {
  auto* self = static_cast<Guard*>(guard);
  const HANDLE handles[] = {self->process_.get(), self->stopWatching_.get()};
  if (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) self->ended_ = true;
  return 0;
}

void Guard::Watch() {
  ended_ = false;
  stopWatching_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (stopWatching_) watcher_.reset(::CreateThread(nullptr, 0, &Guard::WatchUntilEnded, this, 0, nullptr));
}

void Guard::StopWatching() {
  // The watcher reads the process handle: it is gone before the handle is.
  if (watcher_) {
    ::SetEvent(stopWatching_.get());
    ::WaitForSingleObject(watcher_.get(), INFINITE);
  }
  watcher_.reset();
  stopWatching_.reset();
}

bool Guard::running() const { return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool Guard::EnsureRunning() {
  if (running()) return true;
  if (!section_) {
    section_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(SuspensionRecord::kBytes), nullptr));
    if (!section_) return false;
    view_.reset(::MapViewOfFile(section_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, SuspensionRecord::kBytes));
    if (!view_) {
      section_.reset();
      return false;
    }
    record_ = std::make_unique<SuspensionRecord>(view_.get());
  }
  return StartProcess();
}

bool Guard::StartProcess() {
  StopWatching();
  process_.reset();
  processId_ = 0;
  // Read-only for the guard: it cannot write into what Tovrel records.
  win::UniqueHandle self = InheritableCopy(::GetCurrentProcess(), SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
  win::UniqueHandle section = InheritableCopy(section_.get(), FILE_MAP_READ);
  if (!self || !section) return false;
  std::wstring command = L"\"" + exe_ + L"\" " + kGuardArgument + L" " + HandleText(self.get()) + L" " +
                         HandleText(section.get());

  // Only these two handles pass to the guard, whatever else Tovrel inherited itself.
  HANDLE inherited[] = {self.get(), section.get()};
  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<std::byte> attributes(size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  const bool listed = size != 0 && ::InitializeProcThreadAttributeList(list, 1, 0, &size) &&
                      ::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                                  sizeof(inherited), nullptr, nullptr);
  STARTUPINFOEXW info{};
  info.StartupInfo.cb = sizeof(info);
  info.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;
  info.lpAttributeList = listed ? list : nullptr;
  PROCESS_INFORMATION started{};
  DWORD flags = CREATE_NO_WINDOW | (listed ? EXTENDED_STARTUPINFO_PRESENT : 0);
  // Out of Tovrel's job where allowed, so that closing the job cannot take both.
  BOOL ok = ::CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, TRUE, flags | CREATE_BREAKAWAY_FROM_JOB,
                             nullptr, nullptr, &info.StartupInfo, &started);
  if (!ok) ok = ::CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                 &info.StartupInfo, &started);
  if (listed) ::DeleteProcThreadAttributeList(list);
  if (!ok) return false;
  ::CloseHandle(started.hThread);
  process_.reset(started.hProcess);
  processId_ = started.dwProcessId;
  Watch();
  ++generation_;
  return true;
}

std::uint64_t Guard::Share(HANDLE process) {
  if (!process_) return 0;
  HANDLE remote = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), process, process_.get(), &remote,
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0))
    return 0;
  return reinterpret_cast<std::uintptr_t>(remote);
}

void Guard::Unshare(std::uint64_t value) {
  if (value == 0 || !running()) return;
  // Brought over and closed here: not every system closes it with no target given.
  HANDLE local = nullptr;
  if (::DuplicateHandle(process_.get(), reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)),
                        ::GetCurrentProcess(), &local, 0, FALSE, DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS))
    ::CloseHandle(local);
}

Guard& TheGuard() {
  static Guard* guard = new Guard();
  return *guard;
}

void ResumeWhatWasHeld(const SuspensionRecord& record) {
  for (const SuspensionRecord::Held& held : record.Read()) {
    // The handle Tovrel shared keeps the process's id from being reused; a value that
    // names another process (or none) means the slot cannot be trusted.
    const auto process = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(held.processHandle));
    if (held.processId == 0 || ::GetProcessId(process) != held.processId) continue;
    for (const SuspensionRecord::Pending& t : held.threads) {
      win::UniqueHandle thread(
          ::OpenThread(THREAD_SUSPEND_RESUME | THREAD_QUERY_LIMITED_INFORMATION, FALSE, t.threadId));
      if (!thread || ::GetProcessIdOfThread(thread.get()) != held.processId) continue;
      if (t.state == SuspensionRecord::ThreadState::kSuspended) {
        ::ResumeThread(thread.get());
        continue;
      }
      // The one call in flight at the kill: most of such a call is spent inside the
      // system, so it most likely took place. A thread still suspended at all is resumed
      // once rather than left frozen; only a thread its own process had parked at that
      // very moment could be woken wrongly.
      const DWORD count = ::SuspendThread(thread.get());
      if (count == static_cast<DWORD>(-1)) continue;
      ::ResumeThread(thread.get());
      if (count > 0) ::ResumeThread(thread.get());
    }
  }
}

int RunGuardIfAsked() {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv) return -1;
  struct Free {
    LPWSTR* argv;
    ~Free() { ::LocalFree(argv); }
  } free{argv};
  if (argc < 2 || std::wcscmp(argv[1], kGuardArgument) != 0) return -1;
  if (argc != 4) return 2;
  const HANDLE tovrel = HandleFrom(argv[2]);
  const HANDLE section = HandleFrom(argv[3]);
  if (!tovrel || !section) return 2;
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const win::UniqueView view(::MapViewOfFile(section, FILE_MAP_READ, 0, 0, SuspensionRecord::kBytes));
  if (!view) return 3;
  // Waiting costs nothing until Tovrel ends, however it ends.
  if (::WaitForSingleObject(tovrel, INFINITE) != WAIT_OBJECT_0) return 4;
  ResumeWhatWasHeld(SuspensionRecord(view.get()));
  return 0;
}

}  // namespace tovrel
