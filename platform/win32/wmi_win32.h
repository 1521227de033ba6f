// The printer inventory over WMI's COM interfaces (IWbemLocator,
// IWbemServices, IEnumWbemClassObject, IWbemClassObject); no COM type or
// exception leaves here. The caller must have initialised COM on its thread.
#pragma once

#include <memory>

#include "platform/wmi.h"

namespace vantrel {

class Win32Wmi : public Wmi {
 public:
  Win32Wmi() = default;
  Status Connect(std::unique_ptr<PrinterInventory>* inventory) override;
};

}  // namespace vantrel
