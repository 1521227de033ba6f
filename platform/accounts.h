// Accounts and SIDs, for finding a user's hive under HKEY_USERS. Adapter:
// platform/win32/accounts_win32.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

class Accounts {
 public:
  virtual ~Accounts() = default;

  // LookupAccountNameW(nullptr, name, sid, &sidSize, domain, &domainChars,
  // &use). `sid` holds `*sidSize` bytes and `domain` `*domainChars` units on
  // entry; on ERROR_INSUFFICIENT_BUFFER the two sizes report what is needed.
  // Returns true on success; on failure `*lastError` is GetLastError().
  virtual bool LookupAccountName(const std::wstring& name, uint8_t* sid, uint32_t* sidSize,
                                 wchar_t* domain, uint32_t* domainChars, uint32_t* lastError) = 0;

  // ConvertSidToStringSidW, the string freed with LocalFree. False on failure.
  virtual bool ConvertSidToStringSid(const std::vector<uint8_t>& sid, std::wstring* text) = 0;
};

// SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, (LPARAM)area):
// posted to other threads' windows without waiting.
class SettingChangeBroadcaster {
 public:
  virtual ~SettingChangeBroadcaster() = default;
  virtual void BroadcastSettingChange(const std::wstring& area) = 0;
};

}  // namespace vantrel
