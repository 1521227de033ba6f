// The Event Log's texts as a viewer shows them: each event's identifier
// found in Vantrel.exe's message table (loaded as data, as the Event Log
// does from EventMessageFile), rendered with sample insertion strings.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "service/events.h"
#include "service/win32/event_log_win32.h"

namespace vantrel {
namespace {

TEST(EventMessages, EveryEventRendersFromTheServiceProgram) {
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring path = self;
  path = path.substr(0, path.rfind(L'\\')) + L"\\..\\service\\Vantrel.exe";
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << GetLastError();
  // The type (the identifier's severity: 1 information, 2 warning, 3
  // error) and sample strings, each of which must appear.
  const struct {
    uint32_t id, severity;
    std::vector<std::wstring> strings;
  } cases[] = {
      {event_id::kServiceStarted, 1, {L"3.1.0.0"}},
      {event_id::kServiceStopped, 1, {}},
      {event_id::kSettingsLoaded, 1, {L"none"}},
      {event_id::kPrinterRenamed, 1, {L"HP (redirected 3)", L"HP On alice", L"alice", L"3"}},
      {event_id::kHolderDeleted, 2, {L"HP On alice", L"3"}},
      {event_id::kPrinterLeftAlone, 2, {L"HP (redirected 8)", L"no user in session 8"}},
      {event_id::kWmiUnreachable, 3, {L"0x80041003"}},
      {event_id::kWmiReachable, 1, {}},
      {event_id::kPatternUnusable, 3, {L"(", L"mismatched parentheses"}},
      {event_id::kClausesInService, 2, {L"12"}},
      {event_id::kServiceFailed, 3, {L"1064"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const uint32_t fullId = FullEventId(c.id);
    EXPECT_EQ(fullId & 0xFFFF, c.id);
    EXPECT_EQ(fullId >> 30, c.severity);
    std::vector<DWORD_PTR> args;
    for (const std::wstring& s : c.strings) args.push_back(reinterpret_cast<DWORD_PTR>(s.c_str()));
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                           FORMAT_MESSAGE_ARGUMENT_ARRAY,
                       module, fullId, 0, reinterpret_cast<LPWSTR>(&text), 0,
                       args.empty() ? nullptr : reinterpret_cast<va_list*>(args.data()));
    ASSERT_GT(length, 0u) << GetLastError();
    const std::wstring rendered(text, length);
    LocalFree(text);
    for (const std::wstring& s : c.strings) EXPECT_NE(rendered.find(s), std::wstring::npos);
    EXPECT_EQ(rendered.find(L'%'), std::wstring::npos) << rendered.c_str();
  }
  EXPECT_EQ(FullEventId(999), 0u);
  FreeLibrary(module);
}

}  // namespace
}  // namespace vantrel
