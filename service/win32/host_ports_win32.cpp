#include "service/win32/host_ports_win32.h"

#include <windows.h>

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

class Win32StopEvent : public StopEvent {
 public:
  Win32StopEvent(unique_handle stop, unique_handle wake)
      : stop_(std::move(stop)), wake_(std::move(wake)) {}

  void Set() override { SetEvent(stop_.get()); }
  void Wake() override { SetEvent(wake_.get()); }
  WaitResult WaitAlertable(uint32_t timeoutMs, Status* failure) override {
    // The stop event first: when several are signalled, the stop wins.
    const HANDLE handles[] = {stop_.get(), wake_.get(), change_.get()};
    const DWORD count = change_ ? 3 : 2;
    switch (WaitForMultipleObjectsEx(count, handles, FALSE, timeoutMs, TRUE)) {
      case WAIT_IO_COMPLETION:
        return WaitResult::kIoCompletion;
      case WAIT_OBJECT_0 + 1:
      case WAIT_TIMEOUT:
        return WaitResult::kWoken;
      case WAIT_OBJECT_0 + 2:
        return WaitResult::kPrinterAdded;
      case WAIT_OBJECT_0:
        return WaitResult::kEnded;
      default:  // WAIT_FAILED; an abandoned wait cannot come from events
        *failure = LastErrorStatus();
        return WaitResult::kFailed;
    }
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

 private:
  unique_handle stop_;
  unique_handle wake_;
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
