#include "service/recovery.h"

#include <new>

namespace vantrel {

FailureActions ServiceFailureActions() {
  constexpr uint32_t kMinute = 60 * 1000;
  FailureActions actions;
  actions.resetPeriodSeconds = 24 * 60 * 60;
  actions.actions = {{failure_action::kRestart, kMinute},
                     {failure_action::kRestart, kMinute},
                     {failure_action::kRestart, 5 * kMinute}};
  return actions;
}

bool IsRecoveryCommandLine(const std::vector<std::wstring>& argv) {
  return argv.size() == 2 && argv[1] == L"recovery";
}

uint32_t ApplyServiceFailureActions(ServiceManager& scm) {
  // Anything but success must reach the installer as an error.
  auto failed = [](uint32_t error) { return error != 0 ? error : 1627u; };  // function failed
  uint32_t error = 0;
  auto manager = scm.Open(scm_access::kManagerConnect, &error);
  if (!manager) return failed(error);
  // The manager refuses restart actions without the right to start.
  auto service = manager->OpenService(
      L"Vantrel", scm_access::kServiceChangeConfig | scm_access::kServiceStart, &error);
  if (!service) return failed(error);
  try {
    if (!service->SetFailureActions(ServiceFailureActions(), &error)) return failed(error);
  } catch (const std::bad_alloc&) {
    return 8;  // not enough memory
  }
  constexpr uint32_t kInvalidLevel = 124;
  if (!service->SetFailureActionsOnErrorExit(true, &error) && error != kInvalidLevel)
    return failed(error);
  return 0;
}

}  // namespace vantrel
