// A session user's SID, and making the user's per-session default printers
// follow a renamed printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/accounts.h"
#include "platform/registry.h"

namespace vantrel {

// The binary SID of `userName`, growing the buffers as the lookup asks.
// Returns 0 or a negative HRESULT-form error (HRESULT_FROM_WIN32; E_FAIL when
// the lookup failed without an error code, E_OUTOFMEMORY when a buffer could
// not be allocated). `*lastError`, when given, receives the lookup's error
// code (ERROR_OUTOFMEMORY for an allocation failure). A lookup that keeps
// asking for more room is given up after a few attempts.
int32_t GetUserSid(Accounts& accounts, const std::wstring& userName, std::vector<uint8_t>* sid,
                   uint32_t* lastError = nullptr);

// The SID of `userName` in string form; false (after logging why) when it
// cannot be had.
bool GetUserSidString(Accounts& accounts, const std::wstring& userName, std::wstring* sidString);

// When the user's "Device" value names `printerName`, copies it into every
// per-session default under SessionDefaultDevices and broadcasts the change.
void RegisterDefaultPrinter(Registry& registry, SettingChangeBroadcaster& broadcaster,
                            const std::wstring& sidString, const std::wstring& printerName);

// Splits at commas, which belong to no field: "a,,b," gives "a", "" and "b"
// (a leading comma gives an empty first field, a trailing one adds nothing).
std::vector<std::wstring> SplitAtCommas(const std::wstring& text);

}  // namespace vantrel
