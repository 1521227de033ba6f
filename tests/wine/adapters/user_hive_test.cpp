// The default-printer repointing against the Wine user's real hive under
// HKEY_USERS, through the real registry and account adapters.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/accounts_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/scoped_handle.h"
#include "service/engine/default_printer.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel {
namespace {

constexpr wchar_t kWindowsKey[] = L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const std::vector<std::wstring> kTestSessions = {L"VantrelTest1", L"VantrelTest2", L"VantrelTest3"};

class CountingBroadcaster : public SettingChangeBroadcaster {
 public:
  void BroadcastSettingChange(const std::wstring& area) override { areas.push_back(area); }
  std::vector<std::wstring> areas;
};

std::optional<std::wstring> ReadDevice(HKEY root, const std::wstring& path) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegGetValueW(root, path.c_str(), L"Device", RRF_RT_ANY, &type, buffer, &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  return std::wstring(buffer);
}

void WriteDevice(HKEY root, const std::wstring& path, const std::wstring& value) {
  win32::unique_hkey key;
  ASSERT_EQ(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExW(key.get(), L"Device", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

// Sets up the user's Windows key with a "Device" value and three per-session
// subkeys, and puts back what was there before.
class DefaultPrinterInUserHive : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(GetUserSidString(accounts_, testing::CurrentUserName(), &sid_));
    windowsKey_ = sid_ + kWindowsKey;
    sessionsKey_ = windowsKey_ + L"\\SessionDefaultDevices";
    savedDevice_ = ReadDevice(HKEY_USERS, windowsKey_);
    win32::unique_hkey existing;
    sessionsKeyExisted_ = ::RegOpenKeyExW(HKEY_USERS, sessionsKey_.c_str(), 0, KEY_READ,
                                          existing.put()) == ERROR_SUCCESS;
    for (const auto& session : kTestSessions) {
      WriteDevice(HKEY_USERS, sessionsKey_ + L"\\" + session, L"Stale,winspool,Ne09:");
    }
  }

  void TearDown() override {
    for (const auto& session : kTestSessions) {
      ::RegDeleteKeyW(HKEY_USERS, (sessionsKey_ + L"\\" + session).c_str());
    }
    if (!sessionsKeyExisted_) ::RegDeleteKeyW(HKEY_USERS, sessionsKey_.c_str());
    if (savedDevice_) {
      WriteDevice(HKEY_USERS, windowsKey_, *savedDevice_);
    } else {
      ::RegDeleteKeyValueW(HKEY_USERS, windowsKey_.c_str(), L"Device");
    }
  }

  std::wstring SessionDevice(const std::wstring& session) {
    return ReadDevice(HKEY_USERS, sessionsKey_ + L"\\" + session).value_or(L"<missing>");
  }

  Win32Accounts accounts_;
  Win32Registry registry_;
  CountingBroadcaster broadcaster_;
  std::wstring sid_, windowsKey_, sessionsKey_;
  std::optional<std::wstring> savedDevice_;
  bool sessionsKeyExisted_ = false;
};

TEST_F(DefaultPrinterInUserHive, MatchingDeviceIsCopiedIntoEverySession) {
  const std::wstring device = L"Laser (from C) in session 3,winspool,Ne01:";
  WriteDevice(HKEY_USERS, windowsKey_, device);
  testing::RecordedLog log;
  // The name as renamed, in other letter case: still the same printer.
  RegisterDefaultPrinter(registry_, broadcaster_, sid_, L"LASER (from c) IN SESSION 3");
  for (const auto& session : kTestSessions) EXPECT_EQ(SessionDevice(session), device) << session;
  EXPECT_EQ(broadcaster_.areas, std::vector<std::wstring>{L"windows"});
  EXPECT_TRUE(log.Contains(L"Found the printer we're targetting\n"));
  EXPECT_EQ(ReadDevice(HKEY_USERS, windowsKey_), device);  // only read
}

TEST_F(DefaultPrinterInUserHive, OtherPrinterLeavesTheSessionsAlone) {
  WriteDevice(HKEY_USERS, windowsKey_, L"Other Printer,winspool,Ne02:");
  RegisterDefaultPrinter(registry_, broadcaster_, sid_, L"Laser (from C) in session 3");
  for (const auto& session : kTestSessions) {
    EXPECT_EQ(SessionDevice(session), L"Stale,winspool,Ne09:") << session;
  }
  EXPECT_TRUE(broadcaster_.areas.empty());
}

}  // namespace
}  // namespace vantrel
