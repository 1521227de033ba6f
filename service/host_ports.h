// What the service host needs of the platform: the tick timer, the stop
// event, the Service Control Manager's status channel and the wall clock.
// The Win32 versions live in service/win32/host_ports_win32.h; the host's
// tests drive the same decisions with hand-made fakes.
#pragma once

#include <cstdint>

#include "platform/service_manager.h"

namespace vantrel {

class ServiceContext;

// The 10-second waitable timer whose ticks run OnTimerTick on the service
// thread.
class TickTimer {
 public:
  virtual ~TickTimer() = default;
  // First tick 10 s from now, then every 10 000 ms, each one delivered to
  // `context` on the service thread. May be called from the control thread.
  virtual void Arm(ServiceContext& context) = 0;
  // No further ticks until the next Arm.
  virtual void Cancel() = 0;
};

// The manual-reset event whose signal ends the run.
class StopEvent {
 public:
  enum class WaitResult { kIoCompletion, kEnded };

  virtual ~StopEvent() = default;
  virtual void Set() = 0;
  // One alertable, unlimited wait: kIoCompletion when it returned to run
  // queued ticks, kEnded for any other result (signalled or failed).
  virtual WaitResult WaitAlertable() = 0;
};

// SetServiceStatus on the handle the handler registration returned.
class StatusReporter {
 public:
  virtual ~StatusReporter() = default;
  virtual void Report(const ServiceStatus& status) = 0;
};

// The wall clock in whole seconds since 1970-01-01 00:00 UTC.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowSeconds() = 0;
};

}  // namespace vantrel
