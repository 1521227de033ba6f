#include "service/win32/host_ports_win32.h"

#include <windows.h>

#include <array>
#include <string>
#include <utility>

#include "platform/win32/last_error.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/scoped_handle_spooler.h"
#include "service/service_context.h"

namespace vantrel {

namespace {

using win32::unique_handle;

// Relative, in 100-ns units: the first tick 10 s after arming.
constexpr LONGLONG kFirstTickDue = -100000000LL;
constexpr LONG kTickPeriodMs = 10000;

// The timer's completion routine, on the thread that armed it: `arg` is the
// ServiceContext, the two halves the FILETIME at which the timer fired.
void CALLBACK OnTimerTick(LPVOID arg, DWORD timerLowValue, DWORD timerHighValue) {
  try {
    static_cast<ServiceContext*>(arg)->OnTimerTick(
        FileTimeToUnixSeconds(timerLowValue, timerHighValue));
  } catch (...) {
    // The next tick tries again.
  }
}

class Win32TickTimer : public TickTimer {
 public:
  explicit Win32TickTimer(unique_handle timer) : timer_(std::move(timer)) {}

  Status Arm(ServiceContext& context) override {
    LARGE_INTEGER due;
    due.QuadPart = kFirstTickDue;
    if (!SetWaitableTimer(timer_.get(), &due, kTickPeriodMs, OnTimerTick, &context, FALSE))
      return LastErrorStatus();
    return Status::Ok();
  }
  void Cancel() override { CancelWaitableTimer(timer_.get()); }

 private:
  unique_handle timer_;
};

// A settings watch looks at the deepest key that exists on the way to its
// key (the key itself, once it exists), for values set and subkeys added or
// removed anywhere below it, and at that key's parent, for its subkeys:
// Wine signals no notice on a key that is deleted, but it does signal its
// parent's. The subtree catches a key created below the watched one before
// the watch moves down (Wine's RegCreateKeyExW makes one level at a time).
struct SettingsWatch {
  static constexpr DWORD kFilters[2] = {REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                        REG_NOTIFY_CHANGE_NAME};
  std::wstring path;     // the key, under HKEY_LOCAL_MACHINE
  std::wstring watched;  // the deepest existing key when last armed
  // The watched key and its parent (none right under the root),
  // each with its own auto-reset event: a notice fires once.
  std::array<win32::unique_hkey, 2> keys;
  std::array<unique_handle, 2> changed;

  bool OnKey() const { return watched.size() == path.size(); }
};

std::wstring ParentPath(const std::wstring& path) {
  const size_t cut = path.rfind(L'\\');
  return path.substr(0, cut == std::wstring::npos ? 0 : cut);
}

Status OpenForNotices(const std::wstring& path, win32::unique_hkey* key) {
  const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_NOTIFY, key->put());
  return opened == ERROR_SUCCESS ? Status::Ok() : Win32Failure(opened);
}

Status AskNotice(SettingsWatch& watch, size_t notice) {
  if (!watch.keys[notice]) return Status::Ok();
  const LSTATUS asked =
      RegNotifyChangeKeyValue(watch.keys[notice].get(), notice == 0,
                              SettingsWatch::kFilters[notice], watch.changed[notice].get(), TRUE);
  return asked == ERROR_SUCCESS ? Status::Ok() : Win32Failure(asked);
}

// Opens the deepest key that exists on the way to `path`.
Status OpenDeepest(const std::wstring& path, std::wstring* deepest, win32::unique_hkey* key) {
  *deepest = path;
  for (Status opened; !(opened = OpenForNotices(*deepest, key)).ok();) {
    if (opened.code() != ERROR_FILE_NOT_FOUND || deepest->empty()) return opened;
    *deepest = ParentPath(*deepest);
  }
  return Status::Ok();
}

// Replaces both handles with `key` and its parent, and asks for both
// notices. A handle closed with its notice pending may signal it, so the
// events are reset after the closing.
Status MoveSettingsWatch(SettingsWatch& watch, std::wstring deepest, win32::unique_hkey key) {
  // A key right under the root (HKEY_LOCAL_MACHINE\Software) is never
  // deleted: its parent needs no watching.
  win32::unique_hkey parent;
  if (deepest.find(L'\\') != std::wstring::npos) {
    const Status opened = OpenForNotices(ParentPath(deepest), &parent);
    if (!opened.ok()) return opened;
  }
  for (win32::unique_hkey& old : watch.keys) old.reset();
  for (unique_handle& event : watch.changed) ResetEvent(event.get());
  watch.keys[0] = std::move(key);
  watch.keys[1] = std::move(parent);
  watch.watched = std::move(deepest);
  for (size_t notice = 0; notice < 2; ++notice) {
    const Status asked = AskNotice(watch, notice);
    if (!asked.ok()) return asked;
  }
  return Status::Ok();
}

// Asks again for notice `fired` (0 or 1), or for both (any other value).
// While the same key is the deepest that exists, the notice is renewed on
// its handle; otherwise the watch moves. Once the notices are asked for,
// the way is looked at again: a key made or removed meanwhile moves the
// watch once more, and the notices see any later change.
Status ArmSettingsWatch(SettingsWatch& watch, size_t fired) {
  std::wstring deepest;
  win32::unique_hkey key;
  Status status = OpenDeepest(watch.path, &deepest, &key);
  if (!status.ok()) return status;
  bool renewed = fired < 2 && deepest == watch.watched && AskNotice(watch, fired).ok();
  // Bounded: a way that keeps changing is left watched where it last was.
  for (int round = 0; round < 8; ++round) {
    if (!renewed) {
      status = MoveSettingsWatch(watch, std::move(deepest), std::move(key));
      if (!status.ok()) return status;
    }
    status = OpenDeepest(watch.path, &deepest, &key);
    if (!status.ok() || deepest == watch.watched) return status;
    renewed = false;
  }
  return Status::Ok();
}

class Win32StopEvent : public StopEvent {
 public:
  Win32StopEvent(unique_handle stop, unique_handle wake)
      : stop_(std::move(stop)), wake_(std::move(wake)) {}

  void Set() override { SetEvent(stop_.get()); }
  void Wake() override { SetEvent(wake_.get()); }
  WaitResult WaitAlertable(uint32_t timeoutMs, Status* failure) override {
    // The stop event first: when several are signalled, the stop wins.
    HANDLE handles[3 + 2 * kMaxSettingsWatches] = {stop_.get(), wake_.get()};
    DWORD count = 2;
    const DWORD changeIndex = change_ ? count : MAXIMUM_WAIT_OBJECTS;
    if (change_) handles[count++] = change_.get();
    const DWORD firstNotice = count;
    for (size_t i = 0; i < watchCount_; ++i)
      for (const unique_handle& event : watches_[i].changed) handles[count++] = event.get();
    const DWORD result = WaitForMultipleObjectsEx(count, handles, FALSE, timeoutMs, TRUE);
    if (result == WAIT_IO_COMPLETION) return WaitResult::kIoCompletion;
    if (result == WAIT_OBJECT_0 + 1 || result == WAIT_TIMEOUT) return WaitResult::kWoken;
    if (result == WAIT_OBJECT_0) return WaitResult::kEnded;
    if (result == WAIT_OBJECT_0 + changeIndex) return WaitResult::kPrinterAdded;
    if (result >= WAIT_OBJECT_0 + firstNotice && result < WAIT_OBJECT_0 + count) {
      signalledNotice_ = result - WAIT_OBJECT_0 - firstNotice;
      return WaitResult::kSettingsChanged;
    }
    // WAIT_FAILED; an abandoned wait cannot come from events
    *failure = LastErrorStatus();
    return WaitResult::kFailed;
  }

  Status WatchPrinterAdditions() override {
    change_.reset();
    server_.reset();
    // A null name opens the local print server, where additions are told.
    win32::unique_hprinter server;
    if (!OpenPrinterW(nullptr, server.put(), nullptr)) return LastErrorStatus();
    // Additions only: renames (ours included) would wake the service for
    // nothing. Wine 8 stubs this call and answers INVALID_HANDLE_VALUE.
    SetLastError(0);
    win32::unique_hprinter_change change(
        FindFirstPrinterChangeNotification(server.get(), PRINTER_CHANGE_ADD_PRINTER, 0, nullptr));
    if (!change) return LastErrorStatus();
    server_ = std::move(server);
    change_ = std::move(change);
    return Status::Ok();
  }

  Status RearmPrinterAdditions() override {
    DWORD change = 0;
    if (change_ && FindNextPrinterChangeNotification(change_.get(), &change, nullptr, nullptr))
      return Status::Ok();
    const Status failure = LastErrorStatus();
    change_.reset();
    server_.reset();
    return failure;
  }

  Status WatchSettingsKey(const std::wstring& path) override {
    if (watchCount_ == kMaxSettingsWatches) return Status(ERROR_NOT_ENOUGH_QUOTA);
    return CatchToStatus(kWin32NoMemory, [&] {
      SettingsWatch watch;
      watch.path = path;
      for (unique_handle& event : watch.changed) {
        event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!event) return LastErrorStatus();
      }
      const Status armed = ArmSettingsWatch(watch, 2);
      if (armed.ok()) watches_[watchCount_++] = std::move(watch);
      return armed;
    });
  }

  Status RearmSettingsWatch(bool* aboutKey) override {
    const size_t index = signalledNotice_ / 2;
    if (index >= watchCount_) return Status(ERROR_INVALID_PARAMETER);
    SettingsWatch& watch = watches_[index];
    const bool wasOnKey = watch.OnKey();
    const Status armed = CatchToStatus(
        kWin32NoMemory, [&] { return ArmSettingsWatch(watch, signalledNotice_ % 2); });
    *aboutKey = wasOnKey || !armed.ok() || watch.OnKey();
    if (!armed.ok()) {
      // Dropped: the last watch takes its place in the wait.
      const size_t last = --watchCount_;
      if (index != last) std::swap(watches_[index], watches_[last]);
      watches_[last] = SettingsWatch{};
    }
    signalledNotice_ = 2 * kMaxSettingsWatches;
    return armed;
  }

 private:
  // The settings key and the policy key.
  static constexpr size_t kMaxSettingsWatches = 2;

  unique_handle stop_;
  unique_handle wake_;
  std::array<SettingsWatch, kMaxSettingsWatches> watches_;
  size_t watchCount_ = 0;
  size_t signalledNotice_ = 2 * kMaxSettingsWatches;  // two per watch
  // Destroyed in reverse order: the notification before its server handle.
  win32::unique_hprinter server_;
  win32::unique_hprinter_change change_;
};

}  // namespace

Status Win32HostPlatform::CreateTickTimer(std::unique_ptr<TickTimer>* timer) {
  // Auto-reset, not manual-reset: nothing waits on this handle, only its
  // completion routine matters, and Windows queues the routine every period
  // whatever the reset type. Wine honours the period only for auto-reset
  // timers; a manual-reset one fires once there.
  unique_handle handle(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  if (!handle) return LastErrorStatus();
  return CatchToStatus(kWin32NoMemory, [&] {
    *timer = std::make_unique<Win32TickTimer>(std::move(handle));
    return Status::Ok();
  });
}

Status Win32HostPlatform::CreateStopEvent(std::unique_ptr<StopEvent>* event) {
  unique_handle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop) return LastErrorStatus();
  unique_handle wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!wake) return LastErrorStatus();
  return CatchToStatus(kWin32NoMemory, [&] {
    *event = std::make_unique<Win32StopEvent>(std::move(stop), std::move(wake));
    return Status::Ok();
  });
}

}  // namespace vantrel
