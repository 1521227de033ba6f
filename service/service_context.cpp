#include "service/service_context.h"

#include <algorithm>
#include <utility>

#include "service/events.h"
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

// A failure must never reach the manager as exit code 0.
uint32_t FailureCode(Status status) {
  return static_cast<uint32_t>(status.ok() ? win32_error::kGenFailure : status.code());
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

uint64_t SettlingBurst::WaitMs(uint64_t nowMs) const {
  const uint64_t due = std::min(lastMs + kBurstSettleMs, firstMs + kBurstMaxDelayMs);
  return due > nowMs ? due - nowMs : 0;
}

int64_t FileTimeToUnixSeconds(uint32_t low, uint32_t high) {
  const auto fileTime = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  return fileTime / kFileTimeUnitsPerSecond - kSecondsFrom1601To1970;
}

ServiceContext::ServiceContext(HostPlatform& platform, CheckPointCounter& checkPoints)
    : platform_(platform), checkPoints_(checkPoints) {
  printers = platform_.CreateEngine();
  // Without the event nothing could end the run; without the timer no pass
  // would ever come. Either way the run stops with the reason, so that the
  // manager's restart-on-failure actions get a chance.
  const Status timer = platform_.CreateTickTimer(&tickTimer);
  if (!tickTimer) startError_ = FailureCode(timer);
  const Status event = platform_.CreateStopEvent(&stopEvent);
  if (!stopEvent && startError_ == 0) startError_ = FailureCode(event);
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

void ServiceContext::WatchPrinterAdditions() {
  const Status watch = stopEvent->WatchPrinterAdditions();
  if (!watch.ok())
    LogPrintf("Printer additions cannot be watched (%d), so passes come on the ticks only\n",
              static_cast<int32_t>(FailureCode(watch)));
}

void ServiceContext::OnPrinterAdded() {
  const Status rearm = stopEvent->RearmPrinterAdditions();
  if (!rearm.ok()) {
    LogPrintf("Watching printer additions failed (%d); trying again at each tick\n",
              static_cast<int32_t>(FailureCode(rearm)));
    rewatchAtTicks_ = true;
  }
  if (stopRequested_.load()) return;
  // A printer arrives when a user logs on or reconnects: the same activity
  // that opens the window of passes.
  lastLogonTime.store(platform_.clock().NowSeconds());
  additions_.Note(platform_.clock().MonotonicMs());
}

void ServiceContext::WatchSettings() {
  // Both keys are tried; one line tells of the first that failed.
  Status failure;
  for (const wchar_t* path : {kSettingsKeyPath, kPolicyKeyPath}) {
    const Status watch = stopEvent->WatchSettingsKey(path);
    if (!watch.ok() && failure.ok()) failure = watch;
  }
  if (!failure.ok())
    LogPrintf("Settings changes cannot be watched (%d), so they apply on control 200 only\n",
              static_cast<int32_t>(failure.code()));
}

void ServiceContext::OnSettingsChanged() {
  bool aboutKey = true;
  const Status rearm = stopEvent->RearmSettingsWatch(&aboutKey);
  if (!rearm.ok())
    LogPrintf("Watching settings changes failed (%d), so they apply on control 200 only\n",
              static_cast<int32_t>(FailureCode(rearm)));
  // A missing key's parent tells of its siblings too: those reload nothing.
  if (!aboutKey || stopRequested_.load()) return;
  settingsChanges_.Note(platform_.clock().MonotonicMs());
}

uint32_t ServiceContext::NextWaitMs() {
  uint64_t wait = armPending_.load() ? kArmRetryMs : StopEvent::kInfinite;
  if (!stopRequested_.load()) {
    const uint64_t now = platform_.clock().MonotonicMs();
    // While paused the additions wait for CONTINUE, whose wake ends the
    // wait; a reload, like control 200's, does not.
    if (additions_.pending && !paused_.load()) wait = std::min(wait, additions_.WaitMs(now));
    if (settingsChanges_.pending) wait = std::min(wait, settingsChanges_.WaitMs(now));
  }
  return static_cast<uint32_t>(wait);
}

void ServiceContext::ReloadIfSettled() {
  if (!settingsChanges_.pending || stopRequested_.load()) return;
  if (settingsChanges_.WaitMs(platform_.clock().MonotonicMs()) > 0) return;
  settingsChanges_.pending = false;
  ReloadSettings();
}

void ServiceContext::RunSettledPass() {
  if (!additions_.pending || paused_.load() || stopRequested_.load()) return;
  if (additions_.WaitMs(platform_.clock().MonotonicMs()) == 0) RunPass();
}

void ServiceContext::RunPass() {
  // Whatever started it, the pass sees every printer added so far.
  additions_.pending = false;
  if (printers) printers->RunRenamePass();
}

void ServiceContext::ReloadSettings() {
  LogPrintf("Loading configuration\n");
  const Settings loaded = ReloadSettingsInstance();
  LogPolicyProblems(loaded);
  RecordEvent(event_id::kSettingsLoaded, {SettingValueNames(loaded.PolicyValues())});
}

void ServiceContext::OnTimerTick(int64_t tickSeconds) {
  if (paused_.load() || stopRequested_.load()) return;
  if (rewatchAtTicks_ && stopEvent && stopEvent->WatchPrinterAdditions().ok()) {
    LogPrintf("Watching printer additions again\n");
    rewatchAtTicks_ = false;
  }
  const int64_t elapsed = tickSeconds - lastLogonTime.load();
  if (elapsed <= activeWindow) {
    // Negative too: after the clock was set back, passes run until the
    // elapsed time leaves the window again.
    RunPass();
  } else if (elapsed > kWindowReopenSeconds) {
    lastLogonTime.store(platform_.clock().NowSeconds());
    RunPass();
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
  if (statusHandle)
    ReportStatus(*statusHandle, checkPoints_, state, controlsAccepted, win32ExitCode, waitHint);
}

void ServiceContext::ReportStatus(StatusReporter& channel, CheckPointCounter& checkPoints,
                                  uint32_t state, uint32_t controlsAccepted, uint32_t win32ExitCode,
                                  uint32_t waitHint) {
  ServiceStatus status;
  status.serviceType = kServiceWin32OwnProcess;
  status.currentState = state;
  status.controlsAccepted = controlsAccepted;
  status.win32ExitCode = win32ExitCode;
  status.serviceSpecificExitCode = 0;
  status.checkPoint = TakesCheckPoint(state) ? checkPoints.Take() : 0;
  status.waitHint = waitHint;
  channel.Report(status);
}

uint32_t ServiceContext::WaitForStop() {
  if (startError_ != 0) return startError_;
  for (;;) {
    // Reloads and passes from notices run here, between waits, like the
    // ticks' passes (queued to this thread), so none overlaps a pass. The
    // reload first: a pass due at the same time sees the new settings.
    ReloadIfSettled();
    RunSettledPass();
    Status failure;
    switch (stopEvent->WaitAlertable(NextWaitMs(), &failure)) {
      case StopEvent::WaitResult::kEnded:
        return 0;
      case StopEvent::WaitResult::kPrinterAdded:
        OnPrinterAdded();
        ArmIfRequested();
        break;
      case StopEvent::WaitResult::kSettingsChanged:
        OnSettingsChanged();
        ArmIfRequested();
        break;
      case StopEvent::WaitResult::kFailed:
        // A wait that fails once fails again at once: end the run rather
        // than spin, and say why.
        LogPrintf("The service thread's wait failed (%d), so the service stops\n",
                  static_cast<int32_t>(FailureCode(failure)));
        return FailureCode(failure);
      default:
        ArmIfRequested();
    }
  }
}

}  // namespace vantrel
