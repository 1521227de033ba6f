// The pieces of the rename pass that stand on their own: the OnlyUseRegex
// filter and deleting a printer through the spooler.
#pragma once

#include <regex>
#include <string>

#include "platform/spooler.h"
#include "platform/wmi.h"
#include "settings/settings.h"

namespace vantrel {

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

// The adapters report an allocation failure as E_OUTOFMEMORY; the engine
// turns it back into the exception that ends the construction or the pass.
void ThrowIfOutOfMemory(HResult hr);

}  // namespace vantrel
