#include "service/engine/preview.h"

#include <string>

#include "platform/text.h"

namespace vantrel {

std::wstring LeftAloneReason(const PreviewEntry& e) {
  const RenameDecision& d = e.decision;
  switch (d.verdict) {
    case RenameDecision::kRename:
      switch (e.clash) {
        case PreviewEntry::kHolderKept:
          return d.newName +
                 L" is held by a printer that is not redirected, which is never deleted";
        case PreviewEntry::kHolderLive:
          return d.newName + L" was given to session " + std::to_wstring(e.holderSession) +
                 L", which still exists";
        default:
          return {};
      }
    case RenameDecision::kExcluded:
      return L"an excluded driver";
    case RenameDecision::kNotOfInterest:
      return L"not of interest: the regular expression does not match";
    case RenameDecision::kNoSession:
      return L"no session found in its name";
    case RenameDecision::kNoUser:
      return L"no user in session " + std::to_wstring(d.sessionId);
    case RenameDecision::kBadName:
      return d.newName + L" cannot be a printer name: " + (d.badName ? d.badName : L"?");
    case RenameDecision::kNoSid:
      return L"no account found for the user " + d.userName;
  }
  return L"?";
}

namespace {

std::wstring Describe(const PreviewEntry& e) {
  if (const std::wstring why = LeftAloneReason(e); !why.empty())
    return e.currentName + L": left alone (" + why + L")";
  std::wstring line = e.currentName + L" -> " + e.finalName;
  if (e.clash == PreviewEntry::kDeletesHolder)
    line += L" (the other redirected printer of that name would be deleted)";
  else if (e.clash == PreviewEntry::kSuffixed)
    line += L" (" + e.decision.newName + L" is taken)";
  return line;
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
