// Account lookup, SID text, and the settings-change broadcast.
#pragma once

#include "platform/accounts.h"

namespace vantrel {

class Win32Accounts : public Accounts {
 public:
  Win32Accounts() = default;
  Status LookUpSid(const std::wstring& name, uint8_t* sid, uint32_t* sidSize, wchar_t* domain,
                   uint32_t* domainChars) override;
  Status SidToText(const std::vector<uint8_t>& sid, std::wstring* text) override;
};

class Win32SettingChangeBroadcaster : public SettingChangeBroadcaster {
 public:
  Win32SettingChangeBroadcaster() = default;
  void BroadcastSettingChange(const std::wstring& area) override;
};

}  // namespace vantrel
