// What the service host needs of the platform: the tick timer, the stop
// event, the Service Control Manager's status channel and handler
// registration, the wall clock, and the platform that makes them for a run.
// The Win32 versions live in service/win32/; the host's tests drive the same
// decisions with hand-made fakes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/service_manager.h"
#include "platform/status.h"
#include "service/printer_engine.h"

namespace vantrel {

class ControlGate;
class ServiceContext;

// The 10-second waitable timer whose ticks run OnTimerTick on the thread
// that armed it. The service context arms it only from the service thread.
class TickTimer {
 public:
  virtual ~TickTimer() = default;
  // First tick 10 s from now, then every 10 000 ms, each one delivered to
  // `context`. A Win32 error code when the platform refused.
  virtual Status Arm(ServiceContext& context) = 0;
  // No further ticks until the next Arm. May be called from any thread.
  virtual void Cancel() = 0;
};

// The manual-reset event whose signal ends the run, with a second channel
// through which the control thread hands the service thread work, the
// spooler's notice of added printers and the registry's notices of changed
// settings, all in the service thread's one wait.
class StopEvent {
 public:
  enum class WaitResult { kIoCompletion, kWoken, kPrinterAdded, kSettingsChanged, kEnded, kFailed };
  static constexpr uint32_t kInfinite = 0xFFFFFFFF;

  virtual ~StopEvent() = default;
  virtual void Set() = 0;
  // Ends the service thread's current or next wait with kWoken. Any thread.
  virtual void Wake() = 0;
  // One alertable wait of at most `timeoutMs`: kIoCompletion when it
  // returned to run queued ticks, kWoken after Wake or when the time ran
  // out, kEnded when signalled, kFailed with the reason in `failure` when
  // the wait itself failed.
  virtual WaitResult WaitAlertable(uint32_t timeoutMs, Status* failure) = 0;

  // Service thread. Asks the local print server to end a wait with
  // kPrinterAdded when a printer is added (not when one is renamed: the
  // service's own renames must not wake it). A Win32 error code when the
  // spooler cannot notify; the waits then go on without it.
  virtual Status WatchPrinterAdditions() = 0;
  // Service thread, after kPrinterAdded: arms the notice for the next
  // addition. On failure the notice is closed, and only a new
  // WatchPrinterAdditions brings it back.
  virtual Status RearmPrinterAdditions() = 0;

  // Service thread. Asks the registry to end a wait with kSettingsChanged
  // when a value or a subkey of the key at `path` under HKEY_LOCAL_MACHINE
  // changes. While that key does not exist its nearest existing parent is
  // watched instead, so that creating it counts as a change. A Win32 error
  // code when the key cannot be watched.
  virtual Status WatchSettingsKey(const std::wstring& path) = 0;
  // Service thread, after kSettingsChanged: arms the watch that ended the
  // wait again (a registry notice fires once), on the key itself if it
  // exists by now. `*aboutKey` is false when the notice came from the
  // parent and the key is still missing: another key changed, not the
  // settings. On failure that watch is dropped.
  virtual Status RearmSettingsWatch(bool* aboutKey) = 0;
};

// SetServiceStatus on the handle the handler registration returned.
class StatusReporter {
 public:
  virtual ~StatusReporter() = default;
  virtual void Report(const ServiceStatus& status) = 0;
};

// The wall clock in whole seconds since 1970-01-01 00:00 UTC, and a
// monotonic one in milliseconds for short delays.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowSeconds() = 0;
  virtual uint64_t MonotonicMs() = 0;
};

// Builds what a run owns. The Win32 host makes real timers and events and
// the WMI-backed engine; tests make fakes.
class HostPlatform {
 public:
  virtual ~HostPlatform() = default;
  virtual std::unique_ptr<PrinterEngine> CreateEngine() = 0;
  // Each a Win32 error code when the object cannot be created; the run
  // then stops at once, with that code.
  virtual Status CreateTickTimer(std::unique_ptr<TickTimer>* timer) = 0;
  virtual Status CreateStopEvent(std::unique_ptr<StopEvent>* event) = 0;
  virtual Clock& clock() = 0;
};

// Registers the control handler, its calls to go through `gate`.
class ControlRegistration {
 public:
  virtual ~ControlRegistration() = default;
  // The status channel, or null when the registration failed.
  virtual std::unique_ptr<StatusReporter> RegisterHandler(ControlGate& gate) = 0;
};

}  // namespace vantrel
