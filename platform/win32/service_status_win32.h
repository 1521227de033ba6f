// The port's ServiceStatus and SERVICE_STATUS, field for field, for the
// Service Control Manager client and for the service's own status reports.
#pragma once

#include <windows.h>

#include "platform/service_manager.h"

namespace vantrel::win32 {

inline ServiceStatus FromWin32(const SERVICE_STATUS& s) {
  return ServiceStatus{s.dwServiceType,
                       s.dwCurrentState,
                       s.dwControlsAccepted,
                       s.dwWin32ExitCode,
                       s.dwServiceSpecificExitCode,
                       s.dwCheckPoint,
                       s.dwWaitHint};
}

inline SERVICE_STATUS ToWin32(const ServiceStatus& s) {
  return SERVICE_STATUS{
      s.serviceType, s.currentState, s.controlsAccepted, s.win32ExitCode, s.serviceSpecificExitCode,
      s.checkPoint,  s.waitHint};
}

}  // namespace vantrel::win32
