#include "service/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/fakes/recording_log_sink.h"

namespace vantrel {
namespace {

// The log off at the start, as in a service started without "withlog".
class LogTest : public ::testing::Test {
 protected:
  LogTest() { logEnabled = false; }
  testing::RecordedLog log;
  const std::vector<std::wstring>& written = log.messages();
};

// Narrow text is taken as UTF-8: a sequence that is not valid becomes U+FFFD
// for each byte that cannot begin or continue one (the log fuzzer's seeds
// hold the invalid forms).
TEST(LogFormat, PlaceholdersArgumentsAndUtf8) {
  const struct {
    const wchar_t* format;
    std::vector<LogArg> args;
    std::wstring expected;
  } cases[] = {
      {L"%d %d", {int32_t{INT32_MIN}, 0xFFFFFFFFu}, L"-2147483648 -1"},
      {L"%X %x %u %u", {-1, 255, 4000000000u, -1}, L"FFFFFFFF ff 4000000000 4294967295"},
      {L"%c%c|100%%", {L'A', L'\u00e9'}, L"A\u00e9|100%"},
      {L"%s then %d", {}, L"(missing argument) then (missing argument)"},
      {L"%d %s", {L"text", 5}, L"(wrong argument) (wrong argument)"},
      {L"%5d %ls %", {7}, L"%5d %ls %"},
      {L"%s", {std::wstring(L"ab\0cd", 5)}, L"ab"},
      // A name cannot forge a line: control characters are escaped.
      {L"%s|%s\n", {L"a\r\nb\t\x1b\x85\u2028", "c\n"}, L"a\\r\\nb\\t\\u001B\\u0085\\u2028|c\\n\n"},
      {L"no args", {1, L"extra"}, L"no args"},
      {L"%s", {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x96\xa8"}, L"caf\u00e9 \u20ac \U0001F5A8"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatLogMessageW(c.format, c.args), c.expected) << c.format;
  EXPECT_EQ(FormatLogMessage("%s %d %c", {L"\u00e9 \U0001F5A8", 3, 'x'}),
            "\xc3\xa9 \xf0\x9f\x96\xa8 3 x");
}

// Off: the file is never opened. A failed open drops its message and the
// next message tries again. "%" inside an argument's text stays as it is.
// The narrow entry point's buffer holds 10 239 bytes of text; a longer
// message is cut before the character the limit falls in, and marked.
TEST_F(LogTest, OpensWhenOnRetriesAFailedOpenKeepsTextAndCutsAtTheBuffer) {
  LogPrintfW(L"User logged out.  Session: %d\n", 3);
  EXPECT_EQ(log.opens, 0);
  logEnabled = true;
  log.failOpens = 1;
  LogPrintf("dropped\n");
  LogPrintf("Renaming %s to %s\n", "Dru\xc3\xa7ker (from PC) in session 2", "%printername% 100%d");
  LogPrintfW(L"New name %s\n", L"%username%s");
  LogPrintf("%s", std::string(10239, 'a'));
  LogPrintf("x%s\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\n",
            std::string(10224, 'a'));
  EXPECT_EQ(log.opens, 2);
  EXPECT_EQ(written, (std::vector<std::wstring>{
                         L"Renaming Dru\u00e7ker (from PC) in session 2 to %printername% 100%d\n",
                         L"New name %username%s\n", std::wstring(10239, L'a'),
                         L"x" + std::wstring(10224, L'a') + L" [truncated]\n"}));
}

// Run under ThreadSanitizer too, which reports two writers at once.
TEST_F(LogTest, ConcurrentFirstMessagesOpenOnceAndNeverInterleave) {
  logEnabled = true;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i)
        i % 2 ? LogPrintfW(L"thread %d message %d\n", t, i) : LogPrintf("thread %d message\n", t);
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(log.opens, 1);
  ASSERT_EQ(written.size(), 800u);
  for (const auto& text : written) EXPECT_TRUE(text.starts_with(L"thread ")) << text;
}

}  // namespace
}  // namespace vantrel
