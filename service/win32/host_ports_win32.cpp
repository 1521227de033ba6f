#include "service/win32/host_ports_win32.h"

#include <utility>

#include "platform/win32/service_status_win32.h"

namespace vantrel {

namespace {
// Relative, in 100-ns units: the first tick 10 s after arming.
constexpr LONGLONG kFirstTickDue = -100000000LL;
constexpr LONG kTickPeriodMs = 10000;
}  // namespace

std::unique_ptr<Win32TickTimer> Win32TickTimer::Create() {
  // Auto-reset, not manual-reset: nothing waits on this handle, only its
  // completion routine matters, and Windows queues the routine every period
  // whatever the reset type. Wine honours the period only for auto-reset
  // timers; a manual-reset one fires once there.
  unique_handle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  if (!timer) return nullptr;
  return std::unique_ptr<Win32TickTimer>(new Win32TickTimer(std::move(timer)));
}

bool Win32TickTimer::Arm(ServiceContext& context) {
  LARGE_INTEGER due;
  due.QuadPart = kFirstTickDue;
  return SetWaitableTimer(timer_.get(), &due, kTickPeriodMs, OnTimerTick, &context, FALSE) != 0;
}

void Win32TickTimer::Cancel() { CancelWaitableTimer(timer_.get()); }

std::unique_ptr<Win32StopEvent> Win32StopEvent::Create(uint32_t& error) {
  unique_handle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop) {
    error = GetLastError();
    return nullptr;
  }
  unique_handle wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!wake) {
    error = GetLastError();
    return nullptr;
  }
  return std::unique_ptr<Win32StopEvent>(new Win32StopEvent(std::move(stop), std::move(wake)));
}

void Win32StopEvent::Set() { SetEvent(stop_.get()); }

void Win32StopEvent::Wake() { SetEvent(wake_.get()); }

StopEvent::WaitResult Win32StopEvent::WaitAlertable(uint32_t timeoutMs) {
  // The stop event first: when both are signalled, the stop wins.
  const HANDLE handles[] = {stop_.get(), wake_.get()};
  switch (WaitForMultipleObjectsEx(2, handles, FALSE, timeoutMs, TRUE)) {
    case WAIT_IO_COMPLETION:
      return WaitResult::kIoCompletion;
    case WAIT_OBJECT_0 + 1:
    case WAIT_TIMEOUT:
      return WaitResult::kWoken;
    default:
      return WaitResult::kEnded;
  }
}

void Win32StatusReporter::Report(const ServiceStatus& status) {
  SERVICE_STATUS s = win32::ToWin32(status);
  SetServiceStatus(handle_, &s);
}

std::unique_ptr<StatusReporter> Win32ControlRegistration::RegisterHandler(ControlGate& gate) {
  SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExW(L"Vantrel", handler_, &gate);
  if (!handle) return nullptr;
  return std::make_unique<Win32StatusReporter>(handle);
}

}  // namespace vantrel
