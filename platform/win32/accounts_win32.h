// Account lookup, SID text, and the settings-change broadcast.
#pragma once

#include "platform/accounts.h"

namespace vantrel {

// The overrides are inline on purpose: LookupAccountName and
// ConvertSidToStringSid are also the names of Win32 A/W macros, so a file
// that includes <windows.h> or <sddl.h> may see them spelt with a W. Each
// file then compiles its own matching forwarder, and the work itself sits
// behind names no macro touches.
class Win32Accounts : public Accounts {
 public:
  Win32Accounts() = default;

  bool LookupAccountName(const std::wstring& name, uint8_t* sid, uint32_t* sidSize, wchar_t* domain,
                         uint32_t* domainChars, uint32_t* lastError) override {
    return LookUpSid(name, sid, sidSize, domain, domainChars, lastError);
  }
  bool ConvertSidToStringSid(const std::vector<uint8_t>& sid, std::wstring* text) override {
    return SidToText(sid, text);
  }

 private:
  static bool LookUpSid(const std::wstring& name, uint8_t* sid, uint32_t* sidSize, wchar_t* domain,
                        uint32_t* domainChars, uint32_t* lastError);
  static bool SidToText(const std::vector<uint8_t>& sid, std::wstring* text);
};

class Win32SettingChangeBroadcaster : public SettingChangeBroadcaster {
 public:
  Win32SettingChangeBroadcaster() = default;
  void BroadcastSettingChange(const std::wstring& area) override;
};

}  // namespace vantrel
