#include "service/engine/printers.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "platform/text.h"
#include "service/events.h"
#include "service/log.h"
#include "settings/settings.h"

namespace vantrel {
namespace {

constexpr size_t kMaxLeftAloneRemembered = 4096;

// For messages on paths that must not throw: a log that cannot allocate
// loses the message, not the caller.
template <typename... Args>
void LogNoThrow(const wchar_t* format, const Args&... args) {
  try {
    LogPrintfW(format, args...);
  } catch (...) {
  }
}

}  // namespace

Printers::Printers(const EnginePorts& ports) : ports_(ports) {
  try {
    Connect(/*quiet=*/true);
  } catch (const std::bad_alloc&) {
    LogNoThrow(L"Ran out of memory while connecting to WMI; the next pass tries again\n");
  } catch (...) {
    LogNoThrow(L"Could not connect to WMI because of an unexpected error\n");
  }
}

bool Printers::Connect(bool quiet) {
  if (IsConnected()) return true;
  const Status status = ports_.wmi.Connect(&inventory_);
  ThrowIfOutOfMemory(status);
  if (!status.ok() || !inventory_) {
    inventory_.reset();
    if (!quiet && !unconnectedLogged_) {
      unconnectedLogged_ = true;
      const auto hr = static_cast<uint32_t>(status.ok() ? hresult::kFail : status.code());
      LogPrintfW(L"Could not connect to WMI.  hr: 0x%X; every pass tries again\n", hr);
      RecordEvent(event_id::kWmiUnreachable, {HresultText(hr)});
    }
    return false;
  }
  if (!quiet) LogPrintfW(L"Connected to WMI\n");
  if (unconnectedLogged_) RecordEvent(event_id::kWmiReachable);
  unconnectedLogged_ = false;
  return true;
}

void Printers::ForgetSession(uint32_t sessionId) {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  LogNoThrow(L"Clearing printers for the session: %d\n", static_cast<int32_t>(sessionId));
  renamedBySession.erase(sessionId);
  std::erase_if(leftAloneReported_, [&](const auto& entry) { return entry.first == sessionId; });
}

void Printers::LeftAlone(uint32_t sessionId, const std::wstring& name, const std::wstring& reason) {
  {
    std::lock_guard<std::mutex> lock(cacheMutex_);
    // Names come from remote clients: a bound on what is remembered, at
    // the price of a repeated warning.
    if (leftAloneReported_.size() >= kMaxLeftAloneRemembered) leftAloneReported_.clear();
    if (!leftAloneReported_.emplace(sessionId, name).second) return;
  }
  RecordEvent(event_id::kPrinterLeftAlone, {name, reason});
}

void Printers::ReportPassProblems(const RenamePass& pass, size_t clausesInPass) {
  const RenamePattern& pattern = pass.pattern();
  if (!pattern.failure().empty() && pattern.text() != patternReported_) {
    patternReported_ = pattern.text();
    RecordEvent(event_id::kPatternUnusable, {pattern.text(), Utf8ToWide(pattern.failure())});
  }
  if (clausesInPass != clausesReported_ && clausesInPass > 0)
    RecordEvent(event_id::kClausesInService, {std::to_wstring(clausesInPass)});
  clausesReported_ = clausesInPass;
}

void Printers::Record(uint32_t sessionId, const std::wstring& name) {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  std::vector<std::wstring>& names = renamedBySession[sessionId];
  for (const std::wstring& given : names)
    if (given == name) return;
  names.push_back(name);
}

std::vector<uint32_t> Printers::SessionsGiven(const std::wstring& name) const {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  std::vector<uint32_t> sessions;
  for (const auto& [session, names] : renamedBySession)
    if (std::ranges::any_of(
            names, [&](const std::wstring& given) { return EqualsIgnoringAsciiCase(given, name); }))
      sessions.push_back(session);
  return sessions;
}

std::vector<std::wstring> Printers::AllGivenNames() const {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  std::vector<std::wstring> all;
  for (const auto& [session, names] : renamedBySession)
    all.insert(all.end(), names.begin(), names.end());
  return all;
}

std::map<uint32_t, std::vector<std::wstring>> Printers::RenamedBySession() const {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  return renamedBySession;
}

std::wstring Printers::NextQueryText() const { return BuildQuery(CopySettings()).text; }

PrinterQuery Printers::BuildQuery(const Settings& settings) const {
  return BuildPrinterQuery(settings.OnlyRenTS, settings.DoNotRenList, AllGivenNames());
}

RenamePass Printers::StartPass(const PrinterQuery& query, Settings settings) {
  return RenamePass(ports_, std::move(settings), query, *this);
}

Printers::Listing Printers::VisitPrinters(const std::wstring& query, const PrinterVisitor& visit) {
  LogPrintfW(L"Printer query is %s\n", query);
  std::unique_ptr<PrinterListing> listing;
  const Status status = inventory_->ListPrinters(query, /*toRename=*/true, &listing);
  ThrowIfOutOfMemory(status);
  if (!status.ok() || !listing) {
    // The WMI service may have restarted under the connection, which then
    // fails every call: the next pass connects afresh.
    inventory_.reset();
    return Listing::kRefused;
  }
  LogPrintfW(L"Query succeeded, going to start iterating printers\n");
  for (;;) {
    std::unique_ptr<ListedPrinter> printer;
    const Status next = listing->Next(&printer);
    ThrowIfOutOfMemory(next);
    if (!next.ok()) {
      // WMI stopped answering within the read's bound, or failed under us:
      // the connection may be dead, so the next pass connects afresh.
      LogPrintfW(
          L"Could not read on in the printer list.  hr: 0x%X; the next pass connects again\n",
          static_cast<uint32_t>(next.code()));
      inventory_.reset();
      return Listing::kBrokenOff;
    }
    if (!printer) return Listing::kComplete;
    std::wstring name;
    const Status read = printer->ReadText(ListedPrinter::kDeviceId, &name);
    ThrowIfOutOfMemory(read);
    if (read.ok()) visit(*printer, name);
  }
}

void Printers::RunRenamePassUnguarded() {
  LogPrintfW(L"We want to rename printers now\n");
  if (!Connect(/*quiet=*/false)) return;
  Settings settings = CopySettings();
  const PrinterQuery query = BuildQuery(settings);
  if (!query.namesLeftOut.empty() || !query.driversLeftOut.empty())
    LogPrintfW(
        L"The query would be too long, so this pass itself leaves out %d printer names and %d "
        L"drivers\n",
        static_cast<int32_t>(query.namesLeftOut.size()),
        static_cast<int32_t>(query.driversLeftOut.size()));
  RenamePass pass = StartPass(query, std::move(settings));
  VisitPrinters(query.text, [&](ListedPrinter& printer, const std::wstring& name) {
    pass.HandlePrinter(printer, name);
  });
  ReportPassProblems(pass, query.namesLeftOut.size() + query.driversLeftOut.size());
  LogPrintfW(L"All done renaming printers\n");
}

void Printers::RunRenamePass() {
  try {
    RunRenamePassUnguarded();
  } catch (const std::bad_alloc&) {
    LogNoThrow(L"Ran out of memory, so this rename pass ends here\n");
  } catch (const std::exception& e) {
    LogNoThrow(L"The rename pass ended early because of an error: %s\n", e.what());
  } catch (...) {
    LogNoThrow(L"The rename pass ended early because of an unexpected error\n");
  }
}

PreviewReport Printers::Preview() {
  PreviewReport report;
  try {
    Settings settings = CopySettings();
    if (!TakePreviewSettings(settings, &report)) return report;
    if (!Connect(/*quiet=*/true)) {
      report.failure = L"Could not connect to WMI, so no printer can be listed";
      return report;
    }
    const PrinterQuery query = BuildQuery(settings);
    report.query = query.text;
    RenamePass pass = StartPass(query, std::move(settings));
    std::unordered_map<std::wstring, uint32_t> taken;
    const Listing listed =
        VisitPrinters(query.text, [&](ListedPrinter& printer, const std::wstring& name) {
          report.entries.push_back(pass.PreviewPrinter(printer, name, taken));
        });
    if (listed == Listing::kRefused)
      report.failure = L"WMI refused the query, so no printer can be listed";
    else if (listed == Listing::kBrokenOff)
      report.failure = L"WMI stopped answering, so the printers after these were not listed";
  } catch (const std::bad_alloc&) {
    report.failure = L"Ran out of memory, so the preview ends here";
  } catch (...) {
    report.failure = L"The preview ended early because of an unexpected error";
  }
  return report;
}

}  // namespace vantrel
