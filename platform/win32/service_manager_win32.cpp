#include "platform/win32/service_manager_win32.h"

#include <windows.h>

#include <utility>

#include "platform/win32/last_error.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/service_status_win32.h"

namespace vantrel {
namespace {

class Win32ServiceHandle : public ServiceHandle {
 public:
  explicit Win32ServiceHandle(win32::unique_schandle service) : service_(std::move(service)) {}

  Status QueryStatus(ServiceStatus* status) override {
    SERVICE_STATUS raw{};
    if (!::QueryServiceStatus(service_.get(), &raw)) return LastErrorStatus();
    *status = win32::FromWin32(raw);
    return Status::Ok();
  }

  Status Start(const std::vector<std::wstring>& args) override {
    if (args.empty()) return StatusFromBool(::StartServiceW(service_.get(), 0, nullptr));
    return CatchToStatus(kWin32NoMemory, [&] {
      std::vector<LPCWSTR> vector;
      vector.reserve(args.size());
      for (const auto& arg : args) vector.push_back(arg.c_str());
      return StatusFromBool(
          ::StartServiceW(service_.get(), static_cast<DWORD>(vector.size()), vector.data()));
    });
  }

  Status Control(uint32_t code, ServiceStatus* status) override {
    SERVICE_STATUS raw{};
    const Status sent = StatusFromBool(::ControlService(service_.get(), code, &raw));
    if (status) *status = win32::FromWin32(raw);
    return sent;
  }

  Status SetFailureActions(const FailureActions& actions) override {
    return CatchToStatus(kWin32NoMemory, [&] {
      std::vector<SC_ACTION> list;
      for (const auto& action : actions.actions)
        list.push_back({static_cast<SC_ACTION_TYPE>(action.type), action.delayMs});
      SERVICE_FAILURE_ACTIONSW config{};
      config.dwResetPeriod = actions.resetPeriodSeconds;
      config.cActions = static_cast<DWORD>(list.size());
      config.lpsaActions = list.empty() ? nullptr : list.data();
      return StatusFromBool(
          ::ChangeServiceConfig2W(service_.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &config));
    });
  }

  Status SetFailureActionsOnErrorExit(bool enabled) override {
    SERVICE_FAILURE_ACTIONS_FLAG flag{enabled ? TRUE : FALSE};
    return StatusFromBool(
        ::ChangeServiceConfig2W(service_.get(), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag));
  }

  Status QueryImagePath(std::wstring* path) override {
    return CatchToStatus(kWin32NoMemory, [&] {
      DWORD needed = 0;
      ::QueryServiceConfigW(service_.get(), nullptr, 0, &needed);
      if (needed == 0) return LastErrorStatus();
      // QUERY_SERVICE_CONFIGW holds pointers: keep the buffer aligned.
      std::vector<uint64_t> buffer(needed / sizeof(uint64_t) + 1);
      auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
      if (!::QueryServiceConfigW(service_.get(), config,
                                 static_cast<DWORD>(buffer.size() * sizeof(uint64_t)), &needed))
        return LastErrorStatus();
      path->assign(config->lpBinaryPathName ? config->lpBinaryPathName : L"");
      return Status::Ok();
    });
  }

  Status SetImagePath(const std::wstring& path,
                      const std::vector<std::wstring>& dependencies) override {
    return CatchToStatus(kWin32NoMemory, [&] {
      std::wstring list;  // each name ends with a null, the list with another
      for (const std::wstring& name : dependencies) list += name + L'\0';
      list += L'\0';
      return StatusFromBool(::ChangeServiceConfigW(
          service_.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, path.c_str(),
          nullptr, nullptr, list.c_str(), nullptr, nullptr, nullptr));
    });
  }

 private:
  win32::unique_schandle service_;
};

// Hands a just-opened SCM handle to its port object, or reports why there is
// none: the open's own error, or no memory for the object (the handle then
// closes on the way out).
template <typename Port, typename Base>
Status Wrap(win32::unique_schandle opened, std::unique_ptr<Base>* port) {
  if (!opened) return LastErrorStatus();
  return CatchToStatus(kWin32NoMemory, [&] {
    *port = std::make_unique<Port>(std::move(opened));
    return Status::Ok();
  });
}

class Win32ServiceManagerHandle : public ServiceManagerHandle {
 public:
  explicit Win32ServiceManagerHandle(win32::unique_schandle manager)
      : manager_(std::move(manager)) {}

  Status OpenByName(const std::wstring& name, uint32_t access,
                    std::unique_ptr<ServiceHandle>* service) override {
    return Wrap<Win32ServiceHandle>(
        win32::unique_schandle(::OpenServiceW(manager_.get(), name.c_str(), access)), service);
  }

 private:
  win32::unique_schandle manager_;
};

}  // namespace

Status Win32ServiceManager::Open(uint32_t access, std::unique_ptr<ServiceManagerHandle>* manager) {
  return Wrap<Win32ServiceManagerHandle>(
      win32::unique_schandle(::OpenSCManagerW(nullptr, nullptr, access)), manager);
}

}  // namespace vantrel
