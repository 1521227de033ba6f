#include "service/engine/default_printer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "service/log.h"
#include "tests/fakes/fake_accounts.h"
#include "tests/fakes/fake_registry.h"

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

namespace vantrel {
namespace {

using testing::FakeAccounts;
using testing::WideBytes;

class TranscriptSink : public LogSink {
 public:
  explicit TranscriptSink(std::shared_ptr<std::wstring> text) : text_(text) {}
  bool Open() override { return true; }
  void WriteAndFlush(const std::wstring& text) override { *text_ += text; }

 private:
  std::shared_ptr<std::wstring> text_;
};

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
std::wstring Writing(const std::wstring& device) {
  return L"Writing out \"" + device + L"\" to the Device key\n";
}

class DefaultPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logEnabled = true;
    SetLogSink(std::make_unique<TranscriptSink>(log_));
  }
  void TearDown() override {
    SetLogSink(nullptr);
    logEnabled = false;
  }
  void AddSessions(std::initializer_list<std::wstring> names) {
    registry_.AddKey(kUsers, kSessions);
    for (const auto& n : names) registry_.AddKey(kUsers, kSessions + L"\\" + n);
  }
  std::vector<uint8_t> SessionDevice(const std::wstring& session) {
    auto raw = registry_.GetRaw(kUsers, kSessions + L"\\" + session, L"Device");
    return raw && raw->type == reg_type::kSz ? raw->data : std::vector<uint8_t>{};
  }
  void Register(const std::wstring& printer) {
    log_->clear();
    RegisterDefaultPrinter(registry_, broadcaster_, kSid, printer);
  }

  testing::FakeRegistry registry_;
  testing::FakeSettingChangeBroadcaster broadcaster_;
  std::shared_ptr<std::wstring> log_ = std::make_shared<std::wstring>();
};

TEST(SplitAtCommasTest, CommasSeparateButNeverEndAField) {
  using Fields = std::vector<std::wstring>;
  for (const auto& [text, fields] :
       std::vector<std::pair<std::wstring, Fields>>{{L"", {}},
                                                    {L"HP LaserJet", {L"HP LaserJet"}},
                                                    {L",a", {L"", L"a"}},
                                                    {L"a,,b,", {L"a", L"", L"b"}},
                                                    {L",", {L""}}}) {
    EXPECT_EQ(SplitAtCommas(text), fields) << ::testing::PrintToString(text);
  }
}

TEST_F(DefaultPrinterTest, AMatchInOtherCaseIsCopiedToEverySessionWithOneBroadcast) {
  const std::wstring value = L"hp laserjet 4 (ALICE),winspool,Ne01:";
  registry_.SetString(kUsers, kWindows, L"Device", value);
  AddSessions({L"1", L"3", L"7"});
  registry_.SetString(kUsers, kSessions + L"\\7", L"Device", L"Old,winspool,Ne00:");
  Register(L"HP LaserJet 4 (alice)");
  for (const auto* s : {L"1", L"3", L"7"}) EXPECT_EQ(SessionDevice(s), WideBytes(value, true));
  EXPECT_EQ(broadcaster_.areas, std::vector<std::wstring>{L"windows"});
  EXPECT_EQ(*log_, Head(L"HP LaserJet 4 (alice)") + Matched(value) + Writing(value) +
                       Writing(value) + Writing(value));
  EXPECT_EQ(registry_.GetString(kUsers, kWindows, L"Device"), value);  // only read
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
    registry_.SetRaw(kUsers, kWindows, L"Device", c.type, WideBytes(c.value, true));
    Register(c.printer);
    EXPECT_EQ(*log_, Head(c.printer) +
                         (c.reachesCompare ? L"Got the Device key " + c.value + L"\n" : L""));
  }
  registry_.DeleteValue(kUsers, kWindows, L"Device");
  Register(L"HP");
  EXPECT_EQ(*log_, Head(L"HP"));
  EXPECT_TRUE(SessionDevice(L"1").empty());
  EXPECT_TRUE(broadcaster_.areas.empty());
}

TEST_F(DefaultPrinterTest, AnUnloadedHiveLogsOnlyTheOpenFailure) {
  Register(L"HP");
  EXPECT_EQ(*log_, L"Registering the default printer for " + kSid +
                       L" to HP\nFailed to open the registry key 2\n");
}

TEST_F(DefaultPrinterTest, RawBytesAreCopiedAndNeverReadPastTheirEnd) {
  // Neither terminated nor whole units: the text stops at the last whole
  // unit, the copy keeps every byte.
  std::vector<uint8_t> odd = WideBytes(L"HP,x", false);
  odd.push_back(0x41);
  // Exactly the 2048-byte buffer, no terminator.
  const std::wstring full = L"HP," + std::wstring(1021, L'y');
  AddSessions({L"1"});
  for (const auto& [raw, text] : std::vector<std::pair<std::vector<uint8_t>, std::wstring>>{
           {odd, L"HP,x"}, {WideBytes(full, false), full}}) {
    registry_.SetRaw(kUsers, kWindows, L"Device", reg_type::kSz, raw);
    Register(L"hp");
    EXPECT_EQ(SessionDevice(L"1"), raw);
    EXPECT_EQ(*log_, Head(L"hp") + Matched(text) + Writing(text));
  }
}

TEST_F(DefaultPrinterTest, SessionKeysThatFailAreSkipped) {
  registry_.SetString(kUsers, kWindows, L"Device", L"HP,winspool");
  Register(L"HP");  // no SessionDefaultDevices at all
  EXPECT_EQ(*log_, Head(L"HP") +
                       L"Got the Device key HP,winspool\n"
                       L"Found the printer we're targetting\n");
  AddSessions({L"1", L"2", L"3"});
  registry_.DenyOpen(kUsers, kSessions + L"\\2");
  int sets = 0;
  registry_.failHook = [&sets](const std::string& call, const std::wstring&) {
    return call == "SetValue" && sets++ == 0 ? win32_error::kAccessDenied : 0;
  };
  Register(L"HP");
  EXPECT_TRUE(SessionDevice(L"1").empty());  // write failed: still counts as written
  EXPECT_TRUE(SessionDevice(L"2").empty());  // could not be opened
  EXPECT_FALSE(SessionDevice(L"3").empty());
  EXPECT_EQ(broadcaster_.areas.size(), 1u);
  EXPECT_EQ(*log_, Head(L"HP") + Matched(L"HP,winspool") + Writing(L"HP,winspool") +
                       Writing(L"HP,winspool"));
}

TEST_F(DefaultPrinterTest, ATooLongSessionKeyNameEndsTheEnumeration) {
  registry_.SetString(kUsers, kWindows, L"Device", L"HP");
  AddSessions({std::wstring(1024, L'n'), L"1"});
  Register(L"HP");
  EXPECT_TRUE(SessionDevice(L"1").empty());
  EXPECT_TRUE(broadcaster_.areas.empty());
}

TEST(GetUserSidTest, GrowsEachBufferToTheReportedSize) {
  FakeAccounts accounts;
  accounts.AddUser(L"alice", L"S-1-5-21-1-2-3-4-5-6-1001", std::wstring(40, L'D'));  // 40 bytes
  std::vector<uint8_t> sid;
  EXPECT_EQ(GetUserSid(accounts, L"ALICE", &sid), 0);
  EXPECT_EQ(sid, FakeAccounts::SidFromString(L"S-1-5-21-1-2-3-4-5-6-1001"));
  ASSERT_EQ(accounts.lookups.size(), 2u);
  EXPECT_EQ(accounts.lookups[0].sidSize, 32u);
  EXPECT_EQ(accounts.lookups[0].domainChars, 32u);
  EXPECT_EQ(accounts.lookups[1].sidSize, 40u);
  EXPECT_EQ(accounts.lookups[1].domainChars, 41u);
}

// Fails every lookup with a fixed code, optionally asking for ever more room.
class FailingAccounts : public FakeAccounts {
 public:
  FailingAccounts(uint32_t error, bool growForever) : error_(error), grow_(growForever) {}
  bool LookupAccountName(const std::wstring& name, uint8_t* sid, uint32_t* sidSize, wchar_t* domain,
                         uint32_t* domainChars, uint32_t* lastError) override {
    FakeAccounts::LookupAccountName(name, sid, sidSize, domain, domainChars, lastError);
    *sidSize += grow_ ? 4 : 0;
    *domainChars += grow_ ? 4 : 0;
    *lastError = error_;
    return false;
  }

 private:
  uint32_t error_;
  bool grow_;
};

TEST(GetUserSidTest, FailuresAreNegativeAndBounded) {
  struct Case {
    uint32_t error;
    bool growForever;
    uint32_t result;
  };
  for (const Case& c : std::vector<Case>{{1332, false, 0x80070534},
                                         {5, false, 0x80070005},
                                         {0, false, 0x80004005},  // not HRESULT_FROM_WIN32(0)
                                         {122, true, 0x8007007A}}) {
    FailingAccounts accounts(c.error, c.growForever);
    std::vector<uint8_t> sid;
    uint32_t lastError = 12345;
    EXPECT_EQ(GetUserSid(accounts, L"bob", &sid, &lastError), static_cast<int32_t>(c.result));
    EXPECT_EQ(lastError, c.error);
    EXPECT_LE(accounts.lookups.size(), 4u);
  }

  // A buffer that cannot be allocated fails the lookup instead of the process.
  FakeAccounts accounts;
  accounts.lookupHook = [](const std::wstring&, uint32_t* sidSize, uint32_t*) -> uint32_t {
    *sidSize = 0x40000000;
    return 122;
  };
  std::vector<uint8_t> sid;
  failAllocationsFrom = 0x40000000;
  const int32_t result = GetUserSid(accounts, L"bob", &sid);
  failAllocationsFrom = 0;
  EXPECT_EQ(result, static_cast<int32_t>(0x8007000E));
}

TEST_F(DefaultPrinterTest, SidStringLogsEachOutcome) {
  FakeAccounts accounts;
  accounts.AddUser(L"alice", kSid);
  std::wstring text;
  EXPECT_TRUE(GetUserSidString(accounts, L"alice", &text));
  EXPECT_EQ(text, kSid);
  EXPECT_FALSE(GetUserSidString(accounts, L"mallory", &text));
  accounts.convertFails = true;
  EXPECT_FALSE(GetUserSidString(accounts, L"alice", &text));
  EXPECT_EQ(*log_, L"The username alice corresponds to the SID " + kSid +
                       L"\nCould not convert the username mallory to a SID.  Error: 1332\n"
                       L"Could not convert the SID to a string\n");
}

}  // namespace
}  // namespace vantrel
