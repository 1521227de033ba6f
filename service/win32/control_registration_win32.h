// RegisterServiceCtrlHandlerExW for the service, its status channel the
// SetServiceStatus of the handle it returns.
#pragma once

#include <windows.h>

#include <memory>

#include "service/host_ports.h"

namespace vantrel {

class Win32ControlRegistration : public ControlRegistration {
 public:
  explicit Win32ControlRegistration(LPHANDLER_FUNCTION_EX handler) : handler_(handler) {}
  // `handler` is registered with `gate` as its context.
  std::unique_ptr<StatusReporter> RegisterHandler(ControlGate& gate) override;

 private:
  LPHANDLER_FUNCTION_EX handler_;
};

}  // namespace vantrel
