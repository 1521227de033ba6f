// The print spooler over the fake WMI's printer table: opening a printer by
// name and deleting it, with injectable failures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/spooler.h"
#include "tests/fakes/fake_wmi.h"

namespace vantrel::testing {

class FakeSpooler : public Spooler {
 public:
  explicit FakeSpooler(FakePrinterTable& printers) : printers_(printers) {}

  // Null for an unknown printer or while failOpen is set. Deleting needs
  // the DELETE right (ERROR_ACCESS_DENIED without it), as on Windows.
  std::unique_ptr<PrinterHandle> OpenPrinter(const std::wstring& name,
                                             uint32_t desiredAccess) override;

  bool failOpen = false;
  uint32_t deleteError = 0;  // non-zero: DeletePrinter fails with it
  int openCalls = 0;
  FaultPlan* faultPlan = nullptr;

 private:
  FakePrinterTable& printers_;
};

}  // namespace vantrel::testing
