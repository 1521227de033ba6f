// Everything the configuration program's operations reach: the dialog's
// form and the system, each through its port.
#pragma once

#include <cstdint>
#include <string>

#include "config/form_view.h"
#include "platform/http.h"
#include "platform/product.h"
#include "platform/registry.h"
#include "platform/service_manager.h"
#include "platform/version_info.h"
#include "platform/wmi.h"

namespace vantrel {

// Waiting and the tick count for the service-start poll (GetTickCount, Sleep).
class Ticks {
 public:
  virtual ~Ticks() = default;
  virtual uint32_t GetTickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

struct ConfigPorts {
  FormView& view;
  Registry& registry;
  Wmi& wmi;
  ServiceManager& serviceManager;
  Ticks& ticks;
  Http& http;
  VersionInfo& versionInfo;
  std::wstring updateHost = kVendorHost;  // tests point it at a loopback server
  uint16_t updatePort = 80;
};

}  // namespace vantrel
