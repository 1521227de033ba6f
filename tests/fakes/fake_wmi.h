// An in-memory WMI with the Win32_Printer class of a terminal server: a
// printer table, a WQL evaluator for the queries the system sends, batched
// enumeration, the RenamePrinter method, call counters, and a way to make
// any single call fail.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/wmi.h"
#include "tests/fakes/fake_printer_table.h"

namespace vantrel::testing {

namespace wbem_error {
inline constexpr HResult kInvalidClass = static_cast<HResult>(0x80041010);
inline constexpr HResult kInvalidNamespace = static_cast<HResult>(0x8004100E);
inline constexpr HResult kInvalidMethod = static_cast<HResult>(0x80041055);
inline constexpr HResult kInvalidQueryType = static_cast<HResult>(0x80041018);
inline constexpr HResult kTypeMismatch = static_cast<HResult>(0x80041005);
inline constexpr HResult kNotFound = hresult::kWbemNotFound;
}  // namespace wbem_error

// RenamePrinter's ReturnValue when another printer holds the name
// (ERROR_PRINTER_ALREADY_EXISTS), and when no name was given.
inline constexpr int32_t kPrinterAlreadyExists = 1802;
inline constexpr int32_t kRenameInvalidParameter = 87;

class FakeWmi : public Wmi {
 public:
  FakeWmi() = default;
  FakeWmi(const FakeWmi&) = delete;
  FakeWmi& operator=(const FakeWmi&) = delete;

  HResult CreateLocator(std::unique_ptr<WmiLocator>* locator) override;

  void AddPrinter(const std::wstring& name, const std::wstring& driverName = L"Generic Driver",
                  const std::wstring& portName = L"TS001");
  const FakePrinter* FindPrinter(const std::wstring& name) const;
  std::vector<std::wstring> PrinterNames() const;

  // Makes the `occurrence`-th call (counting from 1, from now on) of `call`
  // return `status` without yielding anything. `call` is a method name
  // ("CreateLocator", "ConnectServer", "ExecQuery", "Next", "GetObject",
  // "ExecMethod", "Get", "Put", "GetMethod", "SpawnInstance") or a method
  // and its argument ("Get:DeviceID", "Put:NewPrinterName",
  // "GetObject:Win32_Printer", "ExecMethod:RenamePrinter"). A non-negative
  // status gives a success that yields no object (ExecMethod without
  // out-parameters, say).
  void FailCall(const std::string& call, int occurrence, HResult status);
  // Makes the `occurrence`-th call of `call` throw std::bad_alloc, as an
  // allocation inside the caller would.
  void ThrowOnCall(const std::string& call, int occurrence) {
    faults_.push_back({call, occurrence, 0, true});
  }
  // Makes the `occurrence`-th RenamePrinter call from now on report
  // `returnValue` without renaming.
  void ForceReturnValue(int occurrence, int32_t returnValue);

  // Calls made, by method name and by "method:argument".
  int CallCount(const std::string& call) const;
  // Every port call made, counting each once.
  int TotalCalls() const { return totalCalls_; }
  void ResetCounts();

  // Evaluates a query the way the fake's ExecQuery does: the rows it lists
  // (by name), or the failing status.
  HResult Evaluate(const std::wstring& query, std::vector<std::wstring>* names) const;

  // The printers WMI lists; FakeSpooler works on the same table.
  FakePrinterTable printers;
  std::vector<std::wstring> queries;  // every query text received
  int32_t lastQueryFlags = 0;
  int32_t lastNextTimeout = 0;
  uint32_t lastNextCount = 0;
  std::wstring lastResource;
  // "Services" and "Locator", in the order they were released.
  std::vector<std::string> releases;

  // Internal to the fake's objects.
  std::optional<HResult> Enter(const std::string& call, const std::wstring& argument);
  std::optional<int32_t> TakeForcedReturnValue();
  int32_t Rename(const std::wstring& objectPath, const std::wstring& newName, HResult* status);
  static std::wstring PathOf(const std::wstring& name);

 private:
  struct Fault {
    std::string call;
    int remaining;
    HResult status;
    bool throws = false;
  };

  std::map<std::string, int> counts_;
  int totalCalls_ = 0;
  std::vector<Fault> faults_;
  std::vector<std::pair<int, int32_t>> forcedReturnValues_;
  int renameCalls_ = 0;
};

}  // namespace vantrel::testing
