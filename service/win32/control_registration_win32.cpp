#include "service/win32/control_registration_win32.h"

#include "platform/product.h"
#include "platform/win32/service_status_win32.h"

namespace vantrel {

namespace {

class Win32StatusReporter : public StatusReporter {
 public:
  explicit Win32StatusReporter(SERVICE_STATUS_HANDLE handle) : handle_(handle) {}
  void Report(const ServiceStatus& status) override {
    SERVICE_STATUS s = win32::ToWin32(status);
    SetServiceStatus(handle_, &s);
  }

 private:
  // Not closed: a status handle lives as long as the process.
  SERVICE_STATUS_HANDLE handle_;
};

}  // namespace

std::unique_ptr<StatusReporter> Win32ControlRegistration::RegisterHandler(ControlGate& gate) {
  SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExW(kServiceName, handler_, &gate);
  if (!handle) return nullptr;
  return std::make_unique<Win32StatusReporter>(handle);
}

}  // namespace vantrel
