#include "tests/fakes/fake_service_manager.h"

namespace vantrel::testing {
namespace {

constexpr Status kAccessDenied{win32_error::kAccessDenied};
constexpr Status kServiceDoesNotExist{1060};

// The manager and the service alike: each counts itself among the open
// handles while it lives. A service handle allows only what it was opened
// for (GENERIC_READ includes querying the status).
class FakeHandle : public ServiceManagerHandle, public ServiceHandle {
 public:
  FakeHandle(FakeServiceManager& scm, uint32_t access) : scm_(scm), access_(access) {
    ++scm_.openHandles;
  }
  ~FakeHandle() override { --scm_.openHandles; }

  Status OpenByName(const std::wstring& name, uint32_t access,
                    std::unique_ptr<ServiceHandle>* service) override {
    if (!scm_.installed || name != L"Vantrel") return kServiceDoesNotExist;
    if (access & scm_.deniedServiceAccess) return kAccessDenied;
    *service = std::make_unique<FakeHandle>(scm_, access);
    return Status::Ok();
  }

  Status QueryStatus(ServiceStatus* status) override {
    if (scm_.queryFails || !Allows(scm_access::kServiceQueryStatus | scm_access::kGenericRead))
      return kAccessDenied;
    if (scm_.state == service_state::kStartPending && scm_.queriesUntilRunning >= 0 &&
        ++scm_.pendingQueries >= scm_.queriesUntilRunning) {
      scm_.state = service_state::kRunning;
    }
    *status = ServiceStatus{0x10, scm_.state};
    return Status::Ok();
  }

  Status Start(const std::vector<std::wstring>&) override {
    ++scm_.startRequests;
    if (scm_.startRefused || !Allows(scm_access::kServiceStart)) return kAccessDenied;
    if (scm_.state != service_state::kStopped) return Status(1056);  // already running
    scm_.state = service_state::kStartPending;
    scm_.pendingQueries = 0;
    return Status::Ok();
  }

  Status Control(uint32_t code, ServiceStatus* status) override {
    scm_.controlsSent.push_back(code);
    *status = ServiceStatus{0x10, scm_.state};
    // The only control sent is user-defined (a reload).
    if (!Allows(scm_access::kServiceUserDefinedControl)) return kAccessDenied;
    return scm_.state == service_state::kRunning ? Status::Ok() : Status(1062);  // not active
  }

  Status SetFailureActions(const FailureActions& actions) override {
    if (!Allows(scm_access::kServiceChangeConfig)) return kAccessDenied;
    // A restart action needs the right to start too.
    for (const FailureAction& action : actions.actions)
      if (action.type == failure_action::kRestart && !Allows(scm_access::kServiceStart))
        return kAccessDenied;
    if (scm_.failureActionsError) return Status(static_cast<int32_t>(scm_.failureActionsError));
    scm_.failureActions = actions;
    return Status::Ok();
  }

  Status SetFailureActionsOnErrorExit(bool enabled) override {
    if (!Allows(scm_access::kServiceChangeConfig)) return kAccessDenied;
    if (scm_.onErrorExitError) return Status(static_cast<int32_t>(scm_.onErrorExitError));
    scm_.failureActionsOnErrorExit = enabled;
    return Status::Ok();
  }

  Status QueryImagePath(std::wstring* path) override {
    if (!Allows(scm_access::kServiceQueryConfig)) return kAccessDenied;
    *path = scm_.imagePath;
    return Status::Ok();
  }

  Status SetImagePath(const std::wstring& path,
                      const std::vector<std::wstring>& dependencies) override {
    if (!Allows(scm_access::kServiceChangeConfig)) return kAccessDenied;
    scm_.imagePath = path;
    scm_.dependencies = dependencies;
    return Status::Ok();
  }

 private:
  bool Allows(uint32_t rights) const { return (access_ & rights) != 0; }

  FakeServiceManager& scm_;
  uint32_t access_;
};

}  // namespace

Status FakeServiceManager::Open(uint32_t access, std::unique_ptr<ServiceManagerHandle>* manager) {
  if (managerOpenFails) return kAccessDenied;
  *manager = std::make_unique<FakeHandle>(*this, access);
  return Status::Ok();
}

}  // namespace vantrel::testing
