#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/spooler_win32.h"
#include "tests/wine/adapters/wine_test_support.h"

#if VANTREL_TEST_ENGINE
#include "service/engine/rename_pass.h"
#endif

namespace vantrel {
namespace {

constexpr wchar_t kPrintersKey[] = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  ASSERT_EQ(::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

// A printer the spooler knows only from its registry key; driver and port
// need not exist for it to be opened and deleted.
void InstallPrinter(const std::wstring& name) {
  win32::unique_hkey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kPrintersKey + name).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  SetString(key.get(), L"Name", name);
  SetString(key.get(), L"Port", L"TS001");
  SetString(key.get(), L"Printer Driver", L"Remote Desktop Easy Print");
  SetString(key.get(), L"Print Processor", L"winprint");
  SetString(key.get(), L"Datatype", L"RAW");
  const DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
  ASSERT_EQ(::RegSetValueExW(key.get(), L"Attributes", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&attributes), sizeof(attributes)),
            ERROR_SUCCESS);
}

bool PrinterKeyExists(const std::wstring& name) {
  win32::unique_hkey key;
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kPrintersKey + name).c_str(), 0, KEY_READ,
                         key.put()) == ERROR_SUCCESS;
}

// Removes the key whatever the test did, so the shared prefix stays clean.
class ScopedTestPrinter {
 public:
  explicit ScopedTestPrinter(std::wstring name) : name_(std::move(name)) { InstallPrinter(name_); }
  ~ScopedTestPrinter() { ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kPrintersKey + name_).c_str()); }
  const std::wstring& name() const { return name_; }

 private:
  std::wstring name_;
};

TEST(Win32SpoolerTest, OpensAndDeletesAPrinter) {
  ScopedTestPrinter printer(L"Vantrel Test Printer (redirected 3)");
  Win32Spooler spooler;
  auto handle = spooler.OpenPrinter(printer.name(), kPrinterAllAccess);
  ASSERT_NE(handle, nullptr);
  uint32_t lastError = 0xDEAD;
  EXPECT_EQ(handle->DeletePrinter(&lastError), 1);
  handle.reset();  // ClosePrinter completes the deletion

  EXPECT_FALSE(PrinterKeyExists(printer.name()));
  EXPECT_EQ(spooler.OpenPrinter(printer.name(), kPrinterAllAccess), nullptr);
}

TEST(Win32SpoolerTest, UnknownPrinterDoesNotOpen) {
  Win32Spooler spooler;
  EXPECT_EQ(spooler.OpenPrinter(L"Vantrel No Such Printer", kPrinterAllAccess), nullptr);
}

#if VANTREL_TEST_ENGINE
TEST(DeletePrinterByNameOverWin32, DeletesAnInstalledPrinterAndReportsAMissingOne) {
  ScopedTestPrinter printer(L"Vantrel Test Printer - Clash");
  Win32Spooler spooler;
  testing::RecordedLog log;
  EXPECT_TRUE(DeletePrinterByName(spooler, printer.name()));
  EXPECT_FALSE(PrinterKeyExists(printer.name()));
  EXPECT_TRUE(log.Contains(L"Was able to open the printer\n"));

  EXPECT_FALSE(DeletePrinterByName(spooler, L"Vantrel No Such Printer"));
  EXPECT_EQ(log.lines().back(), L"Was unable to open the printer\n");
}
#endif

}  // namespace
}  // namespace vantrel
