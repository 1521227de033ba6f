#include "service/engine/preview_json.h"

#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "settings/setting_values.h"

namespace vantrel {
namespace {

void AppendUnicodeEscape(std::wstring& out, uint32_t unit) {
  constexpr wchar_t kHex[] = L"0123456789abcdef";
  out += L"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 0xF]);
}

// Quotes, backslashes and controls escaped as JSON requires; DEL, C1 and the
// line and paragraph separators too, as the text form does, so a hostile name
// shown on a console cannot steer it. A surrogate that is not half of a pair
// (every surrogate where wchar_t is UTF-32) is no text and could not be
// written as UTF-8, so it goes out as its escape.
void AppendString(std::wstring& out, std::wstring_view text) {
  out.push_back(L'"');
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const auto unit = static_cast<uint32_t>(c);
    switch (c) {
      case L'"':
        out += L"\\\"";
        continue;
      case L'\\':
        out += L"\\\\";
        continue;
      case L'\b':
        out += L"\\b";
        continue;
      case L'\f':
        out += L"\\f";
        continue;
      case L'\n':
        out += L"\\n";
        continue;
      case L'\r':
        out += L"\\r";
        continue;
      case L'\t':
        out += L"\\t";
        continue;
      default:
        break;
    }
    if constexpr (sizeof(wchar_t) == 2) {
      if (IsHighSurrogate(unit) && i + 1 < text.size() &&
          IsLowSurrogate(static_cast<uint32_t>(text[i + 1]))) {
        out.push_back(c);
        out.push_back(text[++i]);
        continue;
      }
    }
    if (IsControlCharacter(unit) || IsHighSurrogate(unit) || IsLowSurrogate(unit))
      AppendUnicodeEscape(out, unit);
    else
      out.push_back(c);
  }
  out.push_back(L'"');
}

// A string, or null when it is empty.
void AppendText(std::wstring& out, std::wstring_view text) {
  if (text.empty())
    out += L"null";
  else
    AppendString(out, text);
}

void AppendNames(std::wstring& out, uint32_t values) {
  out.push_back(L'[');
  bool first = true;
  for (const SettingValue& value : kSettingValues) {
    if (!(values & value.bit)) continue;
    if (!first) out.push_back(L',');
    first = false;
    AppendString(out, value.name);
  }
  out.push_back(L']');
}

// Stable words for scripts. A printer the pass would rename but for a name
// it may not take is "nameTaken": "rename" means it gets a new name.
const wchar_t* VerdictWord(const PreviewEntry& e) {
  switch (e.decision.verdict) {
    case RenameDecision::kRename:
      return e.finalName.empty() ? L"nameTaken" : L"rename";
    case RenameDecision::kExcluded:
      return L"excluded";
    case RenameDecision::kNotOfInterest:
      return L"notOfInterest";
    case RenameDecision::kNoSession:
      return L"noSession";
    case RenameDecision::kNoUser:
      return L"noUser";
    case RenameDecision::kBadName:
      return L"badName";
    case RenameDecision::kNoSid:
      return L"noAccount";
  }
  return L"unknown";
}

const wchar_t* ClashWord(PreviewEntry::Clash clash) {
  switch (clash) {
    case PreviewEntry::kNoClash:
      return L"none";
    case PreviewEntry::kDeletesHolder:
      return L"deletesHolder";
    case PreviewEntry::kHolderKept:
      return L"holderKept";
    case PreviewEntry::kSuffixed:
      return L"suffixed";
    case PreviewEntry::kHolderLive:
      return L"holderLive";
  }
  return L"unknown";
}

}  // namespace

std::wstring FormatPreviewJson(const PreviewReport& report) {
  std::wstring out = L"{\"query\":";
  AppendText(out, report.query);
  out += L",\"printers\":[";
  for (size_t i = 0; i < report.entries.size(); ++i) {
    const PreviewEntry& e = report.entries[i];
    if (i > 0) out.push_back(L',');
    out += L"{\"currentName\":";
    AppendString(out, e.currentName);
    out += L",\"verdict\":\"";
    out += VerdictWord(e);
    out += L"\",\"newName\":";
    AppendText(out, e.finalName);
    out += L",\"clash\":\"";
    out += ClashWord(e.clash);
    out += L"\",\"reason\":";
    AppendText(out, LeftAloneReason(e));
    out.push_back(L'}');
  }
  out += L"],\"policyValues\":";
  AppendNames(out, report.policyValues);
  out += L",\"ignoredPolicyValues\":";
  AppendNames(out, report.ignoredPolicyValues);
  out += L",\"settingsStored\":";
  out += report.settingsStored ? L"true" : L"false";
  out += L",\"failure\":";
  AppendText(out, report.failure);
  out += L",\"count\":" + std::to_wstring(report.entries.size()) + L"}";
  return out;
}

}  // namespace vantrel
