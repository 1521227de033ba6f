// A session user's SID, and making the user's per-session default printers
// follow a renamed printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/accounts.h"
#include "platform/registry.h"

namespace vantrel {

// The SID, in string form, of the user account `domainName\userName`; false
// (after logging why) when it cannot be had. Without a domain nothing is
// looked up: a bare name could find another account of the same name.
bool GetUserSidString(Accounts& accounts, const std::wstring& domainName,
                      const std::wstring& userName, std::wstring* sidString);

// The user's key, under the SID's hive, that holds the "Device" value.
inline constexpr wchar_t kUserWindowsKey[] =
    L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

// When the user's "Device" value names `printerName`, copies it into every
// per-session default under SessionDefaultDevices and broadcasts the change.
void RegisterDefaultPrinter(Registry& registry, SettingChangeBroadcaster& broadcaster,
                            const std::wstring& sidString, const std::wstring& printerName);

}  // namespace vantrel
