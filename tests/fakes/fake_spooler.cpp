#include "tests/fakes/fake_spooler.h"

#include <algorithm>

namespace vantrel::testing {
namespace {

class FakePrinterHandle : public PrinterHandle {
 public:
  FakePrinterHandle(FakeSpooler& spooler, std::wstring name)
      : spooler_(spooler), name_(std::move(name)) {}
  ~FakePrinterHandle() override { ++spooler_.closeCalls; }

  int32_t DeletePrinter(uint32_t* lastError) override { return spooler_.Delete(name_, lastError); }

 private:
  FakeSpooler& spooler_;
  std::wstring name_;
};

}  // namespace

std::unique_ptr<PrinterHandle> FakeSpooler::OpenPrinter(const std::wstring& name,
                                                        uint32_t desiredAccess) {
  ++openCalls;
  lastDesiredAccess = desiredAccess;
  auto fault = std::find(openFaults_.begin(), openFaults_.end(), openCalls);
  if (fault != openFaults_.end()) {
    openFaults_.erase(fault);
    return nullptr;
  }
  const FakePrinter* found = printers_.Find(name);
  if (!found) return nullptr;
  return std::make_unique<FakePrinterHandle>(*this, found->name);
}

int32_t FakeSpooler::Delete(const std::wstring& name, uint32_t* lastError) {
  ++deleteCalls;
  for (auto it = deleteFaults_.begin(); it != deleteFaults_.end(); ++it) {
    if (it->call != deleteCalls) continue;
    *lastError = it->lastError;
    deleteFaults_.erase(it);
    return 0;
  }
  if (!printers_.Remove(name)) {
    *lastError = kErrorInvalidPrinterName;
    return 0;
  }
  deleted.push_back(name);
  *lastError = 0;
  return 1;
}

}  // namespace vantrel::testing
