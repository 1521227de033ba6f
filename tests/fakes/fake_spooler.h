// The print spooler over the fake WMI's printer table: opening a printer by
// name and deleting it, with injectable failures and call counts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/spooler.h"
#include "tests/fakes/fake_printer_table.h"

namespace vantrel::testing {

inline constexpr uint32_t kErrorInvalidPrinterName = 1801;
inline constexpr uint32_t kErrorAccessDenied = 5;

class FakeSpooler : public Spooler {
 public:
  explicit FakeSpooler(FakePrinterTable& printers) : printers_(printers) {}

  std::unique_ptr<PrinterHandle> OpenPrinter(const std::wstring& name,
                                             uint32_t desiredAccess) override;

  // The `occurrence`-th open from now on fails as if the printer were not
  // there.
  void FailOpen(int occurrence) { openFaults_.push_back(openCalls + occurrence); }
  // The `occurrence`-th DeletePrinter from now on returns 0 with
  // `lastError` and leaves the printer in place.
  void FailDelete(int occurrence, uint32_t lastError) {
    deleteFaults_.push_back({deleteCalls + occurrence, lastError});
  }

  int openCalls = 0;
  int deleteCalls = 0;
  int closeCalls = 0;
  uint32_t lastDesiredAccess = 0;
  std::vector<std::wstring> deleted;

  // Internal to the fake's handles.
  int32_t Delete(const std::wstring& name, uint32_t* lastError);

 private:
  struct DeleteFault {
    int call;
    uint32_t lastError;
  };

  FakePrinterTable& printers_;
  std::vector<int> openFaults_;
  std::vector<DeleteFault> deleteFaults_;
};

}  // namespace vantrel::testing
