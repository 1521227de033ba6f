// An in-memory Service Control Manager holding the one service the
// configuration program talks to: installed or not, its state, a start
// that reaches RUNNING after a number of status queries (or never), access
// refusals, and a record of starts, controls, failure actions and open
// handles.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/service_manager.h"

namespace vantrel::testing {

class FakeServiceManager : public ServiceManager {
 public:
  Status Open(uint32_t access, std::unique_ptr<ServiceManagerHandle>* manager) override;

  bool installed = true;  // as "Vantrel"
  bool managerOpenFails = false;
  uint32_t deniedServiceAccess = 0;  // OpenByName fails when asking for any of these bits
  bool queryFails = false;
  bool startRefused = false;         // StartServiceW fails even from STOPPED
  uint32_t failureActionsError = 0;  // setting the actions fails with it
  uint32_t onErrorExitError = 0;     // setting their flag fails with it
  uint32_t state = service_state::kStopped;
  std::wstring imagePath = L"C:\\Program Files\\Vantrel\\Vantrel.exe";  // as Wine registers it
  // After a successful start the state is START_PENDING; it turns RUNNING
  // at this many status queries later (negative: never).
  int queriesUntilRunning = 2;
  int pendingQueries = 0;

  // Record.
  int startRequests = 0;
  std::vector<uint32_t> controlsSent;
  std::optional<FailureActions> failureActions;  // as last set
  std::optional<bool> failureActionsOnErrorExit;
  std::vector<std::wstring> dependencies;  // as last set with the image path
  int openHandles = 0;                     // managers and services not yet closed
};

}  // namespace vantrel::testing
