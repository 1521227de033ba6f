// What the accounts and Terminal Services ports promise, in one test body
// each: run natively against FakeTerminalServer and under Wine against the
// Win32 adapters, so the fake is shown to answer as the platform does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/accounts.h"
#include "platform/terminal_services.h"

namespace vantrel::testing {

// `user` has an account whose SID is a domain one (S-1-5-21-...).
inline void CheckAccountsContract(Accounts& accounts, const std::wstring& user) {
  // Buffers too small on purpose: the call says how much it needs.
  std::vector<uint8_t> sid(1);
  std::vector<wchar_t> domain(1);
  uint32_t sidSize = 1, domainChars = 1;
  EXPECT_EQ(accounts.LookUpSid(user, sid.data(), &sidSize, domain.data(), &domainChars),
            Status(win32_error::kInsufficientBuffer));
  ASSERT_TRUE(sidSize > 1 && domainChars > 1);
  sid.assign(sidSize, 0);
  domain.assign(domainChars, L'?');
  ASSERT_TRUE(accounts.LookUpSid(user, sid.data(), &sidSize, domain.data(), &domainChars).ok());
  // On success the domain's length comes back, without its NUL.
  EXPECT_EQ(std::tuple(sidSize, domainChars + 1, domain[domainChars]),
            std::tuple(sid.size(), domain.size(), L'\0'));
  std::wstring text;
  ASSERT_TRUE(accounts.SidToText(sid, &text).ok());
  EXPECT_TRUE(text.starts_with(L"S-1-5-21-")) << text;

  std::vector<uint8_t> noSid(sidSize);
  EXPECT_EQ(accounts.LookUpSid(L"vantrel-no-such-user", noSid.data(), &sidSize, domain.data(),
                               &domainChars),
            Status(win32_error::kNoneMapped));

  // Bytes that are no whole SID are refused, never read past their end:
  // none, the header alone, one byte short, another revision.
  std::vector<uint8_t> otherRevision = sid;
  otherRevision[0] ^= 0x80;
  for (const std::vector<uint8_t>& bad :
       {std::vector<uint8_t>(), std::vector<uint8_t>(sid.begin(), sid.begin() + 8),
        std::vector<uint8_t>(sid.begin(), sid.end() - 1), otherRevision}) {
    std::wstring untouched = L"untouched";
    EXPECT_EQ(accounts.SidToText(bad, &untouched), Status(win32_error::kInvalidSid));
    EXPECT_EQ(untouched, L"untouched");
  }
}

// `session` is a session whose user is `user`.
inline void CheckTerminalServicesContract(TerminalServices& wts, uint32_t session,
                                          const std::wstring& user) {
  std::wstring text;
  ASSERT_TRUE(wts.QuerySessionInformation(session, WtsInfoClass::kUserName, &text).ok());
  EXPECT_EQ(text, user);

  // StrToIntExW on the digit runs the engine hands it. Past INT_MAX it wraps
  // silently: the name composition checks the digits before trusting it.
  // An empty run is refused with the value untouched (-99).
  const std::pair<const wchar_t*, int32_t> runs[] = {{L"007", 7},
                                                     {L"2147483647", INT32_MAX},
                                                     {L"2147483648", INT32_MIN},
                                                     {L"4294967299", 3},
                                                     {L"", -99}};
  for (const auto& [digits, expected] : runs) {
    int32_t value = -99;
    EXPECT_EQ(wts.ParseInteger(digits, &value),
              Status(*digits ? win32_error::kSuccess : win32_error::kInvalidParameter));
    EXPECT_EQ(value, expected) << digits;
  }
}

}  // namespace vantrel::testing
