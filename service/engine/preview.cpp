#include "service/engine/preview.h"

#include <string>

#include "platform/text.h"

namespace vantrel {

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
        case PreviewEntry::kHolderLive:
          return leftAlone + d.newName + L" was given to session " +
                 std::to_wstring(e.holderSession) + L", which still exists)";
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
  // Names come from remote clients: none may start a line of its own.
  if (!report.query.empty())
    lines.push_back(EscapeControlCharacters(L"Printer query is " + report.query));
  for (const PreviewEntry& entry : report.entries)
    lines.push_back(EscapeControlCharacters(Describe(entry)));
  if (!report.failure.empty()) lines.push_back(report.failure);
  const size_t count = report.entries.size();
  lines.push_back(std::to_wstring(count) + (count == 1 ? L" printer" : L" printers"));
  return lines;
}

}  // namespace vantrel
