// A preview of a rename pass: what each listed printer would become with the
// stored settings, found by the pass's own decisions and reported as lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/engine/rename_decision.h"
#include "settings/settings.h"

namespace vantrel {

struct PreviewEntry {
  enum Clash {
    kNoClash,        // the new name is free
    kDeletesHolder,  // the printer holding it is redirected and would be deleted
    kHolderKept,     // the holder is not a redirected printer: nothing happens
    kSuffixed,       // the name with the duplicate suffix is taken instead
    kHolderLive,     // the name is another live session's: nothing happens
  };
  std::wstring currentName;
  RenameDecision decision;
  Clash clash = kNoClash;
  std::wstring finalName;      // the name it would bear; empty when left alone
  uint32_t holderSession = 0;  // with kHolderLive
};

struct PreviewReport {
  // Why nothing could be listed (unreadable settings, no WMI, a refused
  // query, no memory), or empty.
  std::wstring failure;
  // The settings it ran with: false when no settings key exists, so the
  // defaults apply; the values policy set and those it held unusable
  // (SettingValue::bit).
  bool settingsStored = true;
  uint32_t policyValues = 0;
  uint32_t ignoredPolicyValues = 0;
  std::wstring query;
  std::vector<PreviewEntry> entries;
};

// Takes what the report tells of `settings` (loaded read-only). False, with
// the failure set, when the settings key or the policy key exists but cannot
// be read: previewing with other settings than the service's would mislead.
bool TakePreviewSettings(const Settings& settings, PreviewReport* report);

// Why the printer would be left as it is, in the words the preview and the
// event log share; empty when it would be renamed.
std::wstring LeftAloneReason(const PreviewEntry& entry);

// The report as the lines `Vantrel.exe preview` prints: the query, one line
// per listed printer, and the count; first, where the settings came from.
std::vector<std::wstring> FormatPreview(const PreviewReport& report);

}  // namespace vantrel
