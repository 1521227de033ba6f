#include "tests/fakes/fake_service_manager.h"

namespace vantrel::testing {
namespace {

constexpr uint32_t kErrorAccessDenied = 5;

bool Fail(uint32_t error, uint32_t* lastError) {
  if (lastError) *lastError = error;
  return false;
}

// The manager and the service alike: each counts itself among the open
// handles while it lives.
class FakeHandle : public ServiceManagerHandle, public ServiceHandle {
 public:
  explicit FakeHandle(FakeServiceManager& scm) : scm_(scm) { ++scm_.openHandles; }
  ~FakeHandle() override { --scm_.openHandles; }

  std::unique_ptr<ServiceHandle> OpenService(const std::wstring& name, uint32_t access,
                                             uint32_t* lastError) override {
    scm_.opens.push_back({name, access});
    if (!scm_.installed || name != L"Vantrel") return Fail(1060, lastError), nullptr;
    if (access & scm_.deniedServiceAccess) return Fail(kErrorAccessDenied, lastError), nullptr;
    return std::make_unique<FakeHandle>(scm_);
  }

  bool QueryStatus(ServiceStatus* status, uint32_t* lastError) override {
    ++scm_.statusQueries;
    if (scm_.queryFails) return Fail(kErrorAccessDenied, lastError);
    if (scm_.state == service_state::kStartPending && scm_.queriesUntilRunning >= 0 &&
        ++scm_.pendingQueries >= scm_.queriesUntilRunning) {
      scm_.state = service_state::kRunning;
    }
    *status = ServiceStatus{0x10, scm_.state};
    return true;
  }

  bool Start(const std::vector<std::wstring>&, uint32_t* lastError) override {
    ++scm_.startRequests;
    if (scm_.startRefused) return Fail(kErrorAccessDenied, lastError);
    if (scm_.state != service_state::kStopped) return Fail(1056, lastError);  // already running
    scm_.state = service_state::kStartPending;
    scm_.pendingQueries = 0;
    return true;
  }

  bool Control(uint32_t code, ServiceStatus* status, uint32_t* lastError) override {
    scm_.controlsSent.push_back(code);
    *status = ServiceStatus{0x10, scm_.state};
    return scm_.state == service_state::kRunning || Fail(1062, lastError);  // not active
  }

  bool SetFailureActions(const FailureActions& actions, uint32_t* lastError) override {
    if (scm_.failureActionsError) return Fail(scm_.failureActionsError, lastError);
    scm_.failureActions = actions;
    return true;
  }

  bool SetFailureActionsOnErrorExit(bool enabled, uint32_t* lastError) override {
    if (scm_.onErrorExitError) return Fail(scm_.onErrorExitError, lastError);
    scm_.failureActionsOnErrorExit = enabled;
    return true;
  }

 private:
  FakeServiceManager& scm_;
};

}  // namespace

std::unique_ptr<ServiceManagerHandle> FakeServiceManager::Open(uint32_t access,
                                                               uint32_t* lastError) {
  opens.push_back({L"", access});
  if (managerOpenFails) return Fail(kErrorAccessDenied, lastError), nullptr;
  return std::make_unique<FakeHandle>(*this);
}

}  // namespace vantrel::testing
