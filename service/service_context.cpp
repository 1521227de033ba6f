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
}  // namespace

int64_t FileTimeToUnixSeconds(uint32_t low, uint32_t high) {
  const auto fileTime = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  return fileTime / kFileTimeUnitsPerSecond - kSecondsFrom1601To1970;
}

ServiceContext::ServiceContext(HostPlatform& platform, CheckPointCounter& checkPoints)
    : platform_(platform), checkPoints_(checkPoints) {
  printers = platform_.CreateEngine();
  tickTimer = platform_.CreateTickTimer();
  stopEvent = platform_.CreateStopEvent();
  std::lock_guard lock(mutex_);
  LoadSettingsLocked();
  LogPrintf("User logged in\n");
  lastLogonTime = platform_.clock().NowSeconds();
}

ServiceContext::~ServiceContext() {
  // Closing the timer ends its ticks; it is not cancelled first.
  tickTimer.reset();
  stopEvent.reset();
  printers.reset();
  statusHandle.reset();
}

void ServiceContext::ArmTimer() {
  if (tickTimer) tickTimer->Arm(*this);
}

void ServiceContext::ReloadSettings() {
  std::lock_guard lock(mutex_);
  LoadSettingsLocked();
}

void ServiceContext::LoadSettingsLocked() {
  LogPrintf("Loading configuration\n");
  GetSettings().Load();
}

void ServiceContext::OnTimerTick(int64_t tickSeconds) {
  if (paused_.load()) return;
  std::lock_guard lock(mutex_);
  const int64_t elapsed = tickSeconds - lastLogonTime;
  if (elapsed <= activeWindow) {
    // Negative too: after the clock was set back, passes run until the
    // elapsed time leaves the window again.
    RunPassLocked();
  } else if (elapsed > kWindowReopenSeconds) {
    lastLogonTime = platform_.clock().NowSeconds();
    RunPassLocked();
  }
}

void ServiceContext::RunPassLocked() {
  if (printers) printers->RunRenamePass();
}

uint32_t ServiceContext::HandleControl(uint32_t control, uint32_t eventType,
                                       std::optional<uint32_t> sessionId) {
  switch (control) {
    case service_control::kStop:
      // No stop-pending report: the service thread reports the stop when
      // its wait ends, after any pass in progress.
      if (stopEvent) stopEvent->Set();
      return 0;
    case service_control::kPause:
      ReportStatus(service_state::kPausePending, kAcceptedControls, 0, 0);
      paused_.store(true);
      if (tickTimer) tickTimer->Cancel();
      ReportStatus(service_state::kPaused, kAcceptedControls, 0, 0);
      return 0;
    case service_control::kContinue:
      ReportStatus(service_state::kContinuePending, kAcceptedControls, 0, 0);
      paused_.store(false);
      ArmTimer();
      ReportStatus(service_state::kRunning, kAcceptedControls, 0, 0);
      return 0;
    case service_control::kInterrogate:
      return 0;
    case service_control::kSessionChange:
      if (eventType == session_event::kRemoteConnect || eventType == session_event::kSessionLogon) {
        std::lock_guard lock(mutex_);
        LogPrintf("User logged in\n");
        lastLogonTime = platform_.clock().NowSeconds();
      } else if ((eventType == session_event::kRemoteDisconnect ||
                  eventType == session_event::kSessionLogoff) &&
                 sessionId) {
        // A notification without its session data names no session to
        // forget.
        std::lock_guard lock(mutex_);
        LogPrintf("User logged out.  Session: %d\n", static_cast<int32_t>(*sessionId));
        if (printers) printers->ForgetSession(*sessionId);
      }
      return 0;
    case service_control::kReloadSettings:
      ReloadSettings();
      return 0;
    default:
      return kErrorCallNotImplemented;
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
  while (stopEvent->WaitAlertable() == StopEvent::WaitResult::kIoCompletion) {
  }
}

int64_t ServiceContext::LastLogonTime() const {
  std::lock_guard lock(mutex_);
  return lastLogonTime;
}

}  // namespace vantrel
