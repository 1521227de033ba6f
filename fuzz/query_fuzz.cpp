// Query building over fuzzed driver and printer names, many of them: the
// text never exceeds WMI's limit, what it leaves out is exactly a tail of
// each list, and through the fake's WQL parser every clause in the text
// excludes exactly the printer with that literal driver or name.
#include <algorithm>
#include <set>

#include "fuzz/fuzz_input.h"
#include "platform/text.h"
#include "service/engine/printer_query.h"
#include "service/log.h"
#include "tests/fakes/fake_wmi.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

std::vector<std::wstring> Listed(FakeWmi& wmi, const std::wstring& query) {
  std::unique_ptr<PrinterInventory> inventory;
  std::unique_ptr<PrinterListing> listing;
  FUZZ_CHECK(wmi.Connect(&inventory).ok());
  FUZZ_CHECK(inventory->ListPrinters(query, true, &listing).ok());
  std::vector<std::wstring> names;
  std::unique_ptr<ListedPrinter> printer;
  while (listing->Next(&printer).ok() && printer) {
    names.emplace_back();
    FUZZ_CHECK(printer->ReadText(ListedPrinter::kDeviceId, &names.back()).ok());
  }
  return names;
}

bool IsTail(const std::vector<std::wstring>& all, const std::vector<std::wstring>& tail) {
  return tail.size() <= all.size() && std::equal(tail.begin(), tail.end(), all.end() - tail.size());
}

}  // namespace

// Field 0: byte 0 odd for OnlyRenTS, byte 1 how many copies of each value
// (with "#k" appended). Further fields: a driver when it starts with 'd',
// else a name given before.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields = Fields(data, size);
  fields[0].resize(2);
  const bool onlyTs = fields[0][0] & 1;
  const int copies = 1 + static_cast<uint8_t>(fields[0][1]) % 200;
  std::vector<std::wstring> drivers, names;
  for (size_t i = 1; i < fields.size() && drivers.size() + names.size() < 4000; ++i) {
    const bool driver = !fields[i].empty() && fields[i][0] == 'd';
    for (int k = 0; k < copies; ++k)
      (driver ? drivers : names)
          .push_back(Utf8ToWide(fields[i]) + (k ? L"#" + std::to_wstring(k) : L""));
  }

  const PrinterQuery query = BuildPrinterQuery(onlyTs, drivers, names);
  FUZZ_CHECK(query.text.size() < kMaxQueryChars);
  FUZZ_CHECK(IsTail(drivers, query.driversLeftOut) && IsTail(names, query.namesLeftOut));
  // Names are left out before drivers are.
  FUZZ_CHECK(query.driversLeftOut.empty() || query.namesLeftOut.size() == names.size());

  // One printer per value: those whose clause is in the text are not listed,
  // the others are. The fake compares without regard to case, as WMI does.
  FakeWmi wmi;
  std::set<std::wstring> excludedDrivers, excludedNames, seen;
  const size_t driversIn = drivers.size() - query.driversLeftOut.size();
  const size_t namesIn = names.size() - query.namesLeftOut.size();
  for (size_t i = 0; i < driversIn; ++i) excludedDrivers.insert(AsciiUpperCase(drivers[i]));
  for (size_t i = 0; i < namesIn; ++i) excludedNames.insert(AsciiUpperCase(names[i]));
  std::vector<std::wstring> expected;
  for (size_t i = 0; i < drivers.size(); ++i) {
    const std::wstring name = L"\x1F" + std::to_wstring(i);
    wmi.AddPrinter(name, drivers[i], L"TS001");
    if (!excludedDrivers.count(AsciiUpperCase(drivers[i])) &&
        !excludedNames.count(AsciiUpperCase(name)))
      expected.push_back(name);
  }
  for (const std::wstring& name : names) {
    if (!seen.insert(AsciiUpperCase(name)).second || name.find(L'\x1F') == 0) continue;
    wmi.AddPrinter(name, L"\x1F", onlyTs ? L"TS002" : L"COM1");
    if (!excludedNames.count(AsciiUpperCase(name))) expected.push_back(name);
  }
  FUZZ_CHECK(Listed(wmi, query.text) == expected);
  return 0;
}
