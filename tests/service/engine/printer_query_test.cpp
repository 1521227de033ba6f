#include "service/engine/printer_query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_wmi.h"

namespace vantrel {
namespace {

const std::wstring kHead =
    L"SELECT __PATH, DeviceID, Name, DriverName, PortName FROM Win32_Printer WHERE PortName LIKE "
    L"'%";

struct QueryCase {
  const char* label;
  bool onlyRenTS;
  std::vector<std::wstring> drivers;
  std::vector<std::wstring> names;
  std::wstring expected;
};

TEST(PrinterQueryTest, BuildsTheExactText) {
  const QueryCase cases[] = {
      {"all ports, nothing excluded", false, {}, {}, kHead + L"%'"},
      {"TS ports only", true, {}, {}, kHead + L"TS%'"},
      {"drivers in stored order, then names in the order given",
       true,
       {L"Zeta PCL", L"Alpha PS"},
       {L"HP for bob", L"HP for alice"},
       kHead + L"TS%' AND DriverName != 'Zeta PCL' AND DriverName != 'Alpha PS'" +
           L" AND DeviceID != 'HP for bob' AND DeviceID != 'HP for alice'"},
      {"equal names give equal clauses, other punctuation untouched",
       false,
       {},
       {L"P (from C7) \"x\" 100%", L"P (from C7) \"x\" 100%"},
       kHead + L"%' AND DeviceID != 'P (from C7) \"x\" 100%' AND DeviceID != 'P (from C7) " +
           L"\"x\" 100%'"},
      {"apostrophes and backslashes escaped",
       false,
       {L"O'Neil \\ Sons"},
       {L"HP for o'brien", L"\\\\srv\\q"},
       kHead + L"%' AND DriverName != 'O\\'Neil \\\\ Sons' AND DeviceID != 'HP for o\\'brien'" +
           L" AND DeviceID != '\\\\\\\\srv\\\\q'"},
  };
  for (const QueryCase& c : cases)
    EXPECT_EQ(BuildPrinterQuery(c.onlyRenTS, c.drivers, c.names), c.expected) << c.label;
}

// The query must mean what it says to a WQL evaluator: escaped literals
// exclude exactly the printers they name, and the port filter selects.
TEST(PrinterQueryTest, ExcludesExactlyWhatItNames) {
  testing::FakeWmi wmi;
  wmi.AddPrinter(L"HP for o'brien", L"Generic", L"TS001");
  wmi.AddPrinter(L"\\\\srv\\q", L"Generic", L"TS002");
  wmi.AddPrinter(L"Kept (redirected 3)", L"Generic", L"TS003");
  wmi.AddPrinter(L"Driver'd (redirected 3)", L"O'Neil \\ Sons", L"TS004");
  wmi.AddPrinter(L"Local", L"Generic", L"USB001");

  std::vector<std::wstring> listed;
  ASSERT_EQ(
      wmi.Evaluate(BuildPrinterQuery(true, {L"O'Neil \\ Sons"}, {L"HP for o'brien", L"\\\\srv\\q"}),
                   &listed),
      hresult::kOk);
  EXPECT_EQ(listed, std::vector<std::wstring>{L"Kept (redirected 3)"});

  ASSERT_EQ(wmi.Evaluate(BuildPrinterQuery(false, {}, {}), &listed), hresult::kOk);
  EXPECT_EQ(listed.size(), 5u);

  // Left raw, the apostrophe ends the literal early and the whole query is
  // rejected, which would hide every printer.
  EXPECT_EQ(wmi.Evaluate(kHead + L"%' AND DeviceID != 'HP for o'brien'", &listed),
            hresult::kWbemInvalidQuery);
}

}  // namespace
}  // namespace vantrel
