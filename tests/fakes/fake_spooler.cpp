#include "tests/fakes/fake_spooler.h"

namespace vantrel::testing {
namespace {

// A planned failure as the adapter reports it; kEmpty is a success.
Status Planned(Failure failure) {
  switch (failure) {
    case Failure::kError:
      return Status(win32_error::kAccessDenied);
    case Failure::kOutOfMemory:
      return Status(win32_error::kNotEnoughMemory);
    default:
      return Status::Ok();
  }
}

struct FakePrinterHandle : PrinterHandle {
  FakePrinterHandle(FakePrinterTable& p, std::wstring n, bool d, FaultPlan* f)
      : printers(p), name(std::move(n)), mayDelete(d), faultPlan(f) {}

  Status ReadInfo(PrinterInfo* info) override {
    *info = {};
    const Failure failure = Consult(faultPlan, "spooler ReadInfo");
    if (failure != Failure::kNone) return Planned(failure);  // kEmpty: read, nothing in it
    const FakePrinter* found = printers.Find(name);
    if (found) *info = {found->portName, found->attributes};
    return found ? Status::Ok() : Status(kInvalidPrinterName);
  }

  Status Delete() override {
    if (const Status fault = Planned(Consult(faultPlan, "spooler Delete")); !fault.ok())
      return fault;
    if (!mayDelete) return Status(win32_error::kAccessDenied);
    return printers.Remove(name) ? Status::Ok() : Status(kInvalidPrinterName);
  }

  FakePrinterTable& printers;
  std::wstring name;
  bool mayDelete;
  FaultPlan* faultPlan;
  LiveFakeObject live;
};

}  // namespace

Status FakeSpooler::Open(const std::wstring& name, uint32_t desiredAccess,
                         std::unique_ptr<PrinterHandle>* printer) {
  printer->reset();
  if (const Status fault = Planned(Consult(faultPlan, "spooler Open")); !fault.ok()) return fault;
  const FakePrinter* found = printers_.Find(name);
  if (!found) return Status(kInvalidPrinterName);
  constexpr uint32_t kDelete = 0x00010000;
  *printer = std::make_unique<FakePrinterHandle>(printers_, found->name,
                                                 (desiredAccess & kDelete) != 0, faultPlan);
  return Status::Ok();
}

}  // namespace vantrel::testing
