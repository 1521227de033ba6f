// WMI through COM: the locator, its ROOT\CIMV2 services, enumerators and
// class objects, each wrapped so that no COM type or exception leaves here.
// The caller must have initialised COM on its thread.
#pragma once

#include <memory>

#include "platform/wmi.h"

namespace vantrel {

class Win32Wmi : public Wmi {
 public:
  Win32Wmi() = default;
  HResult CreateLocator(std::unique_ptr<WmiLocator>* locator) override;
};

}  // namespace vantrel
