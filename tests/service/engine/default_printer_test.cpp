#include "service/engine/default_printer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "tests/fakes/fake_accounts.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/recording_log_sink.h"

// Lets one test make huge allocations fail; every other allocation passes on.
// GCC cannot see that these operator new and delete are a matching pair once
// they are inlined, and warns about malloc/free in between.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<size_t> failAllocationsFrom{0};
}  // namespace
void* operator new(std::size_t size) {
  const size_t limit = failAllocationsFrom.load(std::memory_order_relaxed);
  if (limit != 0 && size >= limit) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vantrel::testing {
namespace {

using Bytes = std::vector<uint8_t>;

const std::wstring kSid = L"S-1-5-21-1-2-3-1001";
const std::wstring kWindows = kSid + L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const std::wstring kSessions = kWindows + L"\\SessionDefaultDevices";
constexpr auto kUsers = RegistryRoot::kUsers;

std::wstring Head(const std::wstring& printer) {
  return L"Registering the default printer for " + kSid + L" to " + printer + L"\nOpened the key\n";
}
std::wstring Matched(const std::wstring& device) {
  return L"Got the Device key " + device +
         L"\nFound the printer we're targetting\nGot the SessionDefaultDevices key\n";
}
std::wstring Writing(const std::wstring& d) {
  return L"Writing out \"" + d + L"\" to the Device key\n";
}

class DefaultPrinterTest : public ::testing::Test {
 protected:
  void AddSessions(std::initializer_list<std::wstring> names) {
    for (const auto& n : names) registry.AddKey(kUsers, kSessions + L"\\" + n);
  }
  Bytes SessionDevice(const std::wstring& session) {
    auto raw = registry.GetRaw(kUsers, kSessions + L"\\" + session, L"Device");
    return raw && raw->type == reg_type::kSz ? raw->data : Bytes{};
  }
  void Register(const std::wstring& printer) {
    log.Clear();
    RegisterDefaultPrinter(registry, broadcaster, kSid, printer);
  }

  FakeRegistry registry;
  FakeSettingChangeBroadcaster broadcaster;
  RecordedLog log;
};

TEST(SplitAtCommasTest, CommasSeparateButNeverEndAField) {
  using Fields = std::vector<std::wstring>;
  EXPECT_EQ(SplitAtCommas(L""), Fields{});
  EXPECT_EQ(SplitAtCommas(L"HP LaserJet"), Fields{L"HP LaserJet"});
  EXPECT_EQ(SplitAtCommas(L",a"), (Fields{L"", L"a"}));
  EXPECT_EQ(SplitAtCommas(L"a,,b,"), (Fields{L"a", L"", L"b"}));
  EXPECT_EQ(SplitAtCommas(L","), Fields{L""});
}

// The value is copied byte for byte to every session, with one broadcast;
// a value neither terminated nor of whole units is read no further than
// its last whole unit.
TEST_F(DefaultPrinterTest, AMatchIsCopiedToEverySessionWithOneBroadcast) {
  Bytes odd = WideBytes(L"HP,x", false);
  odd.push_back(0x41);
  const std::wstring full = L"HP," + std::wstring(1021, L'y');  // the whole 2048-byte buffer
  struct Case {
    Bytes raw;
    std::wstring text, printer;
  };
  const Case cases[] = {
      {WideBytes(L"hp laserjet 4 (ALICE),winspool,Ne01:", true),
       L"hp laserjet 4 (ALICE),winspool,Ne01:", L"HP LaserJet 4 (alice)"},
      {odd, L"HP,x", L"hp"},
      {WideBytes(full, false), full, L"HP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.printer));
    registry = FakeRegistry();
    broadcaster.areas.clear();
    registry.SetRaw(kUsers, kWindows, L"Device", reg_type::kSz, c.raw);
    AddSessions({L"1", L"3", L"7"});
    registry.SetString(kUsers, kSessions + L"\\7", L"Device", L"Old,winspool,Ne00:");
    Register(c.printer);
    for (const auto* s : {L"1", L"3", L"7"}) EXPECT_EQ(SessionDevice(s), c.raw);
    EXPECT_EQ(broadcaster.areas, std::vector<std::wstring>{L"windows"});
    EXPECT_EQ(log.Text(), Head(c.printer) + Matched(c.text) + Writing(c.text) + Writing(c.text) +
                              Writing(c.text));
    EXPECT_EQ(registry.GetRaw(kUsers, kWindows, L"Device")->data, c.raw);  // only read
  }
}

TEST_F(DefaultPrinterTest, NothingHappensUnlessAUsableValueNamesThePrinter) {
  struct Case {
    uint32_t type;
    std::wstring value;
    std::wstring printer;
    bool reachesCompare;
  };
  const std::vector<Case> cases = {
      {reg_type::kSz, L"Other,winspool", L"HP", true},
      {reg_type::kSz, L"A,B,winspool", L"A,B", true},
      {reg_type::kSz, L"\u00DCber,winspool", L"\u00FCber", true},  // only A-Z fold
      {reg_type::kExpandSz, L"HP,winspool", L"HP", false},
      {reg_type::kSz, std::wstring(L"\0HP", 3), L"HP", false},
      {reg_type::kSz, L"HP," + std::wstring(1100, L'x'), L"HP", false},  // over 2048 bytes
  };
  AddSessions({L"1"});
  for (const auto& c : cases) {
    registry.SetRaw(kUsers, kWindows, L"Device", c.type, WideBytes(c.value, true));
    Register(c.printer);
    EXPECT_EQ(log.Text(), Head(c.printer) +
                              (c.reachesCompare ? L"Got the Device key " + c.value + L"\n" : L""));
  }
  registry.DeleteValue(kUsers, kWindows, L"Device");
  Register(L"HP");
  EXPECT_EQ(log.Text(), Head(L"HP"));
  EXPECT_TRUE(SessionDevice(L"1").empty());
  EXPECT_TRUE(broadcaster.areas.empty());

  registry = FakeRegistry();  // the user's hive is not loaded
  Register(L"HP");
  EXPECT_EQ(log.Text(), L"Registering the default printer for " + kSid +
                            L" to HP\nFailed to open the registry key 2\n");
}

TEST_F(DefaultPrinterTest, SessionKeysThatFailAreSkipped) {
  registry.SetString(kUsers, kWindows, L"Device", L"HP,winspool");
  Register(L"HP");  // no SessionDefaultDevices at all
  EXPECT_EQ(log.Text(), Head(L"HP") +
                            L"Got the Device key HP,winspool\n"
                            L"Found the printer we're targetting\n");
  AddSessions({L"1", L"2", L"3"});
  registry.DenyOpen(kUsers, kSessions + L"\\2");
  int sets = 0;
  registry.failHook = [&sets](const std::string& call, const std::wstring&) {
    return call == "SetValue" && sets++ == 0 ? win32_error::kAccessDenied : 0;
  };
  Register(L"HP");
  EXPECT_TRUE(SessionDevice(L"1").empty());  // write failed: still counts as written
  EXPECT_TRUE(SessionDevice(L"2").empty());  // could not be opened
  EXPECT_FALSE(SessionDevice(L"3").empty());
  EXPECT_EQ(broadcaster.areas.size(), 1u);
  EXPECT_EQ(log.Text(), Head(L"HP") + Matched(L"HP,winspool") + Writing(L"HP,winspool") +
                            Writing(L"HP,winspool"));
}

TEST(GetUserSidTest, GrowsEachBufferToTheReportedSize) {
  const std::wstring sid = L"S-1-5-21-1000-2000-3000-4000-1001";  // 33 bytes here
  FakeAccounts accounts;
  accounts.AddUser(L"alice", sid, std::wstring(40, L'D'));
  Bytes found;
  EXPECT_EQ(GetUserSid(accounts, L"ALICE", &found), 0);
  EXPECT_EQ(found, Bytes(sid.begin(), sid.end()));
  using Sizes = std::pair<uint32_t, uint32_t>;  // SID bytes, domain characters
  EXPECT_EQ(accounts.lookups, (std::vector<Sizes>{{32, 32}, {33, 41}}));
}

TEST(GetUserSidTest, FailuresAreNegativeAndBounded) {
  // Each lookup fails with the error and asks for more room, which only
  // ERROR_INSUFFICIENT_BUFFER (122) makes the caller try.
  for (const auto& [error, result] : std::vector<std::pair<uint32_t, uint32_t>>{
           {1332, 0x80070534}, {5, 0x80070005}, {0, 0x80004005}, {122, 0x8007007A}}) {
    FakeAccounts accounts;
    accounts.lookupHook = [error](uint32_t* sidSize, uint32_t* domainChars, uint32_t* lastError) {
      *sidSize += 4;
      *domainChars += 4;
      *lastError = error;
      return true;
    };
    Bytes sid;
    uint32_t lastError = 12345;
    EXPECT_EQ(GetUserSid(accounts, L"bob", &sid, &lastError), static_cast<int32_t>(result));
    EXPECT_EQ(lastError, error);
    EXPECT_LE(accounts.lookups.size(), 4u);
  }

  // A buffer that cannot be allocated fails the lookup instead of the process.
  FakeAccounts accounts;
  accounts.lookupHook = [](uint32_t* sidSize, uint32_t*, uint32_t* lastError) {
    *sidSize = 0x40000000;
    *lastError = 122;
    return true;
  };
  Bytes sid;
  failAllocationsFrom = 0x40000000;
  const int32_t result = GetUserSid(accounts, L"bob", &sid);
  failAllocationsFrom = 0;
  EXPECT_EQ(result, static_cast<int32_t>(0x8007000E));
}

TEST(GetUserSidStringTest, LogsEachOutcome) {
  RecordedLog log;
  FakeAccounts accounts;
  accounts.AddUser(L"alice", kSid);
  std::wstring text;
  EXPECT_TRUE(GetUserSidString(accounts, L"alice", &text));
  EXPECT_EQ(text, kSid);
  EXPECT_FALSE(GetUserSidString(accounts, L"mallory", &text));
  accounts.convertFails = true;
  EXPECT_FALSE(GetUserSidString(accounts, L"alice", &text));
  EXPECT_EQ(log.Text(), L"The username alice corresponds to the SID " + kSid +
                            L"\nCould not convert the username mallory to a SID.  Error: 1332\n"
                            L"Could not convert the SID to a string\n");
}

}  // namespace
}  // namespace vantrel::testing
