#include "service/engine/preview.h"

#include <string>
#include <utility>

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
      return d.newName + L" cannot be a printer name: " + d.badName;
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

// A key that is absent is fine (defaults, or no policy); one that exists
// but cannot be opened is not.
bool Readable(Status status) { return status.ok() || status.code() == win32_error::kFileNotFound; }

}  // namespace

bool TakePreviewSettings(const Settings& settings, PreviewReport* report) {
  for (const auto& [status, path] : {std::pair(settings.KeyStatus(), kSettingsKeyPath),
                                     std::pair(settings.PolicyKeyStatus(), kPolicyKeyPath)}) {
    if (Readable(status)) continue;
    report->failure = std::wstring(L"Cannot read HKEY_LOCAL_MACHINE\\") + path + L" (error " +
                      std::to_wstring(status.code()) +
                      L"), so the settings the service uses are unknown and nothing is previewed";
    return false;
  }
  report->settingsStored = settings.KeyStatus().ok();
  report->policyValues = settings.PolicyValues();
  report->ignoredPolicyValues = settings.IgnoredPolicyValues();
  return true;
}

std::vector<std::wstring> FormatPreview(const PreviewReport& report) {
  std::vector<std::wstring> lines;
  if (!report.settingsStored)
    lines.push_back(std::wstring(L"No settings are stored (HKEY_LOCAL_MACHINE\\") +
                    kSettingsKeyPath + L" does not exist), so the defaults apply");
  for (const SettingValue& value : kSettingValues) {
    if (report.policyValues & value.bit)
      lines.push_back(std::wstring(value.name) + L" comes from Group Policy");
    if (report.ignoredPolicyValues & value.bit)
      lines.push_back(std::wstring(L"Group Policy's ") + value.name +
                      L" is ignored: it is of another type or too long");
  }
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
