// An in-memory WMI with the Win32_Printer class of a terminal server: the
// printer table, the WQL queries the system sends, batched enumeration, the
// RenamePrinter method, call counts, and injected failures.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
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
// Names are unique without regard to case, as the spooler keeps them; the
// index keeps large tables cheap.
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
  std::unordered_map<std::wstring, size_t> index_;  // upper-cased name -> row
};

// RenamePrinter's ReturnValue when another printer holds the name
// (ERROR_PRINTER_ALREADY_EXISTS).
inline constexpr int32_t kPrinterAlreadyExists = 1802;

class FakeWmi : public Wmi {
 public:
  HResult CreateLocator(std::unique_ptr<WmiLocator>* locator) override;

  // Printers on a "TS" port bear the spooler's redirected mark, others not.
  void AddPrinter(const std::wstring& name, const std::wstring& driverName = L"Generic Driver",
                  const std::wstring& portName = L"TS001") {
    const bool redirected = portName.rfind(L"TS", 0) == 0;
    printers.Add({name, driverName, portName, redirected ? kPrinterAttributeTs : 0u});
  }

  // Makes the `occurrence`-th call (counting from 1, from now on) of `call`
  // return `status` without yielding anything. `call` is a method name
  // ("ConnectServer", "Next", "ExecMethod", ...) or a method and its
  // argument ("Get:DeviceID", "Put:NewPrinterName"). "RenamePrinter" makes
  // the rename, instead, report `status` as its ReturnValue.
  void FailCall(const std::string& call, int occurrence, HResult status) {
    faults_.push_back({call, occurrence, status});
  }

  // Calls made, by method name and by "method:argument".
  int CallCount(const std::string& call) const {
    auto it = counts_.find(call);
    return it == counts_.end() ? 0 : it->second;
  }
  int TotalCalls() const { return totalCalls_; }
  void ResetCounts() {
    counts_.clear();
    totalCalls_ = 0;
  }

  FakePrinterTable printers;
  std::vector<std::wstring> queries;  // every query text received
  int32_t lastQueryFlags = 0;
  int32_t lastNextTimeout = 0;
  uint32_t lastNextCount = 0;
  std::wstring lastResource;
  std::vector<std::string> releases;  // "Services" and "Locator", in release order
  FaultPlan* faultPlan = nullptr;

  // Internal to the fake's objects: counts a call and fires its fault.
  std::optional<HResult> Enter(const std::string& call, const std::wstring& argument = L"");
  std::optional<HResult> Fire(const std::string& call, const std::string& detailed);

 private:
  struct Fault {
    std::string call;
    int remaining;
    HResult status;
  };

  std::map<std::string, int> counts_;
  int totalCalls_ = 0;
  std::vector<Fault> faults_;
};

}  // namespace vantrel::testing
