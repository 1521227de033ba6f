#include "config/service_client.h"

#include <memory>

namespace vantrel {
namespace {

// The status line's word for a dwCurrentState value.
const wchar_t* ServiceStateWord(uint32_t state) {
  switch (state) {
    case service_state::kStopped:
      return L"Stopped";
    case service_state::kStartPending:
      return L"Start Pending";
    case service_state::kStopPending:
      return L"Stop Pending";
    case service_state::kRunning:
      return L"Running";
    case service_state::kContinuePending:
      return L"Continue Pending";
    case service_state::kPausePending:
      return L"Pause Pending";
    case service_state::kPaused:
      return L"Paused";
    default:
      return L"Unknown";
  }
}

// The manager and our service opened from it; the service is declared last
// so it closes first. `service` is null when either open failed.
struct OpenedService {
  std::unique_ptr<ServiceManagerHandle> manager;
  std::unique_ptr<ServiceHandle> service;
};

OpenedService OpenOurService(ConfigPorts& ports, uint32_t managerAccess, uint32_t serviceAccess) {
  OpenedService opened;
  if (ports.serviceManager.Open(managerAccess, &opened.manager).ok())
    (void)opened.manager->OpenByName(kServiceName, serviceAccess, &opened.service);
  return opened;
}

}  // namespace

int32_t RefreshServiceStatus(ConfigPorts& ports) {
  int32_t state = -1;
  const wchar_t* word = L"N/A";
  OpenedService opened = OpenOurService(ports, scm_access::kGenericRead, scm_access::kGenericRead);
  ServiceStatus status;
  if (opened.service && opened.service->QueryStatus(&status).ok()) {
    state = static_cast<int32_t>(status.currentState);
    word = ServiceStateWord(status.currentState);
  }
  ports.view.ShowStatus(std::wstring(L"Service Status: ") + word);
  return state;
}

void StartServiceAndWait(ConfigPorts& ports) {
  OpenedService opened =
      OpenOurService(ports, scm_access::kManagerConnect, scm_access::kServiceStart);
  if (!opened.service || !opened.service->Start({}).ok()) return;

  // The tick count wraps every 49.7 days; comparing the signed distance
  // to the deadline keeps the wait at 5 s across the wrap, where a plain
  // `now >= deadline` would end at once or never.
  const uint32_t deadline = ports.ticks.GetTickCount() + kStartWaitMilliseconds;
  for (;;) {
    if (RefreshServiceStatus(ports) == static_cast<int32_t>(service_state::kRunning)) break;
    if (static_cast<int32_t>(ports.ticks.GetTickCount() - deadline) >= 0) break;
    ports.ticks.Sleep(kStartPollMilliseconds);
  }
}

void SendReloadSettings(ConfigPorts& ports) {
  OpenedService opened =
      OpenOurService(ports, scm_access::kManagerConnect, scm_access::kServiceUserDefinedControl);
  ServiceStatus status;
  if (opened.service) (void)opened.service->Control(kReloadSettingsControl, &status);
}

}  // namespace vantrel
