// The service host's ports on Win32: the waitable timer, the stop event, the
// status handle, and the run's platform that creates them with the engine.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/win32/scoped_handle.h"
#include "service/service_entry.h"
#include "service/system_clock.h"

namespace vantrel {

using win32::unique_handle;

// The completion routine of the tick timer: `arg` is the ServiceContext, the
// two halves the FILETIME at which the timer fired.
void CALLBACK OnTimerTick(LPVOID arg, DWORD timerLowValue, DWORD timerHighValue);

// A waitable timer whose completion routine runs on the thread that armed
// it; the service context arms it only from the service thread.
class Win32TickTimer : public TickTimer {
 public:
  // Null when CreateWaitableTimerW fails.
  static std::unique_ptr<Win32TickTimer> Create();

  bool Arm(ServiceContext& context) override;
  void Cancel() override;

 private:
  explicit Win32TickTimer(unique_handle timer) : timer_(std::move(timer)) {}
  unique_handle timer_;
};

// The stop event and an auto-reset wake event, waited on together.
class Win32StopEvent : public StopEvent {
 public:
  // Null when either event cannot be created; `error` then holds
  // GetLastError of the failing call.
  static std::unique_ptr<Win32StopEvent> Create(uint32_t& error);
  void Set() override;
  void Wake() override;
  WaitResult WaitAlertable(uint32_t timeoutMs) override;

 private:
  Win32StopEvent(unique_handle stop, unique_handle wake)
      : stop_(std::move(stop)), wake_(std::move(wake)) {}
  unique_handle stop_;
  unique_handle wake_;
};

class Win32StatusReporter : public StatusReporter {
 public:
  explicit Win32StatusReporter(SERVICE_STATUS_HANDLE handle) : handle_(handle) {}
  void Report(const ServiceStatus& status) override;

 private:
  // Not closed: a status handle lives as long as the process.
  SERVICE_STATUS_HANDLE handle_;
};

class Win32HostPlatform : public HostPlatform {
 public:
  std::unique_ptr<PrinterEngine> CreateEngine() override;
  std::unique_ptr<TickTimer> CreateTickTimer() override { return Win32TickTimer::Create(); }
  std::unique_ptr<StopEvent> CreateStopEvent() override {
    return Win32StopEvent::Create(stopEventError_);
  }
  uint32_t CreateStopEventError() override { return stopEventError_; }
  Clock& clock() override { return clock_; }

 private:
  SystemClock clock_;
  uint32_t stopEventError_ = 0;
};

// RegisterServiceCtrlHandlerExW for "Vantrel" with `handler`.
class Win32ControlRegistration : public ControlRegistration {
 public:
  explicit Win32ControlRegistration(LPHANDLER_FUNCTION_EX handler) : handler_(handler) {}
  std::unique_ptr<StatusReporter> RegisterHandler(ControlGate& gate) override;

 private:
  LPHANDLER_FUNCTION_EX handler_;
};

}  // namespace vantrel
