// The service host's ports on Win32: the waitable timer, the stop event, the
// status handle, and the run's platform that creates them with the engine.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

#include "platform/win32/scoped_handle.h"
#include "service/service_entry.h"
#include "service/system_clock.h"

namespace vantrel {

using win32::unique_handle;

// The completion routine of the tick timer: `arg` is the ServiceContext, the
// two halves the FILETIME at which the timer fired.
void CALLBACK OnTimerTick(LPVOID arg, DWORD timerLowValue, DWORD timerHighValue);

// A waitable timer whose completion routine runs on the thread that armed
// it. Created on the service thread; arming from any other thread is handed
// to the service thread as an APC so the ticks keep arriving there.
class Win32TickTimer : public TickTimer {
 public:
  // Null when CreateWaitableTimerW fails.
  static std::unique_ptr<Win32TickTimer> Create();
  ~Win32TickTimer() override;

  void Arm(ServiceContext& context) override;
  void Cancel() override;

 private:
  // Shared with APCs still queued to the service thread, which may run after
  // the timer is gone and must then do nothing.
  struct State {
    std::mutex mutex;
    unique_handle timer;
    ServiceContext* context = nullptr;
  };

  Win32TickTimer(unique_handle timer, unique_handle serviceThread, DWORD serviceThreadId);
  static void SetTimerLocked(State& state);
  static void CALLBACK ArmOnServiceThread(ULONG_PTR parameter);

  std::shared_ptr<State> state_;
  unique_handle serviceThread_;
  DWORD serviceThreadId_;
};

class Win32StopEvent : public StopEvent {
 public:
  // Null when CreateEventW fails.
  static std::unique_ptr<Win32StopEvent> Create();
  void Set() override;
  WaitResult WaitAlertable() override;

 private:
  explicit Win32StopEvent(unique_handle event) : event_(std::move(event)) {}
  unique_handle event_;
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
  std::unique_ptr<StopEvent> CreateStopEvent() override { return Win32StopEvent::Create(); }
  Clock& clock() override { return clock_; }

 private:
  SystemClock clock_;
};

// RegisterServiceCtrlHandlerExW for "Vantrel" with `handler`.
class Win32ControlRegistration : public ControlRegistration {
 public:
  explicit Win32ControlRegistration(LPHANDLER_FUNCTION_EX handler) : handler_(handler) {}
  std::unique_ptr<StatusReporter> RegisterHandler(ServiceContext& context) override;
  uint32_t LastError() override { return GetLastError(); }

 private:
  LPHANDLER_FUNCTION_EX handler_;
};

}  // namespace vantrel
