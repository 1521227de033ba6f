// The printer inventory over Wine's WMI: the COM sequence behind each task
// (locator and ROOT\CIMV2, the query's flags, batches of ten, property
// reads, the rename's first step), as far as Wine provides it.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/wmi_win32.h"
#include "tests/wine/adapters/wine_test_support.h"

namespace vantrel {
namespace {

// The programs initialise COM for the multithreaded apartment with default
// process-wide security before touching WMI; this test program does the same.
class ComEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ASSERT_HRESULT_SUCCEEDED(
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr));
  }
  void TearDown() override { ::CoUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const comEnvironment =
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);

class Win32WmiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(wmi_.Connect(&inventory_), Status::Ok());
    ASSERT_NE(inventory_, nullptr);
  }

  // Every row the query lists, in order; the status that ended the listing.
  Status ListAll(const std::wstring& query, bool toRename,
                 std::vector<std::unique_ptr<ListedPrinter>>* rows) {
    std::unique_ptr<PrinterListing> listing;
    if (Status s = inventory_->ListPrinters(query, toRename, &listing); !s.ok()) {
      EXPECT_EQ(listing, nullptr);
      return s;
    }
    for (;;) {
      std::unique_ptr<ListedPrinter> row;
      if (Status s = listing->Next(&row); !s.ok() || !row) return s;
      rows->push_back(std::move(row));
    }
  }

  Win32Wmi wmi_;
  std::unique_ptr<PrinterInventory> inventory_;
};

// More rows than one batch holds, each handed over once: as many services
// as the Service Control Manager counts. A query WMI refuses yields no
// listing. (Wine 8's Win32_Printer lists no rows and refuses the engine's
// WHERE clause: the preview end-to-end check runs those.)
TEST_F(Win32WmiTest, EveryBatchIsListed) {
  std::vector<std::unique_ptr<ListedPrinter>> rows;
  EXPECT_FALSE(ListAll(L"SELECT FROM WHERE", true, &rows).ok());
  ASSERT_EQ(ListAll(L"SELECT * FROM Win32_Service", false, &rows), Status::Ok());
  SC_HANDLE scm = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
  ASSERT_NE(scm, nullptr);
  DWORD needed = 0, count = 0;
  ::EnumServicesStatusExW(scm, SC_ENUM_PROCESS_INFO, SERVICE_WIN32 | SERVICE_DRIVER,
                          SERVICE_STATE_ALL, nullptr, 0, &needed, &count, nullptr, nullptr);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(::EnumServicesStatusExW(scm, SC_ENUM_PROCESS_INFO, SERVICE_WIN32 | SERVICE_DRIVER,
                                      SERVICE_STATE_ALL, buffer.data(), needed, &needed, &count,
                                      nullptr, nullptr));
  ::CloseServiceHandle(scm);
  EXPECT_GT(rows.size(), 10u);
  EXPECT_EQ(rows.size(), count);
}

// Text properties come back as text, others as a type mismatch; a rename
// that cannot get RenamePrinter's parameters stops at its first step.
TEST_F(Win32WmiTest, ReadsTextAndReportsTheFailingRenameStep) {
  std::vector<std::unique_ptr<ListedPrinter>> disks;
  ASSERT_EQ(ListAll(L"SELECT * FROM Win32_LogicalDisk WHERE DeviceID = 'C:'", true, &disks),
            Status::Ok());
  ASSERT_EQ(disks.size(), 1u);
  std::wstring text = L"before";
  EXPECT_EQ(disks[0]->ReadText(ListedPrinter::kDeviceId, &text), Status::Ok());
  EXPECT_EQ(text, L"C:");
  EXPECT_FALSE(disks[0]->ReadText(ListedPrinter::kDriverName, &text).ok());  // no such property
  EXPECT_EQ(text, L"C:");
  // Wine has neither a Win32_Printer class object nor RenamePrinter;
  // Windows has both, and refuses the method on a disk.
  const RenameResult result = disks[0]->Rename(L"Vantrel Never Renamed");
  EXPECT_EQ(result.step,
            testing::RunningUnderWine() ? RenameResult::kPrepare : RenameResult::kExecute);
  EXPECT_FALSE(result.status.ok());
}

}  // namespace
}  // namespace vantrel
