// The pieces of the rename pass that stand on their own: the OnlyUseRegex
// filter, deleting a printer through the spooler, and what one pass shares
// between its printers.
#pragma once

#include <memory>
#include <regex>
#include <string>
#include <unordered_set>
#include <utility>

#include "platform/spooler.h"
#include "platform/wmi.h"
#include "service/engine/printer_query.h"
#include "settings/settings.h"

namespace vantrel {

// The adapters report an allocation failure as E_OUTOFMEMORY; the engine
// turns it back into the exception that ends the construction or the pass.
void ThrowIfOutOfMemory(HResult hr);

// A RenameRegex compiled on its first use and kept for the rest of one pass,
// so a pass over many printers compiles it once.
class RenamePattern {
 public:
  explicit RenamePattern(std::wstring pattern) : text_(std::move(pattern)) {}

  const std::wstring& text() const { return text_; }

  // Whether the pattern (ECMAScript, case-sensitive) occurs anywhere in
  // `name`. A pattern that does not compile matches nothing; that is logged
  // once, at the first search.
  bool Search(const std::wstring& name);

 private:
  std::wstring text_;
  bool compiled_ = false;
  bool valid_ = false;
  std::wregex regex_;
};

// True when the printer is to be handled: always without OnlyUseRegex,
// otherwise when the pattern occurs in its name.
bool IsPrinterOfInterest(const Settings& settings, RenamePattern& pattern,
                         const std::wstring& currentName);

// Whether the spooler marks the printer as redirected by Remote Desktop and
// it sits on a "TS" port.
bool IsRedirectedPrinter(const PrinterInfo& info);

// Opens the printer with PRINTER_ALL_ACCESS and deletes it when it is a
// redirected printer; true when the spooler accepted the deletion.
bool DeletePrinterByName(Spooler& spooler, const std::wstring& name);

// What one pass shares between its printers: the Settings it started with,
// the compiled filter, and the RenamePrinter method, fetched on the first
// printer that needs it rather than once per printer.
struct RenamePassState {
  RenamePassState(WmiServices& wmi, Settings passSettings, const PrinterQuery& query)
      : services(wmi), settings(std::move(passSettings)), pattern(settings.RenameRegex) {
    for (const std::wstring& name : query.namesLeftOut) namesLeftOut.insert(FoldCase(name));
    for (const std::wstring& driver : query.driversLeftOut)
      driversLeftOut.insert(FoldCase(driver));
  }

  // Whether an exclusion that did not fit in the query text applies to the
  // printer: it is then passed over as if the query had not listed it.
  bool LeftOutOfTheQuery(WmiObject& printer, const std::wstring& name) {
    if (namesLeftOut.count(FoldCase(name))) return true;
    if (driversLeftOut.empty()) return false;
    WmiValue driver;
    const HResult hr = printer.Get(L"DriverName", &driver);
    ThrowIfOutOfMemory(hr);
    const std::wstring* text = std::get_if<std::wstring>(&driver);
    // A driver that cannot be read may be an excluded one.
    return hresult::Failed(hr) || !text || driversLeftOut.count(FoldCase(*text));
  }

  // The in-parameter signature of Win32_Printer.RenamePrinter; null (with
  // the failing status in `*status`) when it cannot be had. A failure is
  // tried again for the next printer.
  WmiObject* RenameSignature(HResult* status) {
    *status = hresult::kOk;
    if (!classObject) {
      *status = services.GetObject(L"Win32_Printer", &classObject);
      ThrowIfOutOfMemory(*status);
      if (!classObject) return nullptr;
    }
    if (!signature) {
      *status = classObject->GetMethod(L"RenamePrinter", &signature);
      ThrowIfOutOfMemory(*status);
    }
    return signature.get();
  }

  WmiServices& services;
  // The pass's own copy: a reload on the control thread takes effect at the
  // next pass.
  const Settings settings;
  RenamePattern pattern;
  std::unordered_set<std::wstring> namesLeftOut;
  std::unordered_set<std::wstring> driversLeftOut;
  std::unique_ptr<WmiObject> classObject;
  std::unique_ptr<WmiObject> signature;
};


}  // namespace vantrel
