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

  // LookupAccountNameW(nullptr, name, sid, &sidSize, domain, &domainChars,
  // &use). `sid` holds `*sidSize` bytes and `domain` `*domainChars` units on
  // entry; on ERROR_INSUFFICIENT_BUFFER the two sizes report what is needed.
  virtual Status LookUpSid(const std::wstring& name, uint8_t* sid, uint32_t* sidSize,
                           wchar_t* domain, uint32_t* domainChars) = 0;

  // ConvertSidToStringSidW. Bytes that are no whole SID give
  // ERROR_INVALID_SID; `*text` is untouched on failure.
  virtual Status SidToText(const std::vector<uint8_t>& sid, std::wstring* text) = 0;
};

// SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, (LPARAM)area):
// posted to other threads' windows without waiting.
class SettingChangeBroadcaster {
 public:
  virtual ~SettingChangeBroadcaster() = default;
  virtual void BroadcastSettingChange(const std::wstring& area) = 0;
};

}  // namespace vantrel
