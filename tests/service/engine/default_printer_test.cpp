#include "service/engine/default_printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_terminal_server.h"
#include "tests/fakes/recording_log_sink.h"

namespace vantrel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

const std::wstring kSid = L"S-1-5-21-1-2-3-1001";
const std::wstring kWindows = kSid + kUserWindowsKey;
const std::wstring kSessions = kWindows + L"\\SessionDefaultDevices\\";
constexpr auto kUsers = RegistryRoot::kUsers;

// Sessions 1 (its write fails), 2 (it cannot be opened), 3 and 7 (holding
// an old default). A value that names the printer, ASCII case aside, is
// copied byte for byte into each session that opens, with one broadcast; a
// value neither terminated nor of whole units is read no further than its
// last whole unit. Any other value, or none, changes nothing.
TEST(DefaultPrinterTest, OnlyAUsableValueNamingThePrinterIsCopied) {
  const std::wstring opened = L"Opened the key\n",
                     typical = L"hp laserjet 4 (ALICE),winspool,Ne01:";
  const std::wstring found = L"Found the printer we're targetting\n";
  const std::wstring writing = L"Writing out \"" + typical + L"\" to the Device key\n";
  Bytes odd = WideBytes(L"HP,x", false);
  odd.push_back(0x41);
  struct Case {
    uint32_t type;
    Bytes raw;
    std::wstring printer, logAfterHead;  // empty: not checked
    bool written, sessionsKey = true;
  };
  const Case cases[] = {
      {reg_type::kSz, WideBytes(typical, true), L"HP LaserJet 4 (alice)",
       opened + L"Got the Device key " + typical + L"\n" + found +
           L"Got the SessionDefaultDevices key\n" + writing + writing + writing,
       true},
      {reg_type::kSz, odd, L"hp", L"", true},
      {reg_type::kSz, WideBytes(L"HP," + std::wstring(1021, L'y'), false), L"HP", L"", true},
      {reg_type::kExpandSz, WideBytes(L"HP,winspool", true), L"HP", opened, false},
      {reg_type::kSz, WideBytes(L"HP," + std::wstring(1100, L'x'), true), L"HP", opened, false},
      {reg_type::kSz, WideBytes(L"HP,winspool", true), L"HP",
       opened + L"Got the Device key HP,winspool\n" + found, false, false},
  };
  const Bytes old = WideBytes(L"Old,winspool,Ne00:", true);
  RecordedLog log;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.printer) + " " +
                 ::testing::PrintToString(c.logAfterHead));
    FakeTerminalServer server;
    FakeRegistry& registry = server.registry;
    registry.SetRaw(kUsers, kWindows, L"Device", c.type, c.raw);
    if (c.sessionsKey) {
      for (const wchar_t* s : {L"1", L"2", L"3"}) registry.AddKey(kUsers, kSessions + s);
      registry.SetRaw(kUsers, kSessions + L"7", L"Device", reg_type::kSz, old);
      registry.DenyOpen(kUsers, kSessions + L"2");
    }
    server.faultPlan = {.failAt = 6, .how = Failure::kError, .trace = {}};  // session 1's write
    log.Clear();
    RegisterDefaultPrinter(registry, server.broadcaster, kSid, c.printer);
    auto device = [&](const wchar_t* s) {
      auto raw = registry.GetRaw(kUsers, kSessions + s, L"Device");
      return raw ? raw->data : Bytes{};
    };
    const Bytes kept = c.sessionsKey ? old : Bytes{};
    EXPECT_EQ((std::vector{device(L"1"), device(L"2"), device(L"3"), device(L"7")}),
              (std::vector<Bytes>{{}, {}, c.written ? c.raw : Bytes{}, c.written ? c.raw : kept}));
    EXPECT_EQ(server.broadcaster.areas.size(), c.written ? 1u : 0u);
    if (!c.logAfterHead.empty()) {
      EXPECT_EQ(log.Text(), L"Registering the default printer for " + kSid + L" to " + c.printer +
                                L"\n" + c.logAfterHead);
    }
  }
}

// The session keys are the user's own to make: a few hundred are written at
// most, so one user cannot make every rename cost thousands of writes.
TEST(DefaultPrinterTest, WritesAFewHundredSessionDefaultsAtMost) {
  FakeTerminalServer server;
  server.registry.SetRaw(kUsers, kWindows, L"Device", reg_type::kSz, WideBytes(L"HP,w", true));
  for (int i = 0; i < 300; ++i) server.registry.AddKey(kUsers, kSessions + std::to_wstring(i));
  RecordedLog log;
  RegisterDefaultPrinter(server.registry, server.broadcaster, kSid, L"HP");
  int written = 0;
  for (int i = 0; i < 300; ++i)
    written += server.registry.GetRaw(kUsers, kSessions + std::to_wstring(i), L"Device") ? 1 : 0;
  EXPECT_EQ(written, 256);
  EXPECT_TRUE(
      log.Contains(L"There are more than 256 session defaults; the rest are left as they are\n"));
}

}  // namespace
}  // namespace vantrel::testing
