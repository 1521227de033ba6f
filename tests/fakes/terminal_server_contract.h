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

// `domain\user` is a user account with a domain SID (S-1-5-21-...); a
// group's name is no user's.
inline void CheckAccountsContract(Accounts& accounts, const std::wstring& domain,
                                  const std::wstring& user) {
  std::wstring sid;
  ASSERT_TRUE(accounts.LookUpUserSid(domain, user, &sid).ok());
  EXPECT_TRUE(sid.starts_with(L"S-1-5-21-")) << sid;
  for (const auto& [otherDomain, name] :
       {std::pair<std::wstring, std::wstring>{domain, L"vantrel-no-such-user"},
        {L"BUILTIN", L"Administrators"}}) {
    std::wstring untouched = L"untouched";
    EXPECT_EQ(accounts.LookUpUserSid(otherDomain, name, &untouched),
              Status(win32_error::kNoneMapped))
        << otherDomain << L"\\" << name;
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
