// Account lookup and the settings-change broadcast.
#pragma once

#include "platform/accounts.h"

namespace vantrel {

class Win32Accounts : public Accounts {
 public:
  Win32Accounts() = default;
  Status LookUpUserSid(const std::wstring& domain, const std::wstring& user,
                       std::wstring* sid) override;
};

class Win32SettingChangeBroadcaster : public SettingChangeBroadcaster {
 public:
  Win32SettingChangeBroadcaster() = default;
  void BroadcastSettingChange(const std::wstring& area) override;
};

}  // namespace vantrel
