// The Service Control Manager's client calls on the local computer.
#pragma once

#include "platform/service_manager.h"

namespace vantrel {

class Win32ServiceManager : public ServiceManager {
 public:
  Win32ServiceManager() = default;
  std::unique_ptr<ServiceManagerHandle> Open(uint32_t access, uint32_t* lastError) override;
};

}  // namespace vantrel
