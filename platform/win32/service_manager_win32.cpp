#include <windows.h>
// winsvc.h maps OpenService to OpenServiceW; the port's method keeps its own
// name.
#undef OpenService

#include <new>
#include <utility>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/service_manager_win32.h"
#include "platform/win32/service_status_win32.h"

namespace vantrel {
namespace {

void SetError(uint32_t* lastError, DWORD error) {
  if (lastError) *lastError = error;
}

class Win32ServiceHandle : public ServiceHandle {
 public:
  explicit Win32ServiceHandle(win32::unique_schandle service) : service_(std::move(service)) {}

  bool QueryStatus(ServiceStatus* status, uint32_t* lastError) override {
    SERVICE_STATUS raw{};
    if (!::QueryServiceStatus(service_.get(), &raw)) {
      SetError(lastError, ::GetLastError());
      return false;
    }
    *status = win32::FromWin32(raw);
    SetError(lastError, ERROR_SUCCESS);
    return true;
  }

  bool Start(const std::vector<std::wstring>& args, uint32_t* lastError) override {
    BOOL started = FALSE;
    if (args.empty()) {
      started = ::StartServiceW(service_.get(), 0, nullptr);
    } else {
      std::vector<LPCWSTR> vector;
      try {
        vector.reserve(args.size());
      } catch (const std::bad_alloc&) {
        SetError(lastError, ERROR_NOT_ENOUGH_MEMORY);
        return false;
      }
      for (const auto& arg : args) vector.push_back(arg.c_str());
      started = ::StartServiceW(service_.get(), static_cast<DWORD>(vector.size()), vector.data());
    }
    SetError(lastError, started ? ERROR_SUCCESS : ::GetLastError());
    return started != FALSE;
  }

  bool Control(uint32_t code, ServiceStatus* status, uint32_t* lastError) override {
    SERVICE_STATUS raw{};
    const BOOL sent = ::ControlService(service_.get(), code, &raw);
    SetError(lastError, sent ? ERROR_SUCCESS : ::GetLastError());
    // The manager fills the status for some refusals too (not active, cannot
    // accept the control), so hand it back either way.
    if (status) *status = win32::FromWin32(raw);
    return sent != FALSE;
  }

  bool SetFailureActions(const FailureActions& actions, uint32_t* lastError) override {
    std::vector<SC_ACTION> list;
    try {
      for (const auto& action : actions.actions)
        list.push_back({static_cast<SC_ACTION_TYPE>(action.type), action.delayMs});
    } catch (const std::bad_alloc&) {
      SetError(lastError, ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    SERVICE_FAILURE_ACTIONSW config{};
    config.dwResetPeriod = actions.resetPeriodSeconds;
    config.cActions = static_cast<DWORD>(list.size());
    config.lpsaActions = list.empty() ? nullptr : list.data();
    return Change(SERVICE_CONFIG_FAILURE_ACTIONS, &config, lastError);
  }

  bool SetFailureActionsOnErrorExit(bool enabled, uint32_t* lastError) override {
    SERVICE_FAILURE_ACTIONS_FLAG flag{enabled ? TRUE : FALSE};
    return Change(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag, lastError);
  }

 private:
  bool Change(DWORD level, void* info, uint32_t* lastError) {
    const BOOL changed = ::ChangeServiceConfig2W(service_.get(), level, info);
    SetError(lastError, changed ? ERROR_SUCCESS : ::GetLastError());
    return changed != FALSE;
  }

  win32::unique_schandle service_;
};

// Hands a just-opened SCM handle to its port object, or reports why there is
// none: the open's own error, or no memory for the object (the handle then
// closes on the way out).
template <typename Port>
std::unique_ptr<Port> Wrap(win32::unique_schandle opened, uint32_t* lastError) {
  if (!opened) {
    SetError(lastError, ::GetLastError());
    return nullptr;
  }
  try {
    auto handle = std::make_unique<Port>(std::move(opened));
    SetError(lastError, ERROR_SUCCESS);
    return handle;
  } catch (const std::bad_alloc&) {
    SetError(lastError, ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

class Win32ServiceManagerHandle : public ServiceManagerHandle {
 public:
  explicit Win32ServiceManagerHandle(win32::unique_schandle manager)
      : manager_(std::move(manager)) {}

  std::unique_ptr<ServiceHandle> OpenService(const std::wstring& name, uint32_t access,
                                             uint32_t* lastError) override {
    return Wrap<Win32ServiceHandle>(
        win32::unique_schandle(::OpenServiceW(manager_.get(), name.c_str(), access)), lastError);
  }

 private:
  win32::unique_schandle manager_;
};

}  // namespace

std::unique_ptr<ServiceManagerHandle> Win32ServiceManager::Open(uint32_t access,
                                                                uint32_t* lastError) {
  return Wrap<Win32ServiceManagerHandle>(
      win32::unique_schandle(::OpenSCManagerW(nullptr, nullptr, access)), lastError);
}

}  // namespace vantrel
