// In-memory accounts: user names with their SIDs, following the buffer-size
// protocol of LookupAccountNameW, and a broadcaster that records what it
// was asked to announce.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/accounts.h"

namespace vantrel::testing {

class FakeAccounts : public Accounts {
 public:
  static constexpr uint32_t kInsufficientBuffer = 122;
  static constexpr uint32_t kNoneMapped = 1332;

  struct Account {
    std::wstring name;
    std::vector<uint8_t> sid;
    std::wstring domain;
  };
  // The sizes a LookupAccountName call was given on entry.
  struct LookupCall {
    std::wstring name;
    uint32_t sidSize;
    uint32_t domainChars;
  };

  // `sidString` in the "S-1-5-21-..." form; stored as the binary SID.
  void AddUser(const std::wstring& name, const std::wstring& sidString,
               const std::wstring& domain = L"VANTREL");

  // Names are matched without regard to ASCII case, as accounts are. Too
  // small a buffer (either one) fails with 122 and both needed sizes; an
  // unknown name fails with 1332.
  bool LookupAccountName(const std::wstring& name, uint8_t* sid, uint32_t* sidSize, wchar_t* domain,
                         uint32_t* domainChars, uint32_t* lastError) override;
  // Decodes the binary SID as the real call does (revision 1, authority,
  // sub-authorities); false for malformed bytes or when convertFails is set.
  bool ConvertSidToStringSid(const std::vector<uint8_t>& sid, std::wstring* text) override;

  // Binary form of a SID string; empty when it is not one.
  static std::vector<uint8_t> SidFromString(const std::wstring& sidString);

  // Runs before every lookup; a non-zero result makes it fail with that
  // error, the sizes as the hook left them.
  std::function<uint32_t(const std::wstring& name, uint32_t* sidSize, uint32_t* domainChars)>
      lookupHook;
  bool convertFails = false;

  std::vector<LookupCall> lookups;

 private:
  std::vector<Account> accounts_;
};

class FakeSettingChangeBroadcaster : public SettingChangeBroadcaster {
 public:
  void BroadcastSettingChange(const std::wstring& area) override { areas.push_back(area); }
  std::vector<std::wstring> areas;
};

}  // namespace vantrel::testing
