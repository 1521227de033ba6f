#include "tests/fakes/fake_accounts.h"

#include <algorithm>

namespace vantrel::testing {

bool FakeAccounts::LookupAccountName(const std::wstring& name, uint8_t* sid, uint32_t* sidSize,
                                     wchar_t* domain, uint32_t* domainChars, uint32_t* lastError) {
  lookups.push_back({*sidSize, *domainChars});
  if (const Failure fault = Consult(faultPlan, "accounts LookupAccountName");
      fault != Failure::kNone) {
    *lastError =
        fault == Failure::kOutOfMemory ? 8 : 5;  // ERROR_NOT_ENOUGH_MEMORY, ERROR_ACCESS_DENIED
    return false;
  }
  if (lookupHook && lookupHook(sidSize, domainChars, lastError)) return false;
  auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; };
  auto account = std::find_if(accounts_.begin(), accounts_.end(), [&](const Account& a) {
    return std::equal(a.name.begin(), a.name.end(), name.begin(), name.end(),
                      [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
  });
  if (account == accounts_.end()) {
    *lastError = 1332;  // ERROR_NONE_MAPPED
    return false;
  }
  const auto neededSid = static_cast<uint32_t>(account->sid.size());
  const auto neededDomain = static_cast<uint32_t>(account->domain.size() + 1);
  const bool fits = *sidSize >= neededSid && *domainChars >= neededDomain;
  *sidSize = neededSid;
  *domainChars = fits ? neededDomain - 1 : neededDomain;
  if (!fits) {
    *lastError = 122;  // ERROR_INSUFFICIENT_BUFFER
    return false;
  }
  std::copy(account->sid.begin(), account->sid.end(), sid);
  std::copy(account->domain.c_str(), account->domain.c_str() + neededDomain, domain);
  return true;
}

bool FakeAccounts::ConvertSidToStringSid(const std::vector<uint8_t>& sid, std::wstring* text) {
  // Real SIDs carry their own length; here the text ends at the first NUL.
  if (const Failure fault = Consult(faultPlan, "accounts ConvertSidToStringSid");
      fault != Failure::kNone) {
    text->clear();
    return fault == Failure::kEmpty;
  }
  const auto end = std::find(sid.begin(), sid.end(), 0);
  if (convertFails || end == sid.begin()) return false;
  *text = std::wstring(sid.begin(), end);
  return true;
}

}  // namespace vantrel::testing
