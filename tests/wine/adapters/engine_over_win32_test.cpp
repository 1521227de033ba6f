// Engine operations over the real adapters: the spooler's contract and the
// default-printer repointing in a scratch HKEY_USERS. (A pass over Wine's
// WMI runs in the end-to-end preview check.)
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/registry_win32.h"
#include "platform/win32/spooler_win32.h"
#include "service/engine/default_printer.h"
#include "tests/fakes/spooler_contract.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel {
namespace {

// Printers the spooler knows only from their registry keys: driver and port
// need not exist for one to be opened, read and deleted.
TEST(SpoolerContract, Win32Spooler) {
  const std::wstring printers = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";
  std::vector<std::wstring> installed;
  auto install = [&](const std::wstring& name, const wchar_t* port, DWORD attributes) {
    const std::wstring key = printers + name;
    // clang-format off
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"Name", name}, {L"Port", port}, {L"Printer Driver", L"Remote Desktop Easy Print"},
        {L"Print Processor", L"winprint"}, {L"Datatype", L"RAW"}};
    // clang-format on
    for (const auto& [value, text] : values)
      ASSERT_EQ(testing::PutRegString(HKEY_LOCAL_MACHINE, key, value, text), ERROR_SUCCESS);
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Attributes", REG_DWORD, &attributes, 4);
    installed.push_back(key);
  };
  Win32Spooler spooler;
  testing::ExpectSpoolerContract(spooler, install, !testing::RunningUnderWine());
  // Gone with their printers; deleted here if not, to keep the prefix clean.
  for (const std::wstring& key : installed)
    EXPECT_EQ(::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str()), ERROR_FILE_NOT_FOUND);
}

class CountingBroadcaster : public SettingChangeBroadcaster {
 public:
  void BroadcastSettingChange(const std::wstring& area) override { areas.push_back(area); }
  std::vector<std::wstring> areas;
};

// "Device" under the key in HKEY_USERS; "<missing>" when absent.
std::wstring Device(const std::wstring& path) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_USERS, path.c_str(), L"Device", RRF_RT_REG_SZ, nullptr, buffer, &size))
    return L"<missing>";
  return buffer;
}

// The matching device, in other letter case too, is copied into every
// session's key, and the change announced once. (Which values match is the
// native tests' table; here the real registry's keys are walked.)
TEST(DefaultPrinterInUserHive, TheMatchingDeviceIsCopiedIntoEverySession) {
  testing::ScratchRegistryRoot users(HKEY_USERS);  // no real user's hive is touched
  ASSERT_TRUE(users.ok());
  const std::wstring sid = L"S-1-5-21-0-0-0-1000";
  const std::wstring windowsKey = sid + kUserWindowsKey;
  const std::wstring device = L"Laser (from C) in session 3,winspool,Ne01:";
  std::vector<std::wstring> keys = {windowsKey};
  for (const wchar_t* session : {L"1", L"2", L"3"}) {
    keys.push_back(windowsKey + L"\\SessionDefaultDevices\\" + session);
    ASSERT_EQ(testing::PutRegString(HKEY_USERS, keys.back(), L"Device", L"Stale,winspool,Ne09:"),
              ERROR_SUCCESS);
  }
  ASSERT_EQ(testing::PutRegString(HKEY_USERS, windowsKey, L"Device", device), ERROR_SUCCESS);
  Win32Registry registry;
  CountingBroadcaster broadcaster;
  RegisterDefaultPrinter(registry, broadcaster, sid, L"LASER (from c) IN SESSION 3");
  for (const std::wstring& key : keys) EXPECT_EQ(Device(key), device) << key;
  EXPECT_EQ(broadcaster.areas, std::vector<std::wstring>{L"windows"});
}

}  // namespace
}  // namespace vantrel
