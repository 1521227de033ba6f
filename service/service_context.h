// ServiceContext: one run of the service's work. It owns the tick timer, the
// stop event, the status channel and the printer engine, keeps the
// session-activity clock that paces the rename passes, and answers the
// Service Control Manager's controls. The platform is reached only through
// the ports of service/host_ports.h, so every decision here runs in tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/product.h"
#include "service/check_point_counter.h"
#include "service/host_ports.h"
#include "service/printer_engine.h"

namespace vantrel {

namespace service_control {
inline constexpr uint32_t kStop = 1;
inline constexpr uint32_t kPause = 2;
inline constexpr uint32_t kContinue = 3;
inline constexpr uint32_t kInterrogate = 4;
inline constexpr uint32_t kSessionChange = 14;
inline constexpr uint32_t kReloadSettings = kReloadSettingsControl;
}  // namespace service_control

namespace session_event {
inline constexpr uint32_t kRemoteConnect = 3;
inline constexpr uint32_t kRemoteDisconnect = 4;
inline constexpr uint32_t kSessionLogon = 5;
inline constexpr uint32_t kSessionLogoff = 6;
}  // namespace session_event

inline constexpr uint32_t kServiceWin32OwnProcess = 0x10;
// Stop, pause and continue, session change; shutdown is not accepted.
inline constexpr uint32_t kAcceptedControls = 0x83;
inline constexpr int64_t kWindowReopenSeconds = 18000;
// How soon the service thread tries a refused timer arming again.
inline constexpr uint32_t kArmRetryMs = 1000;
// Notices that come in a burst (a log-on adds several printers, a policy
// refresh writes several values) settle into one pass or one reload: it
// comes this long after the last notice, and never later than
// kBurstMaxDelayMs after the first.
inline constexpr uint64_t kBurstSettleMs = 500;
inline constexpr uint64_t kBurstMaxDelayMs = 2000;

// A burst of notices not yet acted on, on the monotonic clock.
struct SettlingBurst {
  bool pending = false;
  uint64_t firstMs = 0;
  uint64_t lastMs = 0;

  void Note(uint64_t nowMs) {
    if (!pending) firstMs = nowMs;
    lastMs = nowMs;
    pending = true;
  }
  // Milliseconds from `nowMs` until the burst is due; 0 once it is.
  uint64_t WaitMs(uint64_t nowMs) const;
};

// A FILETIME (100-ns intervals since 1601) as seconds since 1970, truncated
// towards zero the way a signed division does.
int64_t FileTimeToUnixSeconds(uint32_t low, uint32_t high);

// Threads: the service thread constructs and destroys the context, arms the
// timer, waits, and runs the ticks and their passes. The control thread
// calls HandleControl, which never waits for a pass: it works on atomics,
// the engine's own cache lock, the Settings' own lock and a short timer
// lock, and hands arming to the service thread.
class ServiceContext {
 public:
  // Creates the engine, the timer and the event, loads the process-wide
  // Settings and starts the session-activity clock now.
  explicit ServiceContext(HostPlatform& platform,
                          CheckPointCounter& checkPoints = ProcessCheckPoints());
  ~ServiceContext();

  ServiceContext(const ServiceContext&) = delete;
  ServiceContext& operator=(const ServiceContext&) = delete;

  // Service thread: starts the ticks, the first 10 s from now, then every
  // 10 s. A refusal is logged and tried again from WaitForStop.
  void ArmTimer();

  // Service thread: a pass follows the spooler's printer additions once they
  // settle. Without the spooler's notice (logged once) passes come on the
  // ticks only.
  void WatchPrinterAdditions();

  // Service thread: changes to the settings key or the policy key reload the
  // settings once they settle, paused or not. A watch that cannot be set is
  // logged once; its changes then apply on control 200 only.
  void WatchSettings();

  // Control code 200 and a settled change of the keys: logs and loads the
  // process-wide Settings again. A pass works on its own copy, so a pass in
  // progress keeps the old values.
  void ReloadSettings();

  // The pacing rule, for a tick that fired at `tickSeconds` (seconds since
  // 1970): a pass within the active window, nothing until the window may
  // reopen, and a fresh window after that.
  void OnTimerTick(int64_t tickSeconds);

  // The control handler's decisions. `sessionId` is the session of a
  // session-change notification, if it carried one. Returns the handler's
  // answer: 0, or ERROR_CALL_NOT_IMPLEMENTED for a control it does not take. Once
  // STOP has been handled, no control changes anything.
  uint32_t HandleControl(uint32_t control, uint32_t eventType, std::optional<uint32_t> sessionId);

  // Adopts the status channel the handler registration returned.
  void SetStatusHandle(std::unique_ptr<StatusReporter> statusHandle);

  // Reports a state; running and stopped carry check point 0, every other
  // state (paused included) takes the next one. Nothing happens without a
  // status channel (debug mode).
  void ReportStatus(uint32_t state, uint32_t controlsAccepted, uint32_t win32ExitCode,
                    uint32_t waitHint);
  // The same report through `channel`, for a run that has no context.
  static void ReportStatus(StatusReporter& channel, CheckPointCounter& checkPoints, uint32_t state,
                           uint32_t controlsAccepted, uint32_t win32ExitCode, uint32_t waitHint);

  // Why the stop event or the tick timer could not be made (never 0), or 0
  // when both were. A run without them must stop at once.
  uint32_t StartError() const { return startError_; }

  // Service thread: waits on the stop event for as long as the waits end to
  // run queued ticks or work handed over by the control thread. Returns 0
  // after STOP, else why the wait failed (never 0); StartError at once
  // without a stop event.
  uint32_t WaitForStop();

  int64_t LastLogonTime() const { return lastLogonTime.load(); }

 private:
  // Service thread: the arming a CONTINUE asked for, or a refused one.
  void ArmIfRequested();
  // Service thread: an addition restarts the session window and joins the
  // burst that the next settled pass handles.
  void OnPrinterAdded();
  // Service thread: the pass a burst of additions asked for, once due.
  void RunSettledPass();
  // Service thread: re-arms the settings watch and joins the burst of
  // changes that one reload handles.
  void OnSettingsChanged();
  void ReloadIfSettled();
  void RunPass();
  // How long the next wait may last: until a refused arming is retried, the
  // additions settle or the settings changes do.
  uint32_t NextWaitMs();

  HostPlatform& platform_;
  CheckPointCounter& checkPoints_;

  // Held only for arming and cancelling the timer with the flags that
  // decide them, so a PAUSE cannot be undone by an arming already decided.
  std::mutex timerMutex_;
  // Set between PAUSE and CONTINUE. A tick that was already queued when the
  // timer was cancelled must not start a pass while paused.
  std::atomic<bool> paused_{false};
  // The timer is to be armed by the service thread.
  std::atomic<bool> armPending_{false};
  bool armFailureLogged_ = false;  // service thread only
  // Service thread only: a failed re-arm is answered by reopening at ticks;
  // the burst of additions not yet handled by a pass, and of settings
  // changes not yet reloaded.
  bool rewatchAtTicks_ = false;
  SettlingBurst additions_;
  SettlingBurst settingsChanges_;
  std::atomic<bool> stopRequested_{false};
  uint32_t startError_ = 0;

  std::atomic<int64_t> lastLogonTime{0};
  std::unique_ptr<TickTimer> tickTimer;
  std::unique_ptr<StopEvent> stopEvent;
  std::unique_ptr<StatusReporter> statusHandle;
  std::unique_ptr<PrinterEngine> printers;
  const int64_t activeWindow = 300;
};

}  // namespace vantrel
