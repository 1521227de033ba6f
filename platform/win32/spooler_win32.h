// The print spooler: opening a printer by name, reading and deleting it.
#pragma once

#include "platform/spooler.h"

namespace vantrel {

class Win32Spooler : public Spooler {
 public:
  Win32Spooler() = default;
  Status Open(const std::wstring& name, uint32_t desiredAccess,
              std::unique_ptr<PrinterHandle>* printer) override;
};

}  // namespace vantrel
