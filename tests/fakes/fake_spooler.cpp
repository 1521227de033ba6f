#include "tests/fakes/fake_spooler.h"

namespace vantrel::testing {
namespace {

struct FakePrinterHandle : PrinterHandle {
  FakePrinterHandle(FakePrinterTable& p, std::wstring n, uint32_t e)
      : printers(p), name(std::move(n)), error(e) {}

  bool ReadInfo(PrinterInfo* info, uint32_t* lastError) override {
    const FakePrinter* found = printers.Find(name);
    if (!found) {
      *lastError = 1801;
      return false;
    }
    *info = {found->portName, found->attributes};
    return true;
  }

  int32_t DeletePrinter(uint32_t* lastError) override {
    // ERROR_INVALID_PRINTER_NAME when it has gone meanwhile.
    *lastError = error ? error : printers.Remove(name) ? 0 : 1801;
    return *lastError ? 0 : 1;
  }

  FakePrinterTable& printers;
  std::wstring name;
  uint32_t error;
};

}  // namespace

std::unique_ptr<PrinterHandle> FakeSpooler::OpenPrinter(const std::wstring& name,
                                                        uint32_t desiredAccess) {
  ++openCalls;
  const FakePrinter* found = printers_.Find(name);
  if (failOpen || !found) return nullptr;
  // Deleting needs the DELETE right; ERROR_ACCESS_DENIED without it.
  const uint32_t error = deleteError ? deleteError : (desiredAccess & 0x00010000) ? 0 : 5;
  return std::make_unique<FakePrinterHandle>(printers_, found->name, error);
}

}  // namespace vantrel::testing
