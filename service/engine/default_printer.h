// A session user's SID, and making the user's per-session default printers
// follow a renamed printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/accounts.h"
#include "platform/registry.h"

namespace vantrel {

// The SID of `userName` in string form; false (after logging why) when it
// cannot be had.
bool GetUserSidString(Accounts& accounts, const std::wstring& userName, std::wstring* sidString);

// When the user's "Device" value names `printerName`, copies it into every
// per-session default under SessionDefaultDevices and broadcasts the change.
void RegisterDefaultPrinter(Registry& registry, SettingChangeBroadcaster& broadcaster,
                            const std::wstring& sidString, const std::wstring& printerName);

}  // namespace vantrel
