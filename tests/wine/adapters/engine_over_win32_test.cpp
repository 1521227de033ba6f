// Engine operations over the real adapters: the account lookup, the printer
// deletion, the default-printer repointing in the Wine user's real hive and
// a rename pass over Wine's WMI.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/accounts_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/spooler_win32.h"
#include "platform/win32/terminal_services_win32.h"
#include "platform/win32/wmi_win32.h"
#include "service/engine/default_printer.h"
#include "service/engine/printers.h"
#include "service/engine/rename_pass.h"
#include "tests/fakes/recording_log_sink.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel {
namespace {

using testing::CurrentUserName;
using ::testing::ElementsAre;
using ::testing::StartsWith;

TEST(GetUserSidStringOverWin32, ResolvesTheWineUserAndRefusesUnknownNames) {
  Win32Accounts accounts;
  testing::RecordedLog log;
  std::wstring sid, none;
  ASSERT_TRUE(GetUserSidString(accounts, CurrentUserName(), &sid));
  EXPECT_EQ(sid.rfind(L"S-1-5-21-", 0), 0u) << sid;
  EXPECT_FALSE(GetUserSidString(accounts, L"vantrel-no-such-user", &none));
  EXPECT_EQ(log.Text(),
            L"The username " + CurrentUserName() + L" corresponds to the SID " + sid +
                L"\nCould not convert the username vantrel-no-such-user to a SID.  Error: 1332\n");
}

// Printers the spooler knows only from their registry keys: driver and port
// need not exist for one to be opened, read and deleted. Only the one that
// Remote Desktop would have made (a TS port, the redirected mark) may go.
TEST(DeletePrinterByNameOverWin32, DeletesOnlyARedirectedPrinter) {
  const std::wstring redirected = L"Vantrel Test Printer - Clash";
  const std::wstring queue = L"Vantrel Test Printer - Server Queue";
  auto install = [](const std::wstring& name, const wchar_t* port, DWORD attributes) {
    const std::wstring key = L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + name;
    // clang-format off
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"Name", name}, {L"Port", port}, {L"Printer Driver", L"Remote Desktop Easy Print"},
        {L"Print Processor", L"winprint"}, {L"Datatype", L"RAW"}};
    // clang-format on
    for (const auto& [value, text] : values)
      ASSERT_EQ(testing::PutRegString(HKEY_LOCAL_MACHINE, key, value, text), ERROR_SUCCESS);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Attributes", REG_DWORD, &attributes, 4);
  };
  install(redirected, L"TS001", 0x8040);  // PRINTER_ATTRIBUTE_TS | PRINTER_ATTRIBUTE_LOCAL
  install(queue, L"USB001", 0x40);

  Win32Spooler spooler;
  testing::RecordedLog log;
  EXPECT_TRUE(DeletePrinterByName(spooler, redirected));
  EXPECT_FALSE(DeletePrinterByName(spooler, queue));
  EXPECT_FALSE(DeletePrinterByName(spooler, L"Vantrel No Such Printer"));
  // Gone with the printer (and deleted here if not, to keep the prefix clean).
  const std::wstring printers = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, (printers + redirected).c_str()),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, (printers + queue).c_str()), ERROR_SUCCESS);
  // The error code after a success is whatever the spooler left behind.
  EXPECT_THAT(log.messages(),
              ElementsAre(L"Deleting the printer named " + redirected + L"\n",
                          L"Was able to open the printer\n",
                          StartsWith(L"The call to DeletePrinter returned 1 with error code "),
                          L"Deleting the printer named " + queue + L"\n",
                          L"Was able to open the printer\n",
                          L"The printer named " + queue +
                              L" is not a redirected printer on a TS port, so it is not deleted\n",
                          L"Deleting the printer named Vantrel No Such Printer\n",
                          L"Was unable to open the printer\n"));
}

class CountingBroadcaster : public SettingChangeBroadcaster {
 public:
  void BroadcastSettingChange(const std::wstring& area) override { areas.push_back(area); }
  std::vector<std::wstring> areas;
};

// "Device" under the key in HKEY_USERS; "<missing>" when absent or not a REG_SZ.
std::wstring Device(const std::wstring& path) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_USERS, path.c_str(), L"Device", RRF_RT_REG_SZ, nullptr, buffer, &size))
    return L"<missing>";
  return buffer;
}

// In the user's own Windows key, with three per-session subkeys; what was
// there before is put back.
TEST(DefaultPrinterInUserHive, OnlyTheMatchingDeviceIsCopiedIntoEverySession) {
  Win32Accounts accounts;
  std::wstring sid;
  ASSERT_TRUE(GetUserSidString(accounts, CurrentUserName(), &sid));
  const std::wstring windowsKey =
      sid + L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  const std::wstring savedDevice = Device(windowsKey);
  const auto setDevice = [](const std::wstring& path, const std::wstring& device) {
    EXPECT_EQ(testing::PutRegString(HKEY_USERS, path, L"Device", device), ERROR_SUCCESS);
  };
  std::vector<std::wstring> sessions;
  for (const wchar_t* session : {L"VantrelTest1", L"VantrelTest2", L"VantrelTest3"})
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
  testing::RecordedLog log;
  // The name as renamed, in other letter case: still the same printer.
  RegisterDefaultPrinter(registry, broadcaster, sid, L"LASER (from c) IN SESSION 3");
  EXPECT_EQ(sessionDevices(), std::vector<std::wstring>(3, device));
  EXPECT_EQ(broadcaster.areas, std::vector<std::wstring>{L"windows"});
  EXPECT_TRUE(log.Contains(L"Found the printer we're targetting\n"));
  EXPECT_EQ(Device(windowsKey), device);  // only read

  for (const auto& session : sessions) RegDeleteKeyW(HKEY_USERS, session.c_str());
  // Fails, as it should, when the key holds anything else.
  RegDeleteKeyW(HKEY_USERS, (windowsKey + L"\\SessionDefaultDevices").c_str());
  if (savedDevice != L"<missing>") {
    setDevice(windowsKey, savedDevice);
  } else {
    RegDeleteKeyValueW(HKEY_USERS, windowsKey.c_str(), L"Device");
  }
}

TEST(PrintersOverWin32Wmi, PassRunsTheQueryAndListsNothingUnderWine) {
  if (!testing::RunningUnderWine()) GTEST_SKIP() << "would rename the printers installed here";
  Win32TerminalServices terminalServices;
  Win32Accounts accounts;
  Win32Spooler spooler;
  Win32Registry registry;
  Win32SettingChangeBroadcaster broadcaster;
  Win32Wmi wmi;
  Printers printers(EnginePorts{wmi, terminalServices, accounts, spooler, registry, broadcaster});
  ASSERT_TRUE(printers.IsConnected());
  testing::RecordedLog log;
  printers.RunRenamePass();
  // No rows from Wine's provider: nothing between the frame's messages.
  EXPECT_THAT(log.messages(),
              ElementsAre(L"We want to rename printers now\n",
                          L"Printer query is SELECT __PATH, DeviceID, Name, DriverName, PortName "
                          L"FROM Win32_Printer WHERE PortName LIKE '%%'\n",
                          L"Query succeeded, going to start iterating printers\n",
                          L"All done renaming printers\n"));
}

}  // namespace
}  // namespace vantrel
