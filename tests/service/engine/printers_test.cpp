#include "service/engine/printers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/service/engine/printers_fixture.h"

namespace vantrel::printers_test {
namespace {

using Lines = std::vector<std::wstring>;

TEST_F(PrintersTest, ConnectsToTheCimv2Namespace) {
  auto printers = MakePrinters();
  EXPECT_TRUE(printers->IsConnected());
  EXPECT_EQ(wmi.lastResource, L"ROOT\\CIMV2");
  EXPECT_TRUE(TakeLog().empty());
}

struct ConnectFailure {
  const char* call;
  HResult status;
  Lines log;
};

TEST_F(PrintersTest, AFailedConnectionStaysUnconnectedForLife) {
  const ConnectFailure cases[] = {
      {"CreateLocator", hresult::kFail, {}},
      {"CreateLocator", hresult::kFalse, {}},  // success without a locator
      {"ConnectServer", static_cast<HResult>(0x80041003), {}},
      {"ConnectServer",
       hresult::kOutOfMemory,
       {L"Ran out of memory while connecting to WMI, so no printers will be renamed\n"}},
  };
  for (const ConnectFailure& c : cases) {
    SCOPED_TRACE(c.call);
    wmi.releases.clear();
    wmi.queries.clear();
    wmi.FailCall(c.call, 1, c.status);
    auto printers = MakePrinters();
    EXPECT_FALSE(printers->IsConnected());
    EXPECT_EQ(TakeLog(), c.log);
    // A locator that connected nowhere is not kept.
    if (std::string(c.call) == "ConnectServer") {
      EXPECT_EQ(wmi.releases, (std::vector<std::string>{"Locator"}));
    }

    wmi.AddPrinter(L"HP (redirected 3)");
    printers->RunRenamePass();
    printers->RunRenamePass();
    EXPECT_EQ(TakeLog(),
              (Lines{L"We want to rename printers now\n", L"We want to rename printers now\n"}));
    EXPECT_TRUE(wmi.queries.empty());
    wmi.printers.Clear();
  }
}

TEST_F(PrintersTest, ReleasesServicesBeforeTheLocator) {
  MakePrinters().reset();
  EXPECT_EQ(wmi.releases, (std::vector<std::string>{"Services", "Locator"}));
}

TEST_F(PrintersTest, QueriesWithTheFlagsAndBatchSizeOfTheEnumeration) {
  wmi.AddPrinter(L"Local", L"Generic", L"USB001");
  auto printers = MakePrinters();
  printers->RunRenamePass();
  ASSERT_EQ(wmi.queries.size(), 1u);
  EXPECT_EQ(wmi.queries[0], printers->BuildPrinterQuery());
  EXPECT_EQ(wmi.lastQueryFlags, 0x120);
  EXPECT_EQ(wmi.lastNextTimeout, -1);
  EXPECT_EQ(wmi.lastNextCount, 10u);
}

struct BatchCase {
  int printers;
  int expectedNextCalls;
};

// Every listed printer is handled whatever the batch boundaries, and a full
// batch is always followed by another Next.
TEST_F(PrintersTest, HandlesEveryBatch) {
  const BatchCase cases[] = {{0, 1}, {9, 1}, {10, 2}, {25, 3}};
  for (const BatchCase& c : cases) {
    SCOPED_TRACE(c.printers);
    wmi.printers.Clear();
    wmi.ResetCounts();
    for (int i = 0; i < c.printers; ++i) wmi.AddPrinter(L"Plain " + std::to_wstring(i));
    auto printers = MakePrinters();
    printers->RunRenamePass();
    EXPECT_EQ(wmi.CallCount("Next"), c.expectedNextCalls);
    int handled = 0;
    for (const std::wstring& line : TakeLog())
      if (line.rfind(L"Have current name Plain ", 0) == 0) ++handled;
    EXPECT_EQ(handled, c.printers);
  }
}

TEST_F(PrintersTest, AFailedQueryHandlesNoPrinter) {
  wmi.AddPrinter(L"HP (redirected 3)");
  auto printers = MakePrinters();
  wmi.FailCall("ExecQuery", 1, hresult::kWbemInvalidQuery);
  printers->RunRenamePass();
  EXPECT_EQ(TakeLog(), (Lines{L"We want to rename printers now\n",
                              Line(L"Printer query is %s\n", printers->BuildPrinterQuery()),
                              L"All done renaming printers\n"}));
}

TEST_F(PrintersTest, AFailedNextKeepsWhatWasHandled) {
  for (int i = 0; i < 15; ++i) wmi.AddPrinter(L"Plain " + std::to_wstring(i));
  auto printers = MakePrinters();
  wmi.FailCall("Next", 2, hresult::kFail);
  printers->RunRenamePass();
  Lines log = TakeLog();
  EXPECT_EQ(log.back(), L"All done renaming printers\n");
  EXPECT_EQ(log[log.size() - 3], L"Have current name Plain 9\n");
  EXPECT_EQ(wmi.CallCount("Next"), 2);
}

// Names given are excluded in ascending session order, each session's in
// the order given, whatever order the sessions were renamed in.
TEST_F(PrintersTest, QueryExcludesEveryNameGivenBySession) {
  wts.AddSession(10, L"carol", L"PC10");
  accounts.AddUser(L"carol", L"S-1-5-21-100-200-300-1003");
  wmi.AddPrinter(L"Tenth (redirected 10)");
  wmi.AddPrinter(L"Beta (redirected 3)");
  wmi.AddPrinter(L"Alpha (redirected 3)");
  settings().OnlyRenTS = true;
  settings().DoNotRenList = {L"Fax"};
  auto printers = MakePrinters();
  printers->RunRenamePass();

  const std::wstring expected =
      L"SELECT __PATH, DeviceID, Name, DriverName, PortName FROM Win32_Printer WHERE PortName "
      L"LIKE '%TS%' AND DriverName != 'Fax' AND DeviceID != 'Beta for alice' AND DeviceID != "
      L"'Alpha for alice' AND DeviceID != 'Tenth for carol'";
  EXPECT_EQ(printers->BuildPrinterQuery(), expected);

  // Both printers of session 3 stay hidden, not only the last one renamed.
  TakeLog();
  printers->RunRenamePass();
  Lines expectedLog = {
      L"We want to rename printers now\n", Line(L"Printer query is %s\n", expected),
      L"Query succeeded, going to start iterating printers\n", L"All done renaming printers\n"};
  EXPECT_EQ(TakeLog(), expectedLog);
}

TEST_F(PrintersTest, ForgetSessionDropsEveryNameOfThatSessionOnly) {
  wmi.AddPrinter(L"Alpha (redirected 3)");
  wmi.AddPrinter(L"Beta (redirected 3)");
  wmi.AddPrinter(L"Gamma (redirected 5)");
  auto printers = MakePrinters();
  printers->RunRenamePass();
  ASSERT_EQ(printers->RenamedBySession().size(), 2u);
  TakeLog();

  printers->ForgetSession(3);
  printers->ForgetSession(3);
  printers->ForgetSession(42);
  EXPECT_EQ(TakeLog(), (Lines{L"Clearing printers for the session: 3\n",
                              L"Clearing printers for the session: 3\n",
                              L"Clearing printers for the session: 42\n"}));
  const auto cache = printers->RenamedBySession();
  ASSERT_EQ(cache.size(), 1u);
  EXPECT_EQ(cache.at(5), Lines{L"Gamma for bob"});

  // The forgotten names are listed again (and, having no parentheses any
  // more, left alone by composition).
  printers->RunRenamePass();
  Lines handled;
  for (const std::wstring& line : TakeLog())
    if (line.rfind(L"Have current name", 0) == 0) handled.push_back(line);
  EXPECT_EQ(handled,
            (Lines{L"Have current name Alpha for alice\n", L"Have current name Beta for alice\n"}));
}

}  // namespace
}  // namespace vantrel::printers_test
