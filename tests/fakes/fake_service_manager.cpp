#include "tests/fakes/fake_service_manager.h"

namespace vantrel::testing {

class FakeServiceHandle : public ServiceHandle {
 public:
  explicit FakeServiceHandle(FakeServiceManager& scm) : scm_(scm) { ++scm_.openHandles; }
  ~FakeServiceHandle() override { --scm_.openHandles; }

  bool QueryStatus(ServiceStatus* status, uint32_t* lastError) override {
    ++scm_.statusQueries;
    if (scm_.queryFails) return Fail(FakeServiceManager::kErrorAccessDenied, lastError);
    if (scm_.state == service_state::kStartPending && scm_.queriesUntilRunning >= 0 &&
        ++scm_.pendingQueries_ >= scm_.queriesUntilRunning) {
      scm_.state = service_state::kRunning;
    }
    *status = ServiceStatus{};
    status->serviceType = 0x10;  // SERVICE_WIN32_OWN_PROCESS
    status->currentState = scm_.state;
    return true;
  }

  bool Start(const std::vector<std::wstring>& args, uint32_t* lastError) override {
    (void)args;
    ++scm_.startRequests;
    if (scm_.startRefused) return Fail(FakeServiceManager::kErrorAccessDenied, lastError);
    if (scm_.state != service_state::kStopped)
      return Fail(FakeServiceManager::kErrorServiceAlreadyRunning, lastError);
    scm_.state = service_state::kStartPending;
    scm_.pendingQueries_ = 0;
    return true;
  }

  bool Control(uint32_t code, ServiceStatus* status, uint32_t* lastError) override {
    scm_.controlsSent.push_back(code);
    *status = ServiceStatus{};
    status->currentState = scm_.state;
    if (scm_.state != service_state::kRunning)
      return Fail(FakeServiceManager::kErrorServiceNotActive, lastError);
    return true;
  }

 private:
  static bool Fail(uint32_t error, uint32_t* lastError) {
    if (lastError) *lastError = error;
    return false;
  }
  FakeServiceManager& scm_;
};

class FakeServiceManagerHandle : public ServiceManagerHandle {
 public:
  explicit FakeServiceManagerHandle(FakeServiceManager& scm) : scm_(scm) { ++scm_.openHandles; }
  ~FakeServiceManagerHandle() override { --scm_.openHandles; }

  std::unique_ptr<ServiceHandle> OpenService(const std::wstring& name, uint32_t access,
                                             uint32_t* lastError) override {
    scm_.opens.push_back({name, access});
    uint32_t error = 0;
    if (!scm_.installed || name != scm_.serviceName) {
      error = FakeServiceManager::kErrorServiceDoesNotExist;
    } else if ((access & scm_.deniedServiceAccess) != 0) {
      error = FakeServiceManager::kErrorAccessDenied;
    }
    if (error != 0) {
      if (lastError) *lastError = error;
      return nullptr;
    }
    return std::make_unique<FakeServiceHandle>(scm_);
  }

 private:
  FakeServiceManager& scm_;
};

std::unique_ptr<ServiceManagerHandle> FakeServiceManager::Open(uint32_t access,
                                                               uint32_t* lastError) {
  opens.push_back({L"", access});
  if (managerOpenFails) {
    if (lastError) *lastError = kErrorAccessDenied;
    return nullptr;
  }
  return std::make_unique<FakeServiceManagerHandle>(*this);
}

}  // namespace vantrel::testing
