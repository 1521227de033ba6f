// An in-memory WMI with the Win32_Printer class of a terminal server: the
// printer table, the WQL the engine and the driver list send (anything else
// is refused, so a wrong clause fails the query) and RenamePrinter, with
// injectable failures of any call.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/spooler.h"
#include "platform/wmi.h"
#include "tests/fakes/fault_plan.h"

namespace vantrel::testing {

struct FakePrinter {
  std::wstring name;  // DeviceID and Name
  std::wstring driverName;
  std::wstring portName;
  uint32_t attributes = 0;  // PRINTER_ATTRIBUTE_*
};

// The local printers in the order WMI lists them, shared with FakeSpooler.
// Names are unique without regard to case, as the spooler keeps them.
class FakePrinterTable {
 public:
  void Add(FakePrinter printer);
  const FakePrinter* Find(const std::wstring& name) const;  // null when absent
  // False (and nothing changes) when `to` names another printer.
  bool Rename(const std::wstring& from, const std::wstring& to);
  bool Remove(const std::wstring& name);
  std::vector<std::wstring> Names() const;
  const std::vector<FakePrinter>& rows() const { return rows_; }

 private:
  std::vector<FakePrinter> rows_;
};

// RenamePrinter's ReturnValue when another printer holds the name
// (ERROR_PRINTER_ALREADY_EXISTS).
inline constexpr int32_t kPrinterAlreadyExists = 1802;

class FakeWmi : public Wmi {
 public:
  Status Connect(std::unique_ptr<PrinterInventory>* inventory) override;

  // Printers on a "TS" port bear the spooler's redirected mark, others not.
  void AddPrinter(const std::wstring& name, const std::wstring& driverName = L"Generic Driver",
                  const std::wstring& portName = L"TS001") {
    const bool redirected = portName.rfind(L"TS", 0) == 0;
    printers.Add({name, driverName, portName, redirected ? kPrinterAttributeTs : 0u});
  }

  // Makes the `occurrence`-th call (counting from 1, from now on) of `call`
  // ("Connect", "ListPrinters", "Next", "Read:DeviceID", "Read:DriverName";
  // "Rename" fails at its kExecute step) fail with `status`.
  void FailCall(const std::string& call, int occurrence, Status status) {
    faults_.push_back({call, occurrence, {RenameResult::kDone, status, 0}});
  }
  // Makes the `occurrence`-th Rename answer `result`. At kReadResult the
  // printer is renamed first, as WMI may have done when its answer is lost.
  void FailRename(int occurrence, RenameResult result) {
    faults_.push_back({"Rename", occurrence, result});
  }
  int CallCount(const std::string& call) const {
    auto it = counts_.find(call);
    return it == counts_.end() ? 0 : it->second;
  }

  FakePrinterTable printers;
  std::vector<std::wstring> queries;  // every query text received
  FaultPlan* faultPlan = nullptr;

  // Internal to the fake's objects: counts a call and says how it fails
  // (step kDone with an ok status: it does not).
  RenameResult Enter(const std::string& call);

 private:
  struct Fault {
    std::string call;
    int remaining;
    RenameResult result;
  };
  std::map<std::string, int> counts_;
  std::vector<Fault> faults_;
};

}  // namespace vantrel::testing
