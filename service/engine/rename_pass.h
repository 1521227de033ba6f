// One rename pass: the settings it started with, the decisions for each
// listed printer, the rename and the handling of a name clash. Printers
// (printers.h) runs one per tick over the printers its query lists.
#pragma once

#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/accounts.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/terminal_services.h"
#include "platform/wmi.h"
#include "service/engine/preview.h"
#include "service/engine/printer_query.h"
#include "service/engine/rename_decision.h"
#include "settings/settings.h"

namespace vantrel {

// The platform services the engine calls. All must outlive the engine.
struct EnginePorts {
  Wmi& wmi;
  TerminalServices& terminalServices;
  Accounts& accounts;
  Spooler& spooler;
  Registry& registry;
  SettingChangeBroadcaster& broadcaster;
};

// The WMI adapter reports an allocation failure as E_OUTOFMEMORY; the
// engine turns it back into the exception that ends the construction or the
// pass.
void ThrowIfOutOfMemory(Status status);

// A RenameRegex compiled on its first use and kept for the rest of one pass,
// so a pass over many printers compiles it once.
class RenamePattern {
 public:
  explicit RenamePattern(std::wstring pattern) : text_(std::move(pattern)) {}

  const std::wstring& text() const { return text_; }
  // Why the pattern did not compile; empty when it did or was not needed.
  const std::string& failure() const { return failure_; }

  // Whether the pattern (ECMAScript, case-sensitive) occurs anywhere in
  // `name`. A pattern that does not compile matches nothing; that is logged
  // once, at the first search. No name can make the match run for long.
  bool Search(const std::wstring& name);

 private:
  std::wstring text_;
  bool compiled_ = false;
  bool valid_ = false;
  std::string failure_;
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
// `notRedirected` (if given) is set when it was refused for not being one.
bool DeletePrinterByName(Spooler& spooler, const std::wstring& name, bool* notRedirected = nullptr);

// A printer whose name gave no session away.
inline constexpr uint32_t kNoSessionId = 0xFFFFFFFF;

// The names the engine gave, per session, and the printers it left alone.
class GivenNames {
 public:
  virtual ~GivenNames() = default;
  virtual void Record(uint32_t sessionId, const std::wstring& name) = 0;
  // The sessions that were given `name` (ASCII case aside).
  virtual std::vector<uint32_t> SessionsGiven(const std::wstring& name) const = 0;
  // A printer of the session (kNoSessionId: none known) stays as it is.
  virtual void LeftAlone(uint32_t sessionId, const std::wstring& name,
                         const std::wstring& reason) = 0;
};

class RenamePass {
 public:
  // `settings` is the pass's own copy: a reload on the control thread takes
  // effect at the next pass. `given` records each name a printer is given.
  RenamePass(const EnginePorts& ports, Settings settings, const PrinterQuery& query,
             GivenNames& given);

  // Decides, renames, and handles a clash as the settings say.
  void HandlePrinter(ListedPrinter& printer, const std::wstring& currentName);

  // What HandlePrinter would do, changing nothing. Names given earlier in
  // the preview (upper-cased, with their session) count as `taken`, as they
  // would in a real pass.
  PreviewEntry PreviewPrinter(ListedPrinter& printer, const std::wstring& currentName,
                              std::unordered_map<std::wstring, uint32_t>& taken);

  const RenamePattern& pattern() const { return pattern_; }

 private:
  // Whether an exclusion that did not fit in the query text applies to the
  // printer: it is then passed over as if the query had not listed it.
  bool LeftOutOfTheQuery(ListedPrinter& printer, const std::wstring& name);
  // The per-printer steps up to the rename, with their messages.
  RenameDecision Decide(ListedPrinter& printer, const std::wstring& currentName);
  // One RenamePrinter call with its failure messages: `notExecuted` (with
  // the status) when the call did not run, `unreadable` (with the name; may
  // be null for none) when its result could not be read. The ReturnValue,
  // or nothing after a failure.
  std::optional<int32_t> CallRename(ListedPrinter& printer, const std::wstring& newName,
                                    const wchar_t* notExecuted, const wchar_t* unreadable);
  // Whether the server still has the session; only one it says is gone
  // counts as gone.
  bool SessionExists(uint32_t sessionId);
  // A live session other than `sessionId` that was given `name`, if any.
  std::optional<uint32_t> LiveOwner(const std::wstring& name, uint32_t sessionId);
  // Records the name the printer now bears and repoints the user's default.
  void Given(const RenameDecision& decision, const std::wstring& name);
  // Tells `given_` why the printer stays as it is, in the preview's words.
  void LeaveAlone(const RenameDecision& decision,
                  PreviewEntry::Clash clash = PreviewEntry::kNoClash, uint32_t holder = 0);
  void ResolveClashByDeleting(ListedPrinter& printer, const RenameDecision& decision);
  void ResolveClashByAppending(ListedPrinter& printer, const RenameDecision& decision);
  std::wstring SuffixedName(const std::wstring& newName) const;

  const EnginePorts& ports_;
  const Settings settings_;
  RenamePattern pattern_;
  std::unordered_set<std::wstring> namesLeftOut_;
  std::unordered_set<std::wstring> driversLeftOut_;
  GivenNames& given_;
};

}  // namespace vantrel
