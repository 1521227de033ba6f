#include "tests/fakes/fake_accounts.h"

#include <algorithm>
#include <cstring>

namespace vantrel::testing {
namespace {

bool SameNameNoCase(const std::wstring& a, const std::wstring& b) {
  auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

// Decimal fields of "S-1-5-21-..."; false on anything else.
bool ParseSidFields(const std::wstring& text, std::vector<uint64_t>* fields) {
  if (text.size() < 2 || text[0] != L'S' || text[1] != L'-') return false;
  uint64_t value = 0;
  bool any = false;
  for (size_t i = 2; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == L'-') {
      if (!any) return false;
      fields->push_back(value);
      value = 0;
      any = false;
    } else if (text[i] >= L'0' && text[i] <= L'9') {
      value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
      any = true;
    } else {
      return false;
    }
  }
  return fields->size() >= 2;
}

}  // namespace

std::vector<uint8_t> FakeAccounts::SidFromString(const std::wstring& sidString) {
  std::vector<uint64_t> fields;
  if (!ParseSidFields(sidString, &fields)) return {};
  std::vector<uint8_t> sid;
  sid.push_back(static_cast<uint8_t>(fields[0]));  // revision
  sid.push_back(static_cast<uint8_t>(fields.size() - 2));
  for (int shift = 40; shift >= 0; shift -= 8)  // authority, big-endian
    sid.push_back(static_cast<uint8_t>(fields[1] >> shift));
  for (size_t i = 2; i < fields.size(); ++i)
    for (int shift = 0; shift < 32; shift += 8)  // sub-authorities, little-endian
      sid.push_back(static_cast<uint8_t>(fields[i] >> shift));
  return sid;
}

void FakeAccounts::AddUser(const std::wstring& name, const std::wstring& sidString,
                           const std::wstring& domain) {
  accounts_.push_back(Account{name, SidFromString(sidString), domain});
}

bool FakeAccounts::LookupAccountName(const std::wstring& name, uint8_t* sid, uint32_t* sidSize,
                                     wchar_t* domain, uint32_t* domainChars, uint32_t* lastError) {
  lookups.push_back(LookupCall{name, *sidSize, *domainChars});
  if (lookupHook) {
    if (uint32_t error = lookupHook(name, sidSize, domainChars)) {
      *lastError = error;
      return false;
    }
  }
  auto account = std::find_if(accounts_.begin(), accounts_.end(),
                              [&](const Account& a) { return SameNameNoCase(a.name, name); });
  if (account == accounts_.end()) {
    *lastError = kNoneMapped;
    return false;
  }
  const auto neededSid = static_cast<uint32_t>(account->sid.size());
  const auto neededDomain = static_cast<uint32_t>(account->domain.size() + 1);
  if (*sidSize < neededSid || *domainChars < neededDomain) {
    *sidSize = neededSid;
    *domainChars = neededDomain;
    *lastError = kInsufficientBuffer;
    return false;
  }
  std::memcpy(sid, account->sid.data(), neededSid);
  std::copy(account->domain.begin(), account->domain.end(), domain);
  domain[account->domain.size()] = L'\0';
  *sidSize = neededSid;
  *domainChars = neededDomain - 1;
  return true;
}

bool FakeAccounts::ConvertSidToStringSid(const std::vector<uint8_t>& sid, std::wstring* text) {
  if (convertFails || sid.size() < 8 || sid[0] != 1) return false;
  const size_t count = sid[1];
  if (sid.size() < 8 + 4 * count) return false;
  uint64_t authority = 0;
  for (size_t i = 2; i < 8; ++i) authority = (authority << 8) | sid[i];
  std::wstring out = L"S-1-" + std::to_wstring(authority);
  for (size_t i = 0; i < count; ++i) {
    uint32_t sub = 0;
    for (size_t b = 0; b < 4; ++b) sub |= static_cast<uint32_t>(sid[8 + 4 * i + b]) << (8 * b);
    out += L"-" + std::to_wstring(sub);
  }
  *text = out;
  return true;
}

}  // namespace vantrel::testing
