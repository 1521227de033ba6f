#include "service/service_context.h"

#include <utility>

#include "service/log.h"
#include "settings/settings.h"

namespace vantrel {

namespace {
constexpr int64_t kFileTimeUnitsPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

// Every report but those of the settled running and stopped states advances
// the check point; the paused report does too.
bool TakesCheckPoint(uint32_t state) {
  return state != service_state::kRunning && state != service_state::kStopped;
}

// The stored values stand in for what policy could not give; the log says
// so (the configuration program, which loads the same way, logs nothing).
void LogPolicyProblems(const Settings& loaded) {
  const Status key = loaded.PolicyKeyStatus();
  if (!key.ok() && key.code() != win32_error::kFileNotFound)
    LogPrintf("Could not read the policy key (error %d), so the stored settings apply\n",
              key.code());
  for (const SettingValue& value : kSettingValues)
    if (loaded.IgnoredPolicyValues() & value.bit)
      LogPrintfW(L"The policy value %s is of another type or too long, so it is ignored\n",
                 value.name);
}

bool IsKnownControl(uint32_t control) {
  switch (control) {
    case service_control::kStop:
    case service_control::kPause:
    case service_control::kContinue:
    case service_control::kInterrogate:
    case service_control::kSessionChange:
    case service_control::kReloadSettings:
      return true;
    default:
      return false;
  }
}
}  // namespace

int64_t FileTimeToUnixSeconds(uint32_t low, uint32_t high) {
  const auto fileTime = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  return fileTime / kFileTimeUnitsPerSecond - kSecondsFrom1601To1970;
}

ServiceContext::ServiceContext(HostPlatform& platform, CheckPointCounter& checkPoints)
    : platform_(platform), checkPoints_(checkPoints) {
  printers = platform_.CreateEngine();
  tickTimer = platform_.CreateTickTimer();
  const Status made = platform_.CreateStopEvent(&stopEvent);
  if (!stopEvent) {
    // A failure must never reach the manager as exit code 0.
    stopEventError_ = static_cast<uint32_t>(made.ok() ? win32_error::kGenFailure : made.code());
  }
  ReloadSettings();
  LogPrintf("User logged in\n");
  lastLogonTime.store(platform_.clock().NowSeconds());
}

ServiceContext::~ServiceContext() {
  // Closing the timer ends its ticks; it is not cancelled first.
  tickTimer.reset();
  stopEvent.reset();
  printers.reset();
  statusHandle.reset();
}

void ServiceContext::ArmTimer() {
  if (!tickTimer) return;
  armPending_.store(true);
  ArmIfRequested();
}

void ServiceContext::ArmIfRequested() {
  if (!armPending_.load()) return;
  if (stopRequested_.load()) {
    armPending_.store(false);  // the run is ending: no ticks, no retries
    return;
  }
  bool armed = false;
  {
    std::lock_guard lock(timerMutex_);
    if (!armPending_.load()) return;  // a PAUSE took the request back
    armed = tickTimer->Arm(*this).ok();
    if (armed) armPending_.store(false);
  }
  if (armed) {
    armFailureLogged_ = false;
  } else if (!armFailureLogged_) {
    // Once per failing streak: the retries come every second.
    LogPrintf("Could not set the tick timer; trying again\n");
    armFailureLogged_ = true;
  }
}

void ServiceContext::ReloadSettings() {
  LogPrintf("Loading configuration\n");
  LogPolicyProblems(ReloadSettingsInstance());
}

void ServiceContext::OnTimerTick(int64_t tickSeconds) {
  if (paused_.load() || stopRequested_.load()) return;
  const int64_t elapsed = tickSeconds - lastLogonTime.load();
  if (elapsed <= activeWindow) {
    // Negative too: after the clock was set back, passes run until the
    // elapsed time leaves the window again.
    if (printers) printers->RunRenamePass();
  } else if (elapsed > kWindowReopenSeconds) {
    lastLogonTime.store(platform_.clock().NowSeconds());
    if (printers) printers->RunRenamePass();
  }
}

uint32_t ServiceContext::HandleControl(uint32_t control, uint32_t eventType,
                                       std::optional<uint32_t> sessionId) {
  if (stopRequested_.load()) return IsKnownControl(control) ? 0 : win32_error::kCallNotImplemented;
  switch (control) {
    case service_control::kStop:
      // No stop-pending report: the service thread reports the stop when
      // its wait ends, after any pass in progress.
      stopRequested_.store(true);
      if (stopEvent) stopEvent->Set();
      return 0;
    case service_control::kPause:
      ReportStatus(service_state::kPausePending, kAcceptedControls, 0, 0);
      {
        std::lock_guard lock(timerMutex_);
        paused_.store(true);
        armPending_.store(false);
        if (tickTimer) tickTimer->Cancel();
      }
      ReportStatus(service_state::kPaused, kAcceptedControls, 0, 0);
      return 0;
    case service_control::kContinue:
      ReportStatus(service_state::kContinuePending, kAcceptedControls, 0, 0);
      {
        std::lock_guard lock(timerMutex_);
        paused_.store(false);
        armPending_.store(tickTimer != nullptr);
      }
      // A timer's ticks go to the thread that armed it: the service thread
      // arms it as soon as its wait returns.
      if (tickTimer && stopEvent) stopEvent->Wake();
      ReportStatus(service_state::kRunning, kAcceptedControls, 0, 0);
      return 0;
    case service_control::kInterrogate:
      return 0;
    case service_control::kSessionChange:
      if (eventType == session_event::kRemoteConnect || eventType == session_event::kSessionLogon) {
        LogPrintf("User logged in\n");
        lastLogonTime.store(platform_.clock().NowSeconds());
      } else if ((eventType == session_event::kRemoteDisconnect ||
                  eventType == session_event::kSessionLogoff) &&
                 sessionId) {
        // A notification without its session data names no session to
        // forget.
        LogPrintf("User logged out.  Session: %d\n", static_cast<int32_t>(*sessionId));
        if (printers) printers->ForgetSession(*sessionId);
      }
      return 0;
    case service_control::kReloadSettings:
      ReloadSettings();
      return 0;
    default:
      return win32_error::kCallNotImplemented;
  }
}

void ServiceContext::SetStatusHandle(std::unique_ptr<StatusReporter> handle) {
  statusHandle = std::move(handle);
}

void ServiceContext::ReportStatus(uint32_t state, uint32_t controlsAccepted, uint32_t win32ExitCode,
                                  uint32_t waitHint) {
  if (!statusHandle) return;
  ServiceStatus status;
  status.serviceType = kServiceWin32OwnProcess;
  status.currentState = state;
  status.controlsAccepted = controlsAccepted;
  status.win32ExitCode = win32ExitCode;
  status.serviceSpecificExitCode = 0;
  status.checkPoint = TakesCheckPoint(state) ? checkPoints_.Take() : 0;
  status.waitHint = waitHint;
  statusHandle->Report(status);
}

void ServiceContext::WaitForStop() {
  if (!stopEvent) return;
  for (;;) {
    // Unlimited unless a refused arming is to be tried again.
    const uint32_t timeout = armPending_.load() ? kArmRetryMs : StopEvent::kInfinite;
    if (stopEvent->WaitAlertable(timeout) == StopEvent::WaitResult::kEnded) return;
    ArmIfRequested();
  }
}

}  // namespace vantrel
