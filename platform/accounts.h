// Accounts and SIDs, for finding a user's hive under HKEY_USERS, and the
// broadcast that tells windows a user's settings changed. Adapter:
// platform/win32/accounts_win32.cpp. Status codes are Win32 error codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vantrel {

class Accounts {
 public:
  virtual ~Accounts() = default;

  // The SID, as text ("S-1-5-21-..."), of the user account `domain\user`:
  // LookupAccountNameW(nullptr, "domain\user", ...) with its buffers grown
  // once if it asks, then ConvertSidToStringSidW. The name is always
  // qualified: a bare one would find a local account of the same name first.
  // An account that is not a user's (a group, an alias, a computer) is
  // ERROR_NONE_MAPPED, like an unknown name. `*sid` is untouched on failure.
  virtual Status LookUpUserSid(const std::wstring& domain, const std::wstring& user,
                               std::wstring* sid) = 0;
};

// SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, (LPARAM)area):
// posted to other threads' windows without waiting.
class SettingChangeBroadcaster {
 public:
  virtual ~SettingChangeBroadcaster() = default;
  virtual void BroadcastSettingChange(const std::wstring& area) = 0;
};

}  // namespace vantrel
