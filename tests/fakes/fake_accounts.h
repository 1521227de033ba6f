// In-memory accounts following the buffer-size protocol of
// LookupAccountNameW, and a broadcaster that records what it announces.
// A SID here is opaque bytes: the characters of its string form.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/accounts.h"
#include "tests/fakes/fault_plan.h"

namespace vantrel::testing {

class FakeAccounts : public Accounts {
 public:
  void AddUser(const std::wstring& name, const std::wstring& sidString,
               const std::wstring& domain = L"VANTREL") {
    accounts_.push_back({name, sidString, domain});
  }

  // Names match without regard to ASCII case. Too small a buffer (either
  // one) fails with 122 and both needed sizes; an unknown name with 1332.
  bool LookupAccountName(const std::wstring& name, uint8_t* sid, uint32_t* sidSize, wchar_t* domain,
                         uint32_t* domainChars, uint32_t* lastError) override;
  bool ConvertSidToStringSid(const std::vector<uint8_t>& sid, std::wstring* text) override;

  // Runs before every lookup; returning true fails it with `*lastError` and
  // the sizes as the hook left them.
  std::function<bool(uint32_t* sidSize, uint32_t* domainChars, uint32_t* lastError)> lookupHook;
  bool convertFails = false;
  // The SID and domain sizes each lookup was given on entry.
  std::vector<std::pair<uint32_t, uint32_t>> lookups;
  FaultPlan* faultPlan = nullptr;

 private:
  struct Account {
    std::wstring name, sid, domain;
  };
  std::vector<Account> accounts_;
};

class FakeSettingChangeBroadcaster : public SettingChangeBroadcaster {
 public:
  void BroadcastSettingChange(const std::wstring& area) override {
    if (Consult(faultPlan, "broadcaster BroadcastSettingChange") == Failure::kNone)
      areas.push_back(area);  // a failed one is lost without a word
  }
  std::vector<std::wstring> areas;
  FaultPlan* faultPlan = nullptr;
};

}  // namespace vantrel::testing
