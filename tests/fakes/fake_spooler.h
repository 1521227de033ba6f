// The print spooler over the fake WMI's printer table: opening a printer by
// name, reading and deleting it, with injectable failures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/spooler.h"
#include "tests/fakes/fake_wmi.h"

namespace vantrel::testing {

// ERROR_INVALID_PRINTER_NAME: no such printer (any more).
inline constexpr int32_t kInvalidPrinterName = 1801;

class FakeSpooler : public Spooler {
 public:
  explicit FakeSpooler(FakePrinterTable& printers) : printers_(printers) {}

  // Deleting needs the DELETE right (ERROR_ACCESS_DENIED without it), as on
  // Windows.
  Status Open(const std::wstring& name, uint32_t desiredAccess,
              std::unique_ptr<PrinterHandle>* printer) override;

  FaultPlan* faultPlan = nullptr;

 private:
  FakePrinterTable& printers_;
};

}  // namespace vantrel::testing
