// One engine start and pass over a realistic terminal server, with the k-th
// platform call failing, for every k and every way a call can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "service/engine/default_printer.h"
#include "tests/fakes/fake_terminal_server.h"

namespace vantrel::testing {
namespace {

using Names = std::vector<std::wstring>;
const std::wstring kAliceWindows = std::wstring(L"S-1-5-21-9-1001") + kUserWindowsKey;

// Name and driver of each printer, in the order the pass lists them, and
// its port: a port is a printer's identity.
const std::vector<std::pair<std::wstring, std::wstring>> kPrinters = {
    {L"HP LaserJet (redirected 3)", L"HP"},          {L"Canon for bob", L"Canon"},
    {L"Canon (from WS-042) in session 5", L"Canon"}, {L"Office Laser", L"HP"},
    {L"Epson (from PC9) in session 42", L"Epson"},   {L"Epson for carol", L"Epson"}};
const Names kPorts = {L"TS001", L"TS002", L"TS003", L"USB001", L"TS004", L"USB002"};

// Both name forms (bob's client name ends in the digits of carol's
// session), a stale redirected printer holding bob's new name, a queue of
// the server's own holding carol's (it must never be deleted), and alice's
// stored default naming her printer's new name.
void Arrange(FakeTerminalServer& s) {
  s.AddUser(3, L"alice", L"CLIENT7", L"S-1-5-21-9-1001");
  s.AddUser(5, L"bob", L"WS-042", L"S-1-5-21-9-1002");
  s.AddUser(42, L"carol", L"PC9", L"S-1-5-21-9-1042");
  for (size_t j = 0; j < kPrinters.size(); ++j)
    s.wmi.AddPrinter(kPrinters[j].first, kPrinters[j].second, kPorts[j]);
  s.registry.SetString(RegistryRoot::kUsers, kAliceWindows, L"Device",
                       L"HP LaserJet for alice,winspool,Ne01:");
  for (const wchar_t* session : {L"\\3", L"\\7"})
    s.registry.SetString(RegistryRoot::kUsers, kAliceWindows + L"\\SessionDefaultDevices" + session,
                         L"Device", L"Old,winspool,Ne00:");
}

using Given = std::vector<std::pair<uint32_t, std::wstring>>;  // by session, as given

struct Outcome {
  Names names;  // of each printer, by its port; "": gone
  Given given;
  std::map<std::wstring, std::vector<uint8_t>> hive;  // every value under HKEY_USERS
  size_t broadcasts = 0;
  bool operator==(const Outcome&) const = default;
};

void Dump(const FakeRegistry::Node& node, const std::wstring& path, Outcome* out) {
  for (const auto& [name, value] : node.values) out->hive[path + name] = value.data;
  for (const auto& child : node.children) Dump(*child, path + child->name + L"\\", out);
}

Outcome Snapshot(FakeTerminalServer& s, const Printers* engine) {
  Outcome out;
  for (const std::wstring& port : kPorts) {
    const auto& rows = s.wmi.printers.rows();
    const auto row = std::ranges::find(rows, port, &FakePrinter::portName);
    out.names.push_back(row == rows.end() ? L"" : row->name);
  }
  if (engine)
    for (const auto& [session, names] : engine->RenamedBySession())
      for (const std::wstring& name : names) out.given.emplace_back(session, name);
  Dump(*s.registry.Walk(RegistryRoot::kUsers, L"", false), L"", &out);
  out.broadcasts = s.broadcaster.areas.size();
  return out;
}

// Starts the engine and runs one pass with call `failAt` failing as `how`
// says; `plan`, when given, gets the fault plan after the start and traces
// the calls.
Outcome StartAndPass(bool deleting, int failAt, Failure how, FaultPlan* plan = nullptr) {
  ResetSettingsForTesting();
  SetSettingsRegistry(nullptr);
  GetSettings().NamingFormat = L"%printername% for %username%";
  GetSettings().StripParens = false;
  GetSettings().DeleteDuplicates = deleting;
  GetSettings().AppendToDuplicates = L"- Duplicate";
  FakeTerminalServer server;
  Arrange(server);
  server.faultPlan = {.failAt = failAt, .how = how, .recording = plan != nullptr, .trace = {}};
  Outcome out;
  {
    std::unique_ptr<Printers> engine;
    EXPECT_NO_THROW(engine = std::make_unique<Printers>(server.ports));
    if (plan) *plan = server.faultPlan;
    EXPECT_NO_THROW(engine->RunRenamePass());
    // Only the WMI connection outlives a pass.
    EXPECT_EQ(LiveFakeObject::count, engine->IsConnected() ? 1 : 0);
    out = Snapshot(server, engine.get());
  }
  EXPECT_EQ(LiveFakeObject::count, 0);
  if (plan) plan->trace = server.faultPlan.trace;
  return out;
}

// Against the failure-free run's outcome ("clean"): each printer bears its
// first or its clean name, and is gone only if the clean run deleted it;
// each value under HKEY_USERS holds its first or its clean data; the names
// given are clean ones, each borne by its printer. Every printer but the
// one being handled when the call failed is "settled": it ends as in the
// clean run, names and default included. Except that the pass ends at a
// failure before the first printer, at a listing that breaks off, and at a
// WMI call out of memory: the printers after it stay untouched. A failure
// while the engine starts is made good by the pass.
TEST(FaultSweepTest, AFailingCallHarmsNoOtherPrinter) {
  FakeTerminalServer fresh;
  Arrange(fresh);
  const Outcome first = Snapshot(fresh, nullptr);
  for (const bool deleting : {true, false}) {
    FaultPlan start;
    const Outcome clean = StartAndPass(deleting, 0, Failure::kNone, &start);
    ASSERT_EQ(clean.names[2], deleting ? L"Canon for bob" : L"Canon for bob - Duplicate");
    ASSERT_EQ(std::tuple(clean.given.size(), clean.broadcasts), std::tuple(deleting ? 2u : 3u, 1u));
    for (const Failure how : {Failure::kError, Failure::kEmpty, Failure::kOutOfMemory}) {
      for (int k = 1; k <= static_cast<int>(start.trace.size()); ++k) {
        const std::string& call = start.trace[k - 1];
        SCOPED_TRACE(::testing::Message()
                     << "deleting " << deleting << ", failure " << static_cast<int>(how)
                     << ", call " << k << " " << call);
        const Outcome got = StartAndPass(deleting, k, how);
        if (k <= start.calls) {
          EXPECT_EQ(got, clean);
          continue;
        }
        const long failing =
            std::count(start.trace.begin(), start.trace.begin() + k, "wmi Read:DeviceID") - 1;
        const bool endsPass = failing < 0 || call == "wmi Next" ||
                              (how == Failure::kOutOfMemory && call.starts_with("wmi "));
        auto untouched = [&](long j) { return j > failing && endsPass; };
        auto settled = [&](long j) { return j != failing && !untouched(j); };
        for (long j = 0; j < static_cast<long>(kPorts.size()); ++j) {
          const std::wstring &now = got.names[j], &before = first.names[j], &after = clean.names[j];
          EXPECT_TRUE(untouched(j)                   ? now == before
                      : settled(j) && !after.empty() ? now == after
                                                     : now == before || now == after)
              << "printer " << j;
        }
        for (const auto& given : got.given) EXPECT_TRUE(std::ranges::count(clean.given, given));
        for (const auto& given : clean.given) {
          const long j = std::ranges::find(clean.names, given.second) - clean.names.begin();
          const bool recorded = std::ranges::count(got.given, given);
          EXPECT_TRUE(settled(j) ? recorded : !recorded || got.names[j] == given.second);
        }
        for (const auto& [path, data] : clean.hive)  // alice's printer is listed first
          EXPECT_TRUE(got.hive.at(path) == data ||
                      (!settled(0) && got.hive.at(path) == first.hive.at(path)));
        EXPECT_EQ(got.hive.size(), clean.hive.size());
        EXPECT_TRUE(settled(0) ? got.broadcasts == clean.broadcasts
                               : got.broadcasts <= clean.broadcasts);
      }
    }
  }
}

}  // namespace
}  // namespace vantrel::testing
