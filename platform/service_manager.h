// The Service Control Manager's client side: the configuration program's
// status line, start and reload request, and the test tool that drives the
// service. Adapter: platform/win32/service_manager_win32.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vantrel {

namespace scm_access {
inline constexpr uint32_t kGenericRead = 0x80000000;
inline constexpr uint32_t kManagerConnect = 0x0001;
inline constexpr uint32_t kManagerAllAccess = 0xF003F;
inline constexpr uint32_t kServiceQueryConfig = 0x0001;
inline constexpr uint32_t kServiceChangeConfig = 0x0002;
inline constexpr uint32_t kServiceQueryStatus = 0x0004;
inline constexpr uint32_t kServiceStart = 0x0010;
inline constexpr uint32_t kServiceStop = 0x0020;
inline constexpr uint32_t kServicePauseContinue = 0x0040;
inline constexpr uint32_t kServiceInterrogate = 0x0080;
inline constexpr uint32_t kServiceUserDefinedControl = 0x0100;
inline constexpr uint32_t kServiceAllAccess = 0xF01FF;
}  // namespace scm_access

namespace service_state {
inline constexpr uint32_t kStopped = 1;
inline constexpr uint32_t kStartPending = 2;
inline constexpr uint32_t kStopPending = 3;
inline constexpr uint32_t kRunning = 4;
inline constexpr uint32_t kContinuePending = 5;
inline constexpr uint32_t kPausePending = 6;
inline constexpr uint32_t kPaused = 7;
}  // namespace service_state

// SERVICE_STATUS, field for field.
struct ServiceStatus {
  uint32_t serviceType = 0;
  uint32_t currentState = 0;
  uint32_t controlsAccepted = 0;
  uint32_t win32ExitCode = 0;
  uint32_t serviceSpecificExitCode = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;
};

// What the manager does when the service fails (SC_ACTION and
// SERVICE_FAILURE_ACTIONSW): the n-th action of the failure count, the last
// one repeating, the count forgotten after the reset period.
namespace failure_action {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kRestart = 1;
}  // namespace failure_action

struct FailureAction {
  uint32_t type = failure_action::kNone;
  uint32_t delayMs = 0;
};

struct FailureActions {
  uint32_t resetPeriodSeconds = 0;
  std::vector<FailureAction> actions;
};

// An open service; CloseServiceHandle when destroyed. Status codes are
// Win32 error codes.
class ServiceHandle {
 public:
  virtual ~ServiceHandle() = default;
  // QueryServiceStatus into a zero-filled SERVICE_STATUS.
  virtual Status QueryStatus(ServiceStatus* status) = 0;
  // StartServiceW with the given arguments (none: count 0, null vector).
  virtual Status Start(const std::vector<std::wstring>& args) = 0;
  // ControlService(code) with a zero-filled SERVICE_STATUS for the answer,
  // which the manager fills for some refusals too, so `*status` is set
  // either way.
  virtual Status Control(uint32_t code, ServiceStatus* status) = 0;
  // ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS). Needs
  // kServiceChangeConfig, and kServiceStart for a restart action.
  virtual Status SetFailureActions(const FailureActions& actions) = 0;
  // ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG): whether the
  // actions also follow a stop that the service reports with an error exit
  // code, not only the end of its process.
  virtual Status SetFailureActionsOnErrorExit(bool enabled) = 0;
  // QueryServiceConfigW's binary path name (needs kServiceQueryConfig), and
  // ChangeServiceConfigW of that and the dependencies (needs
  // kServiceChangeConfig): Wine drops dependencies that are not given again.
  virtual Status QueryImagePath(std::wstring* path) = 0;
  virtual Status SetImagePath(const std::wstring& path,
                              const std::vector<std::wstring>& dependencies) = 0;
};

// An open manager; CloseServiceHandle when destroyed.
class ServiceManagerHandle {
 public:
  virtual ~ServiceManagerHandle() = default;
  // OpenServiceW(manager, name, access); `*service` is set on success only.
  virtual Status OpenByName(const std::wstring& name, uint32_t access,
                            std::unique_ptr<ServiceHandle>* service) = 0;
};

class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  // OpenSCManagerW(nullptr, nullptr, access); `*manager` is set on success
  // only.
  virtual Status Open(uint32_t access, std::unique_ptr<ServiceManagerHandle>* manager) = 0;
};

}  // namespace vantrel
