#include "service/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/fakes/recording_log_sink.h"

namespace vantrel {
namespace {

// Counts the opens (the first `failOpens` fail) and notices two writers
// inside at once.
struct CheckingSink : testing::RecordingLogSink {
  using RecordingLogSink::RecordingLogSink;
  bool Open() override {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // widen the race
    return ++opens > failOpens;
  }
  void WriteAndFlush(const std::wstring& text) override {
    if (++writersInside != 1) overlapped = true;
    RecordingLogSink::WriteAndFlush(text);
    --writersInside;
  }
  std::atomic<int> opens{0}, writersInside{0};
  int failOpens = 0;
  bool overlapped = false;
};

class LogTest : public ::testing::Test {
 protected:
  LogTest() {
    auto owned = std::make_unique<CheckingSink>(writtenPtr);
    sink = owned.get();
    SetLogSink(std::move(owned));
    logEnabled = true;
  }
  ~LogTest() override {
    logEnabled = false;
    SetLogSink(nullptr);
  }
  std::shared_ptr<std::vector<std::wstring>> writtenPtr =
      std::make_shared<std::vector<std::wstring>>();
  const std::vector<std::wstring>& written = *writtenPtr;
  CheckingSink* sink;  // owned by the log
};

TEST(LogFormat, PlaceholdersAndBadArguments) {
  struct Case {
    const wchar_t* format;
    std::vector<LogArg> args;
    std::wstring expected;
  } cases[] = {
      {L"Printer query is %s\n", {L"SELECT *"}, L"Printer query is SELECT *\n"},
      {L"Session: %d\n", {-42}, L"Session: -42\n"},
      {L"%d %d", {int32_t{INT32_MIN}, 0xFFFFFFFFu}, L"-2147483648 -1"},
      {L"Error 0x%X", {0x8004100Eu}, L"Error 0x8004100E"},
      {L"%X %x %u", {-1, 255, 4000000000u}, L"FFFFFFFF ff 4000000000"},
      {L"%c%c|100%%", {L'A', L'\u00e9'}, L"A\u00e9|100%"},
      {L"narrow %s", {"caf\xc3\xa9"}, L"narrow caf\u00e9"},
      {L"%s then %d", {}, L"(missing argument) then (missing argument)"},
      {L"%d %s", {L"text", 5}, L"(wrong argument) (wrong argument)"},
      {L"%5d %ls %", {7}, L"%5d %ls %"},
      {L"%s", {std::wstring(L"ab\0cd", 5)}, L"ab"},
      {L"no args", {1, L"extra"}, L"no args"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatLogMessageW(c.format, c.args), c.expected) << c.format;
  EXPECT_EQ(FormatLogMessage("%s %d %c", {L"\u00e9", 3, 'x'}), "\xc3\xa9 3 x");
}

TEST(LogFormat, Utf8ToWideAndBack) {
  struct Case {
    const char* utf8;
    std::wstring wide;
  } cases[] = {
      {"plain", L"plain"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x96\xa8", L"caf\u00e9 \u20ac \U0001F5A8"},
      {"a\xc3", L"a\uFFFD"},                    // cut sequence
      {"\xc0\x80", L"\uFFFD\uFFFD"},            // overlong
      {"\xed\xa0\x80", L"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
      {"\xf5\x80x", L"\uFFFD\uFFFDx"},          // beyond U+10FFFF
      {"\xe2\x82x", L"\uFFFDx"},                // two of three bytes
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.utf8;
  EXPECT_EQ(WideToUtf8(L"caf\u00e9 \U0001F5A8"), "caf\xc3\xa9 \xf0\x9f\x96\xa8");
}

TEST(LogFormat, FileBytesAreUtf16LeWithCrLf) {
  std::wstring text = L"User logged in\n";
  std::vector<uint8_t> expected = {0xFF, 0xFE};
  for (wchar_t c : std::wstring(L"User logged in"))
    expected.insert(expected.end(), {uint8_t(c), 0});
  expected.insert(expected.end(), {0x0D, 0, 0x0A, 0});
  EXPECT_EQ(EncodeLogFileBytes(text, true), expected);
  EXPECT_EQ(EncodeLogFileBytes(L"\U0001F5A8\r\n", false),
            (std::vector<uint8_t>{0x3D, 0xD8, 0xA8, 0xDD, 0x0D, 0, 0x0D, 0, 0x0A, 0}));
}

// Off: the file is never opened. A failed open drops its message and the
// next message tries again. "%" inside an argument's text stays as it is.
TEST_F(LogTest, OpensOnlyWhenOnRetriesAFailedOpenAndKeepsArgumentText) {
  logEnabled = false;
  LogPrintf("Loading configuration\n");
  LogPrintfW(L"User logged out.  Session: %d\n", 3);
  EXPECT_EQ(sink->opens, 0);

  logEnabled = true;
  sink->failOpens = 1;
  LogPrintf("dropped\n");
  LogPrintf("Renaming %s to %s\n", "Dru\xc3\xa7ker (from PC) in session 2", "%printername% 100%d");
  LogPrintfW(L"New name %s\n", L"%username%s");
  EXPECT_EQ(sink->opens, 2);
  EXPECT_EQ(written, (std::vector<std::wstring>{
                         L"Renaming Dru\u00e7ker (from PC) in session 2 to %printername% 100%d\n",
                         L"New name %username%s\n"}));
}

TEST_F(LogTest, NarrowMessageBeyondItsBufferIsCutAtACharacterAndMarked) {
  LogPrintf("%s", std::string(10239, 'a'));  // fits exactly
  EXPECT_EQ(written.back(), std::wstring(10239, L'a'));

  std::string longText = "x";
  while (longText.size() < 20000) longText += "\xc3\xa9";  // cut lands inside a character
  LogPrintf("%s\n", longText);
  const std::wstring& w = written.back();
  std::string back = WideToUtf8(w);
  EXPECT_LE(back.size(), 10239u);
  EXPECT_GT(back.size(), 10200u);
  EXPECT_EQ(w.find(L'\uFFFD'), std::wstring::npos);
  EXPECT_TRUE(w.ends_with(L"\u00e9 [truncated]\n"));
}

TEST_F(LogTest, ConcurrentFirstMessagesOpenOnceAndNeverInterleave) {
  constexpr int kThreads = 4, kMessages = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kMessages; ++i) {
        if (i % 2)
          LogPrintfW(L"thread %d message %d\n", t, i);
        else
          LogPrintf("thread %d message %d\n", t, i);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(sink->opens, 1);
  EXPECT_FALSE(sink->overlapped);
  ASSERT_EQ(written.size(), size_t{kThreads * kMessages});
  for (const auto& text : written) EXPECT_TRUE(text.starts_with(L"thread ")) << text;
}

}  // namespace
}  // namespace vantrel
