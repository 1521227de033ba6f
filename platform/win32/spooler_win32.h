// The print spooler: opening a printer by name and deleting it.
#pragma once

#include "platform/spooler.h"

namespace vantrel {

// OpenPrinter is inline on purpose: <winspool.h> turns the name into
// OpenPrinterW in the files that include it, and each file then compiles
// its own matching forwarder (see accounts_win32.h).
class Win32Spooler : public Spooler {
 public:
  Win32Spooler() = default;
  std::unique_ptr<PrinterHandle> OpenPrinter(const std::wstring& name,
                                             uint32_t desiredAccess) override {
    return OpenByName(name, desiredAccess);
  }

 private:
  static std::unique_ptr<PrinterHandle> OpenByName(const std::wstring& name,
                                                   uint32_t desiredAccess);
};

}  // namespace vantrel
