#include "service/engine/default_printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_terminal_server.h"
#include "tests/fakes/recording_log_sink.h"
#include "tests/fakes/terminal_server_contract.h"

namespace vantrel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

const std::wstring kSid = L"S-1-5-21-1-2-3-1001";
const std::wstring kWindows = kSid + L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const std::wstring kSessions = kWindows + L"\\SessionDefaultDevices\\";
constexpr auto kUsers = RegistryRoot::kUsers;

TEST(FakeTerminalServerTest, AnswersAsTheAccountsPortDoes) {
  FakeTerminalServer server;
  server.AddUser(3, L"alice", L"CLIENT7", kSid);
  CheckAccountsContract(server, L"alice");
}

// Asks for more room on every call.
struct EverShortAccounts : Accounts {
  Status LookUpSid(const std::wstring&, uint8_t*, uint32_t* sidSize, wchar_t*,
                   uint32_t* domainChars) override {
    ++calls;
    *sidSize += 4;
    *domainChars += 4;
    return Status(win32_error::kInsufficientBuffer);
  }
  Status SidToText(const std::vector<uint8_t>&, std::wstring*) override { return Status(1); }
  int calls = 0;
};

TEST(GetUserSidStringTest, GrowsTheBuffersAFewTimesAtMostAndLogsEachOutcome) {
  const std::wstring longSid = L"S-1-5-21-1000000000-2000000000-3000000000-1001";  // 46 bytes
  FakeTerminalServer server;
  server.AddUser(3, L"alice", L"CLIENT7", longSid);
  EverShortAccounts everShort;
  RecordedLog log;
  std::wstring text;
  EXPECT_TRUE(GetUserSidString(server, L"alice", &text));
  EXPECT_EQ(text, longSid);
  EXPECT_FALSE(GetUserSidString(server, L"mallory", &text));
  // The SID's conversion, after a lookup that grew once.
  server.faultPlan = {.failAt = 3, .how = Failure::kError, .trace = {}};
  EXPECT_FALSE(GetUserSidString(server, L"alice", &text));
  EXPECT_FALSE(GetUserSidString(everShort, L"bob", &text));
  EXPECT_EQ(everShort.calls, 4);
  EXPECT_EQ(log.Text(), L"The username alice corresponds to the SID " + longSid +
                            L"\nCould not convert the username mallory to a SID.  Error: 1332\n"
                            L"Could not convert the SID to a string\n"
                            L"Could not convert the username bob to a SID.  Error: 122\n");
}

class DefaultPrinterTest : public ::testing::Test {
 protected:
  Bytes SessionDevice(const std::wstring& session) {
    auto raw = server.registry.GetRaw(kUsers, kSessions + session, L"Device");
    return raw && raw->type == reg_type::kSz ? raw->data : Bytes{};
  }
  void Register(const std::wstring& printer) {
    log.Clear();
    RegisterDefaultPrinter(server.registry, server.broadcaster, kSid, printer);
  }
  std::wstring Head(const std::wstring& printer) {
    return L"Registering the default printer for " + kSid + L" to " + printer + L"\n";
  }

  FakeTerminalServer server;
  RecordedLog log;
};

// The value is copied byte for byte to every session key that opens, with
// one broadcast, even when a write fails; a value neither terminated nor of
// whole units is read no further than its last whole unit.
TEST_F(DefaultPrinterTest, AMatchIsCopiedToEverySessionThatOpens) {
  Bytes odd = WideBytes(L"HP,x", false);
  odd.push_back(0x41);
  const std::wstring full = L"HP," + std::wstring(1021, L'y');  // the whole 2048-byte buffer
  const std::wstring typical = L"hp laserjet 4 (ALICE),winspool,Ne01:";
  const std::pair<Bytes, std::wstring> cases[] = {
      {odd, L"hp"},
      {WideBytes(full, false), L"HP"},
      {WideBytes(typical, true), L"HP LaserJet 4 (alice)"}};
  for (const auto& [raw, printer] : cases) {
    SCOPED_TRACE(::testing::PrintToString(printer));
    server.registry = FakeRegistry();
    server.registry.faultPlan = &server.faultPlan;
    server.broadcaster.areas.clear();
    server.registry.SetRaw(kUsers, kWindows, L"Device", reg_type::kSz, raw);
    for (const wchar_t* s : {L"1", L"2", L"3"}) server.registry.AddKey(kUsers, kSessions + s);
    server.registry.SetString(kUsers, kSessions + L"7", L"Device", L"Old,winspool,Ne00:");
    server.registry.DenyOpen(kUsers, kSessions + L"2");
    server.faultPlan = {.failAt = 6, .how = Failure::kError, .trace = {}};  // session 1's write
    Register(printer);
    EXPECT_EQ(SessionDevice(L"1"), Bytes{});
    EXPECT_EQ(SessionDevice(L"2"), Bytes{});
    EXPECT_EQ(SessionDevice(L"3"), raw);
    EXPECT_EQ(SessionDevice(L"7"), raw);
    EXPECT_EQ(server.broadcaster.areas, std::vector<std::wstring>{L"windows"});
    EXPECT_EQ(server.registry.GetRaw(kUsers, kWindows, L"Device")->data, raw);  // only read
  }
  const std::wstring writing = L"Writing out \"" + typical + L"\" to the Device key\n";
  EXPECT_EQ(log.Text(), Head(L"HP LaserJet 4 (alice)") + L"Opened the key\nGot the Device key " +
                            typical +
                            L"\nFound the printer we're targetting\n"
                            L"Got the SessionDefaultDevices key\n" +
                            writing + writing + writing);
}

TEST_F(DefaultPrinterTest, NothingIsWrittenUnlessAUsableValueNamesThePrinter) {
  const std::wstring opened = L"Opened the key\n";
  struct Case {
    uint32_t type;
    std::wstring value, printer, logAfterHead;
    bool hiveLoaded = true, sessionsKey = true;
  };
  const Case cases[] = {
      {reg_type::kSz, L"Other,winspool", L"HP", opened + L"Got the Device key Other,winspool\n"},
      {reg_type::kSz, L"A,B,winspool", L"A,B", opened + L"Got the Device key A,B,winspool\n"},
      {reg_type::kSz, L"\u00DCber,winspool", L"\u00FCber",  // only A-Z fold
       opened + L"Got the Device key \u00DCber,winspool\n"},
      {reg_type::kExpandSz, L"HP,winspool", L"HP", opened},
      {reg_type::kSz, std::wstring(L"\0HP", 3), L"HP", opened},
      {reg_type::kSz, L"HP," + std::wstring(1100, L'x'), L"HP", opened},  // over 2048 bytes
      {reg_type::kNone, L"", L"HP", opened},                              // no Device value
      {reg_type::kSz, L"HP,winspool", L"HP",
       opened + L"Got the Device key HP,winspool\nFound the printer we're targetting\n", true,
       false},
      {reg_type::kNone, L"", L"HP", L"Failed to open the registry key 2\n", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.value));
    server.registry = FakeRegistry();
    if (c.hiveLoaded) server.registry.AddKey(kUsers, kWindows);
    if (c.type != reg_type::kNone)
      server.registry.SetRaw(kUsers, kWindows, L"Device", c.type, WideBytes(c.value, true));
    if (c.sessionsKey) server.registry.AddKey(kUsers, kSessions + L"1");
    Register(c.printer);
    EXPECT_EQ(log.Text(), Head(c.printer) + c.logAfterHead);
    EXPECT_EQ(SessionDevice(L"1"), Bytes{});
  }
  EXPECT_TRUE(server.broadcaster.areas.empty());
}

}  // namespace
}  // namespace vantrel::testing
