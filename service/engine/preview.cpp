#include "service/engine/preview.h"

#include <new>
#include <utility>

#include "service/engine/name_composition.h"
#include "service/engine/printers.h"
#include "service/engine/read_only_ports.h"
#include "service/engine/rename_pass.h"

namespace vantrel {

PreviewReport Printers::Preview() {
  PreviewReport report;
  try {
    if (!Connect(/*quiet=*/true)) {
      report.failure = L"Could not connect to WMI, so no printer can be listed";
      return report;
    }
    Settings settings = CopySettings();
    const PrinterQuery query = BuildQuery(settings);
    report.query = query.text;
    RenamePassState pass(*services, std::move(settings), query);
    std::unordered_set<std::wstring> taken;
    const bool listed =
        EnumeratePrinters(query.text, [&](WmiObject& printer, const std::wstring& name) {
          report.entries.push_back(PreviewPrinter(pass, printer, name, taken));
        });
    if (!listed) report.failure = L"WMI refused the query, so no printer can be listed";
  } catch (const std::bad_alloc&) {
    report.failure = L"Ran out of memory, so the preview ends here";
  } catch (...) {
    report.failure = L"The preview ended early because of an unexpected error";
  }
  return report;
}

// Finds what the rename's clash handling would meet: names given earlier in
// this preview count as taken, as they would be in a real pass.
PreviewEntry Printers::PreviewPrinter(RenamePassState& pass, WmiObject& printer,
                                      const std::wstring& currentName,
                                      std::unordered_set<std::wstring>& taken) {
  PreviewEntry entry;
  entry.currentName = currentName;
  entry.decision = Decide(pass, printer, currentName);
  if (entry.decision.verdict != RenameDecision::kRename) return entry;
  const std::wstring& newName = entry.decision.newName;
  entry.finalName = newName;

  bool held = taken.count(FoldCase(newName)) > 0;
  bool holderRedirected = held;  // only redirected printers are renamed
  if (!held && FoldCase(newName) != FoldCase(currentName)) {
    if (std::unique_ptr<PrinterHandle> holder =
            ports_.spooler.OpenPrinter(newName, kPrinterAccessUse)) {
      held = true;
      PrinterInfo info;
      uint32_t error = 0;
      holderRedirected = holder->ReadInfo(&info, &error) && IsRedirectedPrinter(info);
    }
  }
  if (held && pass.settings.DeleteDuplicates) {
    entry.clash = holderRedirected ? PreviewEntry::kDeletesHolder : PreviewEntry::kHolderKept;
    if (!holderRedirected) entry.finalName.clear();
  } else if (held) {
    std::wstring suffix = pass.settings.AppendToDuplicates;
    TrimWhitespace(suffix);
    entry.clash = PreviewEntry::kSuffixed;
    entry.finalName = newName + L" " + suffix;
    if ((entry.decision.badName = WhyNotAPrinterName(entry.finalName))) {
      entry.decision.verdict = RenameDecision::kBadName;
      entry.decision.newName = entry.finalName;
      entry.finalName.clear();
    }
  }
  if (!entry.finalName.empty()) taken.insert(FoldCase(entry.finalName));
  return entry;
}

namespace {

std::wstring Describe(const PreviewEntry& e) {
  const RenameDecision& d = e.decision;
  const std::wstring leftAlone = e.currentName + L": left alone (";
  switch (d.verdict) {
    case RenameDecision::kRename:
      switch (e.clash) {
        case PreviewEntry::kNoClash:
          return e.currentName + L" -> " + e.finalName;
        case PreviewEntry::kDeletesHolder:
          return e.currentName + L" -> " + e.finalName +
                 L" (the other redirected printer of that name would be deleted)";
        case PreviewEntry::kHolderKept:
          return leftAlone + d.newName +
                 L" is held by a printer that is not redirected, which is never deleted)";
        case PreviewEntry::kSuffixed:
          return e.currentName + L" -> " + e.finalName + L" (" + d.newName + L" is taken)";
      }
      break;
    case RenameDecision::kExcluded:
      return leftAlone + L"an excluded driver)";
    case RenameDecision::kNotOfInterest:
      return leftAlone + L"not of interest: the regular expression does not match)";
    case RenameDecision::kNoSession:
      return leftAlone + L"no session found in its name)";
    case RenameDecision::kNoUser:
      return leftAlone + L"no user in session " + std::to_wstring(d.sessionId) + L")";
    case RenameDecision::kBadName:
      return leftAlone + d.newName + L" cannot be a printer name: " + d.badName + L")";
    case RenameDecision::kNoSid:
      return leftAlone + L"no account found for the user " + d.userName + L")";
  }
  return leftAlone + L"?)";
}

}  // namespace

std::vector<std::wstring> FormatPreview(const PreviewReport& report) {
  std::vector<std::wstring> lines;
  if (!report.query.empty()) lines.push_back(L"Printer query is " + report.query);
  for (const PreviewEntry& entry : report.entries) lines.push_back(Describe(entry));
  if (!report.failure.empty()) lines.push_back(report.failure);
  const size_t count = report.entries.size();
  lines.push_back(std::to_wstring(count) + (count == 1 ? L" printer" : L" printers"));
  return lines;
}

}  // namespace vantrel
