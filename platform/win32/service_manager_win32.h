// The Service Control Manager's client calls on the local computer.
#pragma once

#include "platform/service_manager.h"

namespace vantrel {

class Win32ServiceManager : public ServiceManager {
 public:
  Win32ServiceManager() = default;
  Status Open(uint32_t access, std::unique_ptr<ServiceManagerHandle>* manager) override;
};

}  // namespace vantrel
