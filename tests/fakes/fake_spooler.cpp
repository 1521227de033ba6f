#include "tests/fakes/fake_spooler.h"

namespace vantrel::testing {
namespace {

struct FakePrinterHandle : PrinterHandle {
  FakePrinterHandle(FakePrinterTable& p, std::wstring n, uint32_t e, FaultPlan* f)
      : printers(p), name(std::move(n)), error(e), faultPlan(f) {}

  bool ReadInfo(PrinterInfo* info, uint32_t* lastError) override {
    if (const Failure fault = Consult(faultPlan, "spooler ReadInfo");
        fault != Failure::kNone) {  // ERROR_OUTOFMEMORY, ERROR_ACCESS_DENIED; empty succeeds
      *info = {};
      *lastError = fault == Failure::kOutOfMemory ? 14 : 5;
      return fault == Failure::kEmpty;
    }
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
    if (const Failure fault = Consult(faultPlan, "spooler DeletePrinter"); fault != Failure::kNone)
      *lastError = fault == Failure::kOutOfMemory ? 8 : 5;
    else
      *lastError = error ? error : printers.Remove(name) ? 0 : 1801;
    return *lastError ? 0 : 1;
  }

  FakePrinterTable& printers;
  std::wstring name;
  uint32_t error;
  FaultPlan* faultPlan;
  LiveFakeObject live;
};

}  // namespace

std::unique_ptr<PrinterHandle> FakeSpooler::OpenPrinter(const std::wstring& name,
                                                        uint32_t desiredAccess) {
  ++openCalls;
  if (Consult(faultPlan, "spooler OpenPrinter") != Failure::kNone) return nullptr;
  const FakePrinter* found = printers_.Find(name);
  if (failOpen || !found) return nullptr;
  // Deleting needs the DELETE right; ERROR_ACCESS_DENIED without it.
  const uint32_t error = deleteError ? deleteError : (desiredAccess & 0x00010000) ? 0 : 5;
  return std::make_unique<FakePrinterHandle>(printers_, found->name, error, faultPlan);
}

}  // namespace vantrel::testing
