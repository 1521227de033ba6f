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

TEST(DefaultPrinterInUserHive, OnlyTheMatchingDeviceIsCopiedIntoEverySession) {
  testing::ScratchRegistryRoot users(HKEY_USERS);  // no real user's hive is touched
  ASSERT_TRUE(users.ok());
  const std::wstring sid = L"S-1-5-21-0-0-0-1000";
  const std::wstring windowsKey =
      sid + L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  const auto setDevice = [](const std::wstring& path, const std::wstring& device) {
    EXPECT_EQ(testing::PutRegString(HKEY_USERS, path, L"Device", device), ERROR_SUCCESS);
  };
  std::vector<std::wstring> sessions;
  for (const wchar_t* session : {L"1", L"2", L"3"})
    sessions.push_back(windowsKey + L"\\SessionDefaultDevices\\" + session);
  const auto sessionDevices = [&] {
    std::vector<std::wstring> devices;
    for (const auto& session : sessions) devices.push_back(Device(session));
    return devices;
  };
  for (const auto& session : sessions) setDevice(session, L"Stale,winspool,Ne09:");
  Win32Registry registry;
  CountingBroadcaster broadcaster;

  setDevice(windowsKey, L"Other Printer,winspool,Ne02:");
  RegisterDefaultPrinter(registry, broadcaster, sid, L"Laser (from C) in session 3");
  EXPECT_EQ(sessionDevices(), std::vector<std::wstring>(3, L"Stale,winspool,Ne09:"));
  EXPECT_TRUE(broadcaster.areas.empty());

  const std::wstring device = L"Laser (from C) in session 3,winspool,Ne01:";
  setDevice(windowsKey, device);
  // The name as renamed, in other letter case: still the same printer.
  RegisterDefaultPrinter(registry, broadcaster, sid, L"LASER (from c) IN SESSION 3");
  EXPECT_EQ(sessionDevices(), std::vector<std::wstring>(3, device));
  EXPECT_EQ(broadcaster.areas, std::vector<std::wstring>{L"windows"});
  EXPECT_EQ(Device(windowsKey), device);  // only read
}

}  // namespace
}  // namespace vantrel
