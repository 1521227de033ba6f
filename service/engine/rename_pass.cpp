#include "service/engine/rename_pass.h"

#include <new>
#include <utility>

#include "platform/text.h"
#include "service/engine/default_printer.h"
#include "service/engine/name_composition.h"
#include "service/events.h"
#include "service/log.h"

namespace vantrel {

void ThrowIfOutOfMemory(Status status) {
  if (status.code() == hresult::kOutOfMemory) throw std::bad_alloc();
}

namespace {

// The names matched are chosen by remote users, and a backtracking matcher
// can take hours over one name. libstdc++'s polynomial matcher cannot
// backtrack; a pattern it cannot run (one with a back-reference) fails to
// compile and so matches nothing. MSVC's matcher gives up past its own
// complexity limit instead, which Search reports as no match.
// The filter asks only whether the pattern occurs: no group is captured,
// which halves the polynomial matcher's work.
#if defined(__GLIBCXX__)
constexpr auto kSyntax = std::regex_constants::ECMAScript | std::regex_constants::nosubs |
                         std::regex_constants::__polynomial;
#else
constexpr auto kSyntax = std::regex_constants::ECMAScript | std::regex_constants::nosubs;
#endif

}  // namespace

bool RenamePattern::Search(const std::wstring& name) {
  if (!compiled_) {
    compiled_ = true;
    try {
      regex_.assign(text_, kSyntax);
      valid_ = true;
    } catch (const std::regex_error& e) {
      failure_ = e.what();
      LogPrintfW(
          L"The regular expression %s could not be compiled (%s), so no printer is of "
          L"interest in this pass\n",
          text_, e.what());
    }
  }
  if (!valid_) return false;
  try {
    return std::regex_search(name, regex_);
  } catch (const std::regex_error& e) {
    // Too complex a match for the library; the printer is left for later.
    LogPrintfW(L"The regular expression could not be matched against %s (%s)\n", name, e.what());
    return false;
  }
}

bool IsPrinterOfInterest(const Settings& settings, RenamePattern& pattern,
                         const std::wstring& currentName) {
  if (!settings.OnlyUseRegex) return true;
  LogPrintfW(L"We are using regular expressions to determine whether %s matches %s\n", currentName,
             pattern.text());
  return pattern.Search(currentName);
}

bool IsRedirectedPrinter(const PrinterInfo& info) {
  const std::wstring_view port = info.portName;
  const bool tsPort = port.size() > 2 && EqualsIgnoringAsciiCase(port.substr(0, 2), L"TS");
  return tsPort && (info.attributes & kPrinterAttributeTs) != 0;
}

bool DeletePrinterByName(Spooler& spooler, const std::wstring& name, bool* notRedirected) {
  LogPrintfW(L"Deleting the printer named %s\n", name);
  std::unique_ptr<PrinterHandle> printer;
  if (!spooler.Open(name, kPrinterAllAccess, &printer).ok() || !printer) {
    LogPrintfW(L"Was unable to open the printer\n");
    return false;
  }
  LogPrintfW(L"Was able to open the printer\n");
  // The holder of the wanted name may be one of the server's own queues that
  // a client printer was named after; only a printer Remote Desktop
  // redirected may give way.
  PrinterInfo info;
  if (const Status read = printer->ReadInfo(&info); !read.ok()) {
    LogPrintfW(L"Could not read what kind of printer %s is, so it is not deleted.  Error: %d\n",
               name, read.code());
    return false;
  }
  if (!IsRedirectedPrinter(info)) {
    if (notRedirected) *notRedirected = true;
    LogPrintfW(
        L"The printer named %s is not a redirected printer on a TS port, so it is not deleted\n",
        name);
    return false;
  }
  const Status deleted = printer->Delete();
  LogPrintfW(L"The call to DeletePrinter returned %d with error code %d\n", deleted.ok() ? 1 : 0,
             deleted.code());
  return deleted.ok();
}

RenamePass::RenamePass(const EnginePorts& ports, Settings settings, const PrinterQuery& query,
                       GivenNames& given)
    : ports_(ports),
      settings_(std::move(settings)),
      pattern_(settings_.RenameRegex),
      given_(given) {
  for (const std::wstring& name : query.namesLeftOut) namesLeftOut_.insert(AsciiUpperCase(name));
  for (const std::wstring& driver : query.driversLeftOut)
    driversLeftOut_.insert(AsciiUpperCase(driver));
}

bool RenamePass::LeftOutOfTheQuery(ListedPrinter& printer, const std::wstring& name) {
  if (namesLeftOut_.count(AsciiUpperCase(name))) return true;
  if (driversLeftOut_.empty()) return false;
  std::wstring driver;
  const Status read = printer.ReadText(ListedPrinter::kDriverName, &driver);
  ThrowIfOutOfMemory(read);
  // A driver that cannot be read may be an excluded one.
  return !read.ok() || driversLeftOut_.count(AsciiUpperCase(driver));
}

RenameDecision RenamePass::Decide(ListedPrinter& printer, const std::wstring& currentName) {
  RenameDecision decision;
  decision.currentName = currentName;
  if (LeftOutOfTheQuery(printer, currentName)) {
    decision.verdict = RenameDecision::kExcluded;
    return decision;
  }
  LogPrintfW(L"Have current name %s\n", currentName);
  if (!IsPrinterOfInterest(settings_, pattern_, currentName)) {
    LogPrintfW(L"This printer is not of interest to us, so skipping to the next printer\n");
    decision.verdict = RenameDecision::kNotOfInterest;
    return decision;
  }

  ComposedName composed = ComposeNewName(ports_.terminalServices, settings_, currentName);
  if (!composed.ok) {
    decision.verdict = RenameDecision::kNoSession;
    return decision;
  }
  decision.sessionId = static_cast<uint32_t>(composed.sessionId);
  decision.newName = std::move(composed.newName);
  decision.userName = std::move(composed.userName);
  decision.clientName = std::move(composed.clientName);
  const std::wstring& newName = decision.newName;
  // Nothing may be asked of WMI, the spooler or a hive for a name the
  // spooler would refuse, or for a session without a user: the account
  // lookup of an empty name can find the computer's own domain, and a
  // refused rename would pass for a clash.
  if (decision.userName.empty()) {
    LogPrintfW(L"No user is known for session %d, so the printer is left as it is\n",
               composed.sessionId);
    decision.verdict = RenameDecision::kNoUser;
    return decision;
  }
  decision.badName = WhyNotToGiveName(newName);
  if (!decision.badName.empty()) {
    LogPrintfW(L"The name %s cannot be given to a printer (%s), so the printer is left as it is\n",
               newName, decision.badName);
    decision.verdict = RenameDecision::kBadName;
    return decision;
  }
  LogPrintfW(L"Going to rename this printer to %s for user %s on host %s\n", newName,
             decision.clientName + L"\\" + decision.userName, decision.clientName);

  std::wstring domainName;
  if (const Status status = ports_.terminalServices.QuerySessionInformation(
          decision.sessionId, WtsInfoClass::kDomainName, &domainName);
      !status.ok()) {
    LogPrintfW(L"Could not get the WTSDomainName, %d\n", status.code());
  }
  if (!GetUserSidString(ports_.accounts, domainName, decision.userName, &decision.sid)) {
    decision.verdict = RenameDecision::kNoSid;
    return decision;
  }
  LogPrintfW(L"The SID for that user is %s\n", decision.sid);
  decision.verdict = RenameDecision::kRename;
  return decision;
}

std::optional<int32_t> RenamePass::CallRename(ListedPrinter& printer, const std::wstring& newName,
                                              const wchar_t* notExecuted,
                                              const wchar_t* unreadable) {
  const RenameResult result = printer.Rename(newName);
  ThrowIfOutOfMemory(result.status);
  const uint32_t hr = static_cast<uint32_t>(result.status.code());
  switch (result.step) {
    case RenameResult::kPrepare:
      LogPrintfW(L"Could not prepare the parameters of the rename method.  hr: 0x%X\n", hr);
      return std::nullopt;
    case RenameResult::kExecute:
      LogPrintfW(notExecuted, hr);
      return std::nullopt;
    case RenameResult::kReadResult:
      // The rename may have happened; the printer is then listed again.
      if (unreadable) LogPrintfW(unreadable, newName);
      return std::nullopt;
    case RenameResult::kDone:
      break;
  }
  return result.returnValue;
}

bool RenamePass::SessionExists(uint32_t sessionId) {
  std::wstring state;
  const Status status = ports_.terminalServices.QuerySessionInformation(
      sessionId, WtsInfoClass::kConnectState, &state);
  // Only a session the server says is gone counts as gone.
  return status.ok() || status.code() != win32_error::kCtxWinStationNotFound;
}

std::optional<uint32_t> RenamePass::LiveOwner(const std::wstring& name, uint32_t sessionId) {
  for (const uint32_t owner : given_.SessionsGiven(name))
    if (owner != sessionId && SessionExists(owner)) return owner;
  return std::nullopt;
}

void RenamePass::Given(const RenameDecision& decision, const std::wstring& name) {
  given_.Record(decision.sessionId, name);
  RecordEvent(event_id::kPrinterRenamed,
              {decision.currentName, name, decision.userName, std::to_wstring(decision.sessionId)});
  RegisterDefaultPrinter(ports_.registry, ports_.broadcaster, decision.sid, name);
}

void RenamePass::HandlePrinter(ListedPrinter& printer, const std::wstring& currentName) {
  const RenameDecision decision = Decide(printer, currentName);
  if (decision.verdict != RenameDecision::kRename) return LeaveAlone(decision);
  const std::optional<int32_t> returnValue =
      CallRename(printer, decision.newName, L"Could not rename the printer.  hr: 0x%X\n", nullptr);
  if (!returnValue) return;
  if (*returnValue == 0) {
    LogPrintfW(L"Successfully renamed the printer\n");
    Given(decision, decision.newName);
    return;
  }
  LogPrintfW(L"Failed to rename the printer named %s because of return value %d\n", currentName,
             *returnValue);
  if (settings_.DeleteDuplicates)
    ResolveClashByDeleting(printer, decision);
  else
    ResolveClashByAppending(printer, decision);
}

void RenamePass::ResolveClashByDeleting(ListedPrinter& printer, const RenameDecision& decision) {
  // The client chooses its computer name, and one user may have two
  // sessions: the name may be another live session's, whose printer stays.
  if (const std::optional<uint32_t> owner = LiveOwner(decision.newName, decision.sessionId)) {
    LogPrintfW(
        L"The name %s was given to session %d, which still exists, so its printer is not deleted "
        L"and this printer is left as it is\n",
        decision.newName, *owner);
    return LeaveAlone(decision, PreviewEntry::kHolderLive, *owner);
  }
  LogPrintfW(L"Name already exists, deleting the old printer\n");
  bool notRedirected = false;
  if (!DeletePrinterByName(ports_.spooler, decision.newName, &notRedirected)) {
    if (notRedirected) LeaveAlone(decision, PreviewEntry::kHolderKept);
    return;
  }
  RecordEvent(event_id::kHolderDeleted, {decision.newName, std::to_wstring(decision.sessionId)});
  LogPrintfW(L"Deleted the old printer, renaming it too\n");
  const std::optional<int32_t> returnValue =
      CallRename(printer, decision.newName,
                 L"Could not execute the rename method after the deletion.  hr: 0x%X\n", nullptr);
  if (!returnValue) return;
  if (*returnValue != 0) {
    LogPrintfW(L"Failed to rename the printer after deletion because of error %d\n", *returnValue);
    return;
  }
  LogPrintfW(L"Successfully renamed the printer after the deletion\n");
  Given(decision, decision.newName);
}

std::wstring RenamePass::SuffixedName(const std::wstring& newName) const {
  std::wstring suffix = settings_.AppendToDuplicates;
  TrimWhitespace(suffix);
  return newName + L" " + suffix;
}

void RenamePass::ResolveClashByAppending(ListedPrinter& printer, const RenameDecision& decision) {
  LogPrintfW(L"Going to append something to the name of the printer\n");
  const std::wstring suffixedName = SuffixedName(decision.newName);
  if (const std::wstring why = WhyNotToGiveName(suffixedName); !why.empty()) {
    LogPrintfW(L"The name %s cannot be given to a printer (%s), so the printer is left as it is\n",
               suffixedName, why);
    RenameDecision refused = decision;
    refused.verdict = RenameDecision::kBadName;
    refused.newName = suffixedName;
    refused.badName = why;
    return LeaveAlone(refused);
  }
  LogPrintfW(L"Attempting to rename %s to %s\n", decision.newName, suffixedName);
  // Checked like the first rename: recording a name the printer does not
  // bear would hide nothing and repoint the default printer to a printer
  // that does not exist.
  const std::optional<int32_t> returnValue =
      CallRename(printer, suffixedName,
                 L"Could not execute the rename method with the appended name.  hr: 0x%X\n",
                 L"Could not read the result of the rename to %s\n");
  if (!returnValue) return;
  if (*returnValue != 0) {
    LogPrintfW(L"Failed to rename the printer to %s because of return value %d\n", suffixedName,
               *returnValue);
    return;
  }
  Given(decision, suffixedName);
}

void RenamePass::LeaveAlone(const RenameDecision& decision, PreviewEntry::Clash clash,
                            uint32_t holder) {
  // The administrator's own filters leave printers out on purpose, most of
  // them the server's own: no warning for those.
  if (decision.verdict == RenameDecision::kExcluded ||
      decision.verdict == RenameDecision::kNotOfInterest)
    return;
  PreviewEntry entry;
  entry.decision = decision;
  entry.clash = clash;
  entry.holderSession = holder;
  const bool sessionKnown = decision.verdict != RenameDecision::kNoSession;
  given_.LeftAlone(sessionKnown ? decision.sessionId : kNoSessionId, decision.currentName,
                   LeftAloneReason(entry));
}

// Finds what the rename's clash handling would meet.
PreviewEntry RenamePass::PreviewPrinter(ListedPrinter& printer, const std::wstring& currentName,
                                        std::unordered_map<std::wstring, uint32_t>& taken) {
  PreviewEntry entry;
  entry.currentName = currentName;
  entry.decision = Decide(printer, currentName);
  if (entry.decision.verdict != RenameDecision::kRename) return entry;
  const std::wstring& newName = entry.decision.newName;
  const uint32_t session = entry.decision.sessionId;
  entry.finalName = newName;

  std::optional<uint32_t> owner;
  const auto earlier = taken.find(AsciiUpperCase(newName));
  bool held = earlier != taken.end();
  bool holderRedirected = held;  // only redirected printers are renamed
  if (held && earlier->second != session && SessionExists(earlier->second)) owner = earlier->second;
  std::unique_ptr<PrinterHandle> holder;
  if (!held && AsciiUpperCase(newName) != AsciiUpperCase(currentName) &&
      ports_.spooler.Open(newName, kPrinterAccessUse, &holder).ok() && holder) {
    held = true;
    PrinterInfo info;
    holderRedirected = holder->ReadInfo(&info).ok() && IsRedirectedPrinter(info);
  }
  if (held && settings_.DeleteDuplicates && !owner) owner = LiveOwner(newName, session);
  if (held && settings_.DeleteDuplicates) {
    entry.clash = owner              ? PreviewEntry::kHolderLive
                  : holderRedirected ? PreviewEntry::kDeletesHolder
                                     : PreviewEntry::kHolderKept;
    if (owner) entry.holderSession = *owner;
    if (entry.clash != PreviewEntry::kDeletesHolder) entry.finalName.clear();
  } else if (held) {
    entry.clash = PreviewEntry::kSuffixed;
    entry.finalName = SuffixedName(newName);
    entry.decision.badName = WhyNotToGiveName(entry.finalName);
    if (!entry.decision.badName.empty()) {
      entry.decision.verdict = RenameDecision::kBadName;
      entry.decision.newName = entry.finalName;
      entry.finalName.clear();
    }
  }
  if (!entry.finalName.empty()) taken.emplace(AsciiUpperCase(entry.finalName), session);
  return entry;
}

}  // namespace vantrel
